#include "SimFileStore.h"

#include <algorithm>

namespace {

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool CSimFileStore::NameLess::operator()(const std::string& a, const std::string& b) const
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(AsciiLower(x)) < static_cast<unsigned char>(AsciiLower(y));
    });
}

void CSimFileStore::Put(int drive, const std::string& name, SimBytes data)
{
    std::lock_guard<std::mutex> guard(m_lock);
    Drive& files = m_drives[drive];
    // Replacing keeps one entry, under the newest spelling of the name.
    files.erase(name);
    files.emplace(name, std::move(data));
}

bool CSimFileStore::Get(int drive, const std::string& name, SimBytes& data) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto d = m_drives.find(drive);
    if (d == m_drives.end()) {
        return false;
    }
    const auto f = d->second.find(name);
    if (f == d->second.end()) {
        return false;
    }
    data = f->second;
    return true;
}

bool CSimFileStore::Exists(int drive, const std::string& name) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto d = m_drives.find(drive);
    return d != m_drives.end() && d->second.count(name) != 0;
}

bool CSimFileStore::Remove(int drive, const std::string& name)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto d = m_drives.find(drive);
    return d != m_drives.end() && d->second.erase(name) != 0;
}

std::vector<std::string> CSimFileStore::Names(int drive) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<std::string> names;
    const auto d = m_drives.find(drive);
    if (d != m_drives.end()) {
        for (const auto& file : d->second) {
            names.push_back(file.first);
        }
    }
    return names;
}

void CSimFileStore::Clear()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_drives.clear();
}
