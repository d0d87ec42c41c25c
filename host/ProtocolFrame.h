// What the protocol view needs of the window around it: the progress bar and the balloons of the
// notification-area icon. The view knows the frame by this alone.
#pragma once

#include <string>

class IProtocolFrame {
public:
    // Shows the status bar's progress bar at the percentage.
    virtual void ShowProgress(short percentage) = 0;
    // A report of the control as a balloon, while the window sits in the notification area and
    // the user wants them there.
    virtual void ShowStatusBalloon(const std::wstring& message) = 0;

protected:
    ~IProtocolFrame() = default;
};
