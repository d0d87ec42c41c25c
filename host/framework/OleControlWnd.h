// A window of the framework that stands for an embedded ActiveX control: it creates the control
// through a control site, receives the control's events through an event sink whose handlers its
// owner registers by DISPID, and calls the control's automation interface by DISPID.
#pragma once

#include "ComRef.h"
#include "framework/OleControlSite.h"
#include "framework/OleEventSink.h"
#include "framework/OleVariant.h"
#include "framework/Wnd.h"

#include <map>
#include <vector>

class COleControlWnd : public CWnd {
public:
    COleControlWnd() = default;
    // Takes the control down if its owner has not.
    ~COleControlWnd() override;

    // The handler of one event of the control; register them before the control is created.
    void SetEventHandler(DISPID id, COleEventSink::Handler handler);

    // Creates the control in `parent` at `position` (client coordinates) with the child id `id`,
    // its events connected to the handlers. A failure when the control cannot be made or activated.
    HRESULT CreateControl(REFCLSID clsid, REFIID eventIid, HWND parent, const RECT& position, UINT id);
    // Creates the control where the dialog's child `id` (a placeholder) sits, and removes the
    // placeholder. The control's window then carries the id.
    HRESULT CreateControlAtPlaceholder(REFCLSID clsid, REFIID eventIid, HWND dialog, UINT id);
    // From here on the control's events reach no handler; the control stays connected.
    void DisconnectEvents();
    // Disconnects the events, closes and releases the control. Safe to call more than once.
    void DestroyControl();
    bool HasControl() const { return static_cast<bool>(m_dispatch); }

    // Calls an automation object that lives elsewhere in place of an embedded control.
    void AttachDispatch(IDispatch* dispatch) { m_dispatch = CComRef<IDispatch>(dispatch); }

    // Calls the control: `kind` is DISPATCH_METHOD, DISPATCH_PROPERTYGET or DISPATCH_PROPERTYPUT,
    // `arguments` in declaration order. A result of `resultType` VT_I2 goes to a short, VT_I4 to a
    // long, VT_BSTR to a std::wstring; VT_EMPTY ignores it. Without a control: OLE_E_BLANK.
    HRESULT InvokeHelper(DISPID id, WORD kind, VARTYPE resultType, void* result,
                         const std::vector<COleVariant>& arguments = {});

private:
    static bool StoreResult(COleVariant& value, VARTYPE resultType, void* result);

    CComRef<COleControlSite> m_site;
    CComRef<COleEventSink> m_sink;
    CComRef<IDispatch> m_dispatch;
    std::map<DISPID, COleEventSink::Handler> m_handlers;
};
