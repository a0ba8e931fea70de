#pragma once
// Resource identifiers, shared by the resource script and the code.
#define IDD_PROGRESS_DIALOG 102
#define IDI_APPLICATION_ICON 131
#define IDI_DIALOG_PICTURE 132
#define IDC_DETAIL_TEXT 1000
#define IDC_CANCEL_BUTTON 1001
#define IDC_STATUS_TEXT 1002
#define IDC_APP_ICON 1003
