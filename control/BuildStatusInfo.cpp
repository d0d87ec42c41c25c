#include "BuildStatusInfo.h"

namespace {

// Status ids that are reported every time, even twice in a row: one line of a file listing, one
// deleted file, and the end of a session.
bool IsAlwaysNew(StatusInfoId id)
{
    return id == StatusId::ListedFile || id == StatusId::SessionComplete || id == StatusId::FileDeleted;
}

// Replaces the placeholders of text in order: the first "%s" by first, the second by second, any
// further one by nothing. Inserted arguments are never scanned again, so a '%' in a file name stays.
std::wstring FillPlaceholders(const std::wstring& text, const std::wstring& first, const std::wstring& second)
{
    std::wstring result;
    result.reserve(text.size() + first.size() + second.size());
    int filled = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%' && i + 1 < text.size() && text[i + 1] == L's') {
            if (filled == 0)
                result += first;
            else if (filled == 1)
                result += second;
            ++filled;
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

}  // namespace

void CBuildStatusInfo::Build(ProtocolCode code, std::wstring first, std::wstring second)
{
    const StatusMessageEntry* entry = FindStatusMessage(code);
    if (entry == nullptr) {
        statusId = StatusId::None;
        message = L"Unknown";
        changed = false;
        return;
    }

    if (IsAlwaysNew(entry->statusInfoId))
        statusId = StatusId::None;
    changed = entry->statusInfoId != statusId;
    statusId = entry->statusInfoId;

    const std::wstring text = entry->text;
    if (first.empty())
        message = text;  // placeholders stay visible, whatever second holds
    else if (text.empty())
        message = second.empty() ? first : std::wstring();  // an empty text shows a lone argument
    else
        message = FillPlaceholders(text, first, second);  // a missing second fills with nothing
}
