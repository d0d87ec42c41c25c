// Identifiers that the framework gives meaning to: standard commands, framework strings and the
// child-window ids of the frame. Plain #defines so that resource scripts can include this file.
#pragma once

// Commands the framework handles or routes.
#define ID_FILE_NEW 57600
#define ID_FILE_OPEN 57601
#define ID_FILE_SAVE 57603
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_PASTE 57637
#define ID_EDIT_UNDO 57643
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_HELP_FINDER 57667
#define ID_CONTEXT_HELP 57669
#define ID_HELP 57670
#define ID_DEFAULT_HELP 57671
#define ID_NEXT_PANE 57680
#define ID_PREV_PANE 57681

// Framework strings.
#define IDS_APP_TITLE 57344
#define IDS_IDLE_MESSAGE 57345
#define IDS_UNTITLED 61440
#define IDS_FAILED_TO_OPEN_DOC 61700
// Data-exchange messages of dialogs.
#define IDS_PARSE_INT 61712
#define IDS_PARSE_INT_RANGE 61714

// Child windows of a frame.
#define IDW_STATUS_BAR 0xE801
#define IDW_PANE_FIRST 0xE900
