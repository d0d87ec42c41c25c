#include "Proxy_IWexlinkCtlEvents.h"

void CProxy_IWexlinkCtlEvents::FireAll(DISPID id, VARIANTARG* args, UINT count)
{
    for (const CComRef<IDispatch>& sink : m_point.Sinks()) {
        DISPPARAMS params{args, nullptr, count, 0};
        sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }
}

void CProxy_IWexlinkCtlEvents::Fire_Connected(long terminalID)
{
    VARIANTARG args[1];
    VariantInit(&args[0]);
    V_VT(&args[0]) = VT_I4;
    V_I4(&args[0]) = terminalID;
    FireAll(DispidConnected, args, 1);
}

void CProxy_IWexlinkCtlEvents::Fire_Progress(short percentage)
{
    VARIANTARG args[1];
    VariantInit(&args[0]);
    V_VT(&args[0]) = VT_I2;
    V_I2(&args[0]) = percentage;
    FireAll(DispidProgress, args, 1);
}

void CProxy_IWexlinkCtlEvents::Fire_StatusInformation(short status, BSTR message)
{
    VARIANTARG args[2];
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    V_VT(&args[0]) = VT_BSTR;  // message, the last parameter
    V_BSTR(&args[0]) = message;
    V_VT(&args[1]) = VT_I2;
    V_I2(&args[1]) = status;
    FireAll(DispidStatusInformation, args, 2);
}
