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
// Texts the host itself writes into the log and its messages (a language library may lack them;
// the program's own English ones stand in).
#define IDS_TASK_REFUSED 230
#define IDS_REFUSAL_UNKNOWN 231
#define IDS_REFUSAL_KIND 232
#define IDS_REFUSAL_TIME_DATE_FORMAT 233
#define IDS_REFUSAL_TIME_DATE 234
#define IDS_REFUSAL_PC_FILE 235
#define IDS_REFUSAL_DOWN_TYPE 236
#define IDS_REFUSAL_TERMINAL_FILE 237
#define IDS_LISTED_FILE_SKIPPED 238
#define IDS_PC_NAME_NOT_A_NAME 239
#define IDS_PC_NAME_DEVICE 240
#define IDS_PC_NAME_CHARACTER 241
#define IDS_PC_NAME_FINAL_DOT 242
#define IDS_UNABLE_TO_WRITE 243
#define IDS_IMPORT_UNREADABLE 244
#define IDS_IMPORT_NOT_SETTINGS 245
#define IDS_ERROR 246
#define IDS_CONTROL_NOT_CREATED 247

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
// ---- Tasks page, task dialogs ----
#define IDD_PROP_TASKS 132
#define IDD_TIME_DATE_FORMAT 137
#define IDD_LIST_FILES 145
#define IDD_RECV_FILES 146
#define IDD_XMIT_FILES 147

// Task icons, in task-kind order.
#define IDI_TASK_OS_VERSION 133
#define IDI_TASK_APP_VERSION 134
#define IDI_TASK_GET_TIME 135
#define IDI_TASK_SET_TIME 136
#define IDI_TASK_RECEIVE 141
#define IDI_TASK_TRANSMIT 143
#define IDI_TASK_LIST 144
#define IDI_TASK_DELETE 153

// Tasks page controls.
#define IDC_TASKS_LIST 1008
#define IDC_TASKS_TYPE 1009
#define IDC_TASKS_ADD 1010
#define IDC_TASKS_EDIT 1011
#define IDC_TASKS_DELETE 1012
#define IDC_TASKS_DELETE_ALL 1013

// Task dialog controls (ids shared between the dialogs where the same value is edited).
#define IDC_TASK_FORMAT_FIRST 1011  // time/date format radios 1011..1024, 1031..1036
#define IDC_TASK_DRIVE 1009
#define IDC_TASK_FILENAME 1025
#define IDC_TASK_FOLDER 1026
#define IDC_TASK_CONTINUE 1027
#define IDC_TASK_APPEND 1011
#define IDC_TASK_OVERWRITE 1013
#define IDC_TASK_NEW_EXTENSION 1014
#define IDC_TASK_NEW_FILE 1015
#define IDC_TASK_USE_TERMID 1046
#define IDC_TASK_USE_TIME 1047
#define IDC_TASK_USE_DATE 1048
#define IDC_TASK_ORDER 1055
#define IDC_TASK_TIME_FORMAT 1056
#define IDC_TASK_DATE_FORMAT 1057
#define IDC_TASK_USE_FILENAME 1058
#define IDC_TASK_XMIT_DRIVE 1033
#define IDC_TASK_XMIT_FILES 1034
#define IDC_TASK_XMIT_ADD 1026
#define IDC_TASK_XMIT_EDIT 1035
#define IDC_TASK_XMIT_DELETE 1036
#define IDC_TASK_XMIT_DELETE_ALL 1037

// Task strings.
#define IDS_TASK_GET_OS_VERSION 101
#define IDS_TASK_GET_APP_VERSION 102
#define IDS_TASK_GET_TIME_DATE 103
#define IDS_TASK_SET_TIME_DATE 104
#define IDS_TASK_RECEIVE_FILES 105
#define IDS_TASK_TRANSMIT_FILE 106
#define IDS_TASK_LIST_FILES 107
#define IDS_TASK_DELETE_FILES 196
#define IDS_DRIVE_RAM 108
#define IDS_DRIVE_INTERNAL 109
#define IDS_DRIVE_DEFAULT 110
#define IDS_GET_UPLOAD_FILES 111
#define IDS_FORMAT_FIRST 112        // labels of formats 0..15: 112..127
#define IDS_FORMAT_SECOND_FIRST 129 // labels of formats 16..19: 129..132
#define IDS_RECEIVE_TASK_FORMAT 133
#define IDS_TRANSMIT_TASK_FORMAT 134
#define IDS_RECEIVE_ORDERS 205
#define IDS_RECEIVE_TIME_FORMATS 206
#define IDS_RECEIVE_DATE_FORMATS 207
// ---- end of the tasks page and task dialogs ----
