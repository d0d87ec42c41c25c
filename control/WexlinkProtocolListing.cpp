// File listing (0x30-0x33) and file deletion (0x40-0x43) on the terminal, and the terminal name
// field that the file commands share.
#include "WexlinkProtocol.h"

#include <algorithm>

CWexlinkProtocol::TerminalNameField CWexlinkProtocol::BuildTerminalNameField(const std::string& name,
                                                                             std::int16_t drive)
{
    constexpr size_t NameBytes = 12;
    TerminalNameField field{};
    std::copy_n(name.begin(), std::min(name.size(), NameBytes), field.begin());
    field[13] = static_cast<BYTE>(static_cast<std::uint16_t>(drive) & 0xFF);
    return field;
}
