#pragma once
// <windows.h> for the Windows platform code. MessageBox and ReplaceFile are macros there, and
// would rename the seam's methods of the same names in these files only.
#include <windows.h>
#undef MessageBox
#undef ReplaceFile
