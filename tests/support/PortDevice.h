#pragma once
// Devices of the "Ports" setup class for the virtual serial lines. Wine's SetupAPI lists no serial port
// of its own, so the harness registers one device per virtual port whose device key holds
// PortName = "COMn"; removing that device is how a test unplugs an adapter.

#include <string>
#include <vector>

// Registers a device of the "Ports" class with PortName "COM<comNumber>" and a friendly name. Adding a
// port that is already registered adds no second device and succeeds.
bool AddPortsDevice(int comNumber);

// Removes every device of the "Ports" class whose PortName is "COM<comNumber>" (any case). Succeeds
// when no such device is left, including when there was none.
bool RemovePortsDevice(int comNumber);

// True when a present device of the "Ports" class has PortName "COM<comNumber>".
bool IsPortsDevicePresent(int comNumber);

// The PortName values of the present devices of the "Ports" class, as SetupAPI lists them.
std::vector<std::wstring> ListPortsDeviceNames();

// Registers the port for the guard's lifetime and removes it on destruction.
class CPortDevice {
public:
    explicit CPortDevice(int comNumber);
    ~CPortDevice();
    CPortDevice(const CPortDevice&) = delete;
    CPortDevice& operator=(const CPortDevice&) = delete;

    bool IsAdded() const { return m_added; }

    // Unplugs and replugs the port while the guard lives.
    bool Remove();
    bool Add();

private:
    int m_comNumber;
    bool m_added = false;
};
