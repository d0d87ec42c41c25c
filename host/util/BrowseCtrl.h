// A push button that paints itself and owns a single-line edit showing a path. Its button part
// opens the shell's folder browser (folder mode) or the file dialog (file mode); the chosen path is
// shown in the edit and becomes the control's path.
#pragma once

#include "framework/Wnd.h"

#include <commdlg.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

class CBrowseCtrl : public CWnd {
public:
    // Option bits.
    static const int BtnLeft = 0x01;     // button part left of the edit
    static const int UsePicture = 0x02;  // picture instead of the label
    static const int FlatFrame = 0x04;   // frame only while hovered or pressed
    static const int PicFolder = 0x08;   // open-folder picture
    static const int PicSecond = 0x10;
    static const int PicThird = 0x20;
    static const int Editable = 0x40;    // the user may type into the edit
    static const int FolderMode = 0x80;  // folder browser instead of the file dialog

    static const int EditId = 12345;
    static const int ToolId = 12346;

    // Answers the folder browser in place of the shell (tests): true and the path when chosen.
    using FolderHandler = std::function<bool(CBrowseCtrl& control, std::wstring& path)>;
    static FolderHandler SetFolderHandler(FolderHandler handler);

    CBrowseCtrl();
    ~CBrowseCtrl() override;

    virtual bool Create(const RECT& rect, CWnd* parent, UINT id, int options, UINT notifyMessage);
    // Takes over a button of a dialog template and initialises the control on it.
    bool Attach(HWND button);

    int GetOptions() const { return m_options; }
    void SetOptions(int options);
    void SetNotifyMessage(UINT message) { m_notifyMessage = message; }

    std::wstring GetPathName() const;
    void SetPathName(const wchar_t* path);

    // 1 when the user chose something, 2 when cancelled or a browse already runs.
    int Browse();

    const RECT& ButtonRect() const { return m_buttonRect; }
    HWND EditWindow() const { return m_edit; }

    std::wstring m_dialogCaption;
    std::wstring m_folderPrompt = L"Plseas select a folder from the list:";
    bool m_openFileDialog = true;
    DWORD m_fileDialogOptions =
        OFN_ENABLESIZING | OFN_EXPLORER | OFN_CREATEPROMPT | OFN_ALLOWMULTISELECT | OFN_OVERWRITEPROMPT;
    UINT m_folderBrowserFlags = BIF_RETURNONLYFSDIRS;
    std::wstring m_defaultExtension;
    std::wstring m_filter = L"All Files (*.*)|*.*||";
    std::wstring m_tooltipText = L"Browse";
    std::wstring m_label;

    bool PreTranslateMessage(MSG& msg) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool Initialise();
    void ComputeLayout(bool moveEdit);
    SIZE ContentSize();
    bool CreateEdit();
    bool CreateTooltip();
    void RedrawAll();
    void RedrawButton();
    void SelectEditText(bool all);
    void SetResultPaths(const std::vector<std::wstring>& paths);
    std::wstring FirstResultPath() const;
    void ShowChosenPath(const std::wstring& path);
    int BrowseFolder();
    int BrowseFile();
    void ClickAndNotify();
    void PostClickCommand();
    HWND ParentWindow() const;
    static int CALLBACK BrowseCallbackProc(HWND hwnd, UINT message, LPARAM lParam, LPARAM data);

    void OnPaint();
    void OnLButtonDown(POINT point);
    void OnLButtonUp(POINT point);
    void OnMouseMove(POINT point);
    void OnMouseLeave();
    void OnSetFocus(HWND previous);
    void OnKeyDown(WPARAM key);
    void OnKeyUp(WPARAM key);
    void OnEnable(bool enabled);
    void OnDestroy();
    void OnEditCommand(WORD code);

    void PaintFrame(HDC dc, COLORREF face);
    void PaintContent(HDC dc, const RECT& content, COLORREF face);
    void DrawPicture(HDC dc, bool enabled);

    UINT m_notifyMessage = 0;
    RECT m_buttonRect = {};
    RECT m_contentRect = {};
    RECT m_editRect = {};
    HWND m_edit = nullptr;
    HWND m_tooltip = nullptr;
    HFONT m_font = nullptr;
    bool m_editHasFocus = false;
    bool m_createdByCreate = false;
    int m_options = 0x0A;
    bool m_pressed = false;
    bool m_hover = false;
    bool m_busy = false;
    bool m_editChanged = false;
    std::wstring m_typedText;
    // Zero-separated full paths with one more zero at the end; empty when nothing was chosen.
    std::vector<wchar_t> m_result;
    bool m_hasResult = false;
};
