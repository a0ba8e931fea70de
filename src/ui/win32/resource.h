#ifndef VOREX_UI_WIN32_RESOURCE_H
#define VOREX_UI_WIN32_RESOURCE_H
/* Resource identifiers of the resource script: the icons, and the dialog's own. */
#include "platform/control_ids.h"
#define IDI_APPLICATION_ICON 131
#define IDI_DIALOG_PICTURE 132
#endif
