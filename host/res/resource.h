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

// Texts of the status log that the view uses by name; the rest of 135..203 map status ids.
#define IDS_FILE_NOT_AVAILABLE 145
#define IDS_CONTINUE_NOT_AVAILABLE 165
#define IDS_PORT_NOT_AVAILABLE 203
