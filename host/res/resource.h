// Resource identifiers of the host. A language library carries the same ids.
#pragma once

#include "framework/FrameworkIds.h"

// Frame: menu, accelerators, icon and the document template string.
#define IDR_MAINFRAME 128
// The form of the main window.
#define IDD_WEXLINK32_FORM 101

// Form controls.
#define IDC_WEXLINKCTL 1000
#define IDC_STATUS_LOG 1042
#define IDC_STATE_LINE 1046
#define IDC_STATE_PICTURE 1047

// State bitmaps.
#define IDB_STATE_CONNECTED 148
#define IDB_STATE_IDLE 149
#define IDB_STATE_POLLING 150
#define IDB_STATE_WAITING 157

// Menu commands.
#define ID_START_PROTOCOL 32771
#define ID_STOP_PROTOCOL 32772
#define ID_COMMUNICATION_SETTINGS 32773
#define ID_DEFAULT_SETTINGS 32775
#define ID_EXPORT 32777
#define ID_IMPORT 32778
#define ID_LANGUAGE 32779
#define ID_CLEAR_STATUS_LOG 32780

// Strings of the frame and the application.
#define IDP_OLE_INIT_FAILED 100
#define IDS_DEFAULT_SETTINGS_QUESTION 178
#define IDS_WARNING 180
#define IDS_INFORMATION 181
#define IDS_CONNECTED_SESSION 182
#define IDS_FILE_FILTER 183
#define IDS_PROGRESS_PANE 184
#define IDS_NO_TASK_QUESTION 185
#define IDS_STATE_IDLE 186
#define IDS_STATE_POLLING 187
#define IDS_STATE_CONNECTED 188
#define IDS_COMMUNICATION_OPTIONS 189
#define IDS_BUTTON_OK 190
#define IDS_BUTTON_CANCEL 191
#define IDS_BUTTON_HELP 192
#define IDS_LANGUAGE_NAME 193
#define IDS_LANGUAGE_INFO 194
#define IDS_STATE_WAITING 204

// --- Language selection and About box ---
#define IDD_ABOUTBOX 100
#define IDD_LANGUAGE 152
#define IDC_CURRENT_LANGUAGE 1048
#define IDC_LANGUAGE_LIST 1049
#define IDC_TRANSLATOR_INFO 1050
#define IDC_ABOUT_PRODUCT_NAME 1051
#define IDC_ABOUT_PRODUCT_VERSION 1052
#define IDC_ABOUT_COPYRIGHT 1053
#define IDC_ABOUT_CONTROL_VERSION 1054
#define IDC_ABOUT_CONTROL_FOLDER 1055
#define IDS_VERSION_PREFIX 195
// --- end of language selection and About box ---

// ---- Settings sheet: communication page ----
#define IDB_SETTINGS_PAGES 151
#define IDD_PROP_COMMUNICATION 131
#define IDC_COM_PORT 1001
#define IDC_IRDA_NONE 1002
#define IDC_IRDA_LITELINK 1003
#define IDC_IRDA_TEKRAM 1004
#define IDC_IRDA_ACTISYS 1005
#define IDC_IRDA_CRADLE 1006
#define IDC_BAUD_115200 1007
#define IDC_BAUD_57600 1008
#define IDC_BAUD_38400 1009
#define IDC_BAUD_19200 1010
#define IDC_BAUD_9600 1011
#define IDC_BAUD_4800 1012
#define IDC_BAUD_2400 1013
#define IDC_PROTOCOL_CONTINUOUS 1038
#define IDC_PROTOCOL_TIMES 1039
#define IDC_PROTOCOL_SUCCESS 1040
#define IDC_PROTOCOL_NO_ANSWER 1041
#define IDC_RUN_AT_START 1044
#define IDC_RUN_MINIMIZED 1045
#define IDC_MINIMIZE_TO_TRAY 1056
#define IDC_MESSAGES_IN_TRAY 1059
// ---- end of the communication page ----
