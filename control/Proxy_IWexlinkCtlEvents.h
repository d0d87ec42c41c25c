#pragma once
// Fires the three events of _IWexlinkCtlEvents at every sink advised on the control's connection
// point. A sink's result is ignored; one failing sink does not keep the others from their call.

#include <oaidl.h>

#include "WexlinkDispIds.h"
#include "com/ConnectionPoint.h"

class CProxy_IWexlinkCtlEvents {
public:
    static constexpr DISPID DispidConnected = DISPID_WEXLINK_CONNECTED;
    static constexpr DISPID DispidProgress = DISPID_WEXLINK_PROGRESS;
    static constexpr DISPID DispidStatusInformation = DISPID_WEXLINK_STATUSINFORMATION;

    explicit CProxy_IWexlinkCtlEvents(CConnectionPoint& point) : m_point(point) {}

    void Fire_Connected(long terminalID);
    void Fire_Progress(short percentage);
    void Fire_StatusInformation(short status, BSTR message);

private:
    // `args` in IDispatch's order: the last parameter first.
    void FireAll(DISPID id, VARIANTARG* args, UINT count);

    CConnectionPoint& m_point;
};
