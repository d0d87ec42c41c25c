#include "Wexlinkctl1.h"

#include "Wexlink.h"

HRESULT CWexlinkctl1::Create(HWND form, UINT id)
{
    return CreateControlAtPlaceholder(CLSID_WexlinkCtl, DIID__IWexlinkCtlEvents, form, id);
}

short CWexlinkctl1::AddGetTerminalFileList(const std::wstring& queryFile, short terminalDrive)
{
    short result = 0;
    InvokeHelper(dispidAddGetTerminalFileList, DISPATCH_METHOD, VT_I2, &result,
                 {COleVariant(queryFile), COleVariant(terminalDrive)});
    return result;
}
