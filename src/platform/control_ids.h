#ifndef VOREX_PLATFORM_CONTROL_IDS_H
#define VOREX_PLATFORM_CONTROL_IDS_H
/* The progress dialog's template and control identifiers, read by the resource compiler as well
   as by the code, so plain C preprocessor definitions. */
#define IDD_PROGRESS_DIALOG 102
#define IDC_DETAIL_TEXT 1000
#define IDC_CANCEL_BUTTON 1001
#define IDC_STATUS_TEXT 1002
#define IDC_APP_ICON 1003
#endif
