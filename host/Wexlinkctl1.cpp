#include "Wexlinkctl1.h"

#include "Wexlink.h"

HRESULT CWexlinkctl1::Create(HWND form, UINT id)
{
    return CreateControlAtPlaceholder(CLSID_WexlinkCtl, DIID__IWexlinkCtlEvents, form, id);
}

short CWexlinkctl1::AddGetTerminalFileList(const std::wstring& queryFile, short terminalDrive)
{
    short result = 0;
    HRESULT hr = InvokeHelper(dispidAddGetTerminalFileList, DISPATCH_METHOD, VT_I2, &result,
                              {COleVariant(queryFile), COleVariant(terminalDrive)});
    // 0 means the listing was queued; a call that never reached the control queued nothing.
    return SUCCEEDED(hr) ? result : callFailed;
}
