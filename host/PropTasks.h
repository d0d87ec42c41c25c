// The Protocol Tasks page of the settings sheet: edits a working copy of the task list, shown as
// icon items with a bold title and a detail line; OK of the sheet puts the copy in place.
#pragma once

#include "WexlinkObj.h"
#include "framework/ComboBox.h"
#include "framework/PropertyPage.h"
#include "util/IconListBox.h"

#include <commctrl.h>

#include <vector>

class CPropTasks : public CPropertyPage {
public:
    // appTasks is the application's task list; it changes only when the sheet closes with OK.
    explicit CPropTasks(std::vector<CWexlinkObj>& appTasks);
    ~CPropTasks() override;

    bool PreTranslateMessage(MSG& msg) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;
    bool OnControlCommand(UINT id, UINT code, HWND control) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateImageList();
    void FillTaskTypes();
    void FillTaskList();
    void UpdateButtons();
    void OnAddTask();
    void OnEditTask();
    void OnDeleteTask();
    void OnDeleteAllTasks();
    int OnVKeyToItem(UINT key, int caret);

    void AppendTask(const CWexlinkObj& task);
    // The task built by the dialog of its kind, filled from the template; false when cancelled or
    // when nothing is left (an edited transmit task whose file was removed gives an empty list).
    bool RunTaskDialog(const CWexlinkObj& from, bool editing, std::vector<CWexlinkObj>& made);
    std::wstring TitleOf(int kind) const;
    int SelectedIndex() const;
    bool HasParameters(int kind) const;

    std::vector<CWexlinkObj>& m_appTasks;
    std::vector<CWexlinkObj> m_tasks;
    HIMAGELIST m_images = nullptr;
    HICON m_blankIcon = nullptr;
    CIconListBox m_taskList;
    CComboBox m_taskType;
    bool m_initialised = false;
};
