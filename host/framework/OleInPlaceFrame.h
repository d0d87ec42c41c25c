// The in-place frame that the control site hands an embedded control. The program's frame has no
// menus, tool space or status text to share with a control, so each request is answered as such;
// what an in-place object may rely on is that a frame is there to ask and that it names the
// top-level window.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleidl.h>

class COleInPlaceFrame : public IOleInPlaceFrame {
public:
    // The caller holds the first reference; null when there is no memory.
    static COleInPlaceFrame* Create(HWND frameWindow);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;

    // IOleInPlaceUIWindow: no tool space
    STDMETHODIMP GetBorder(LPRECT border) override;
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) override;

    // IOleInPlaceFrame: no menus to merge, no status text, no accelerators of the control's
    STDMETHODIMP InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
    STDMETHODIMP SetMenu(HMENU shared, HOLEMENU descriptor, HWND activeObject) override;
    STDMETHODIMP RemoveMenus(HMENU shared) override;
    STDMETHODIMP SetStatusText(LPCOLESTR text) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;
    STDMETHODIMP TranslateAccelerator(LPMSG msg, WORD id) override;

private:
    explicit COleInPlaceFrame(HWND frameWindow) : m_frameWindow(frameWindow) {}
    virtual ~COleInPlaceFrame() = default;

    LONG m_refs = 1;
    HWND m_frameWindow;
};
