#pragma once
#include "ui/path_update_dlg.h"

namespace vorex {

// The whole job, once, on the worker thread: find the pathdef.m files, carry out every REMOVE
// and then every ADD, and tell the user the outcome. Returns 0.
int RunUpdate(CPathUpdateDlg& dlg);
// The worker's entry: the run and nothing else.
unsigned UpdateThreadProc(void* dialog);

extern const char kNotFoundHeading[];
extern const char kFailureHeading[];
extern const char kModifyingStatus[];

}  // namespace vorex
