#include "Registrar.h"

#include <cwctype>

// Turns a script into entries. Every failure is a syntax error of the script.
class CRegistrar::Parser {
public:
    Parser(const std::wstring& text, const std::map<std::wstring, std::wstring>& replacements)
        : m_replacements(replacements),
          m_ok(Tokenize(text))
    {
    }

    // root name -> its entries
    bool ParseRoots(std::vector<std::pair<std::wstring, std::vector<Entry>>>& roots)
    {
        if (!m_ok)
            return false;
        while (m_next < m_tokens.size()) {
            const Token& name = m_tokens[m_next++];
            if (IsSymbol(name))
                return false;
            std::vector<Entry> entries;
            if (!Take(L"{") || !ParseBlock(entries))
                return false;
            roots.emplace_back(name.text, std::move(entries));
        }
        return true;
    }

private:
    struct Token {
        std::wstring text;
        bool quoted = false;
    };

    static bool IsSymbol(const Token& token)
    {
        return !token.quoted && (token.text == L"{" || token.text == L"}" || token.text == L"=");
    }

    bool Peek(const wchar_t* symbol) const
    {
        return m_next < m_tokens.size() && !m_tokens[m_next].quoted && m_tokens[m_next].text == symbol;
    }

    bool Take(const wchar_t* symbol)
    {
        if (!Peek(symbol))
            return false;
        ++m_next;
        return true;
    }

    // Entries up to and including the closing brace.
    bool ParseBlock(std::vector<Entry>& entries)
    {
        while (m_next < m_tokens.size()) {
            if (Take(L"}"))
                return true;
            Entry entry;
            if (!ParseEntry(entry))
                return false;
            entries.push_back(std::move(entry));
        }
        return false;
    }

    bool ParseEntry(Entry& entry)
    {
        // Keywords are barewords; a quoted 'NoRemove' is a key of that name.
        while (m_next < m_tokens.size() && !m_tokens[m_next].quoted) {
            const wchar_t* word = m_tokens[m_next].text.c_str();
            if (_wcsicmp(word, L"NoRemove") == 0)
                entry.noRemove = true;
            else if (_wcsicmp(word, L"ForceRemove") == 0)
                entry.forceRemove = true;
            else if (_wcsicmp(word, L"val") == 0)
                entry.isValue = true;
            else
                break;
            ++m_next;
        }
        if (m_next >= m_tokens.size() || IsSymbol(m_tokens[m_next]))
            return false;
        entry.name = m_tokens[m_next++].text;
        if (Take(L"=") && !ParseData(entry))
            return false;
        if (entry.isValue)
            return entry.hasData && !Peek(L"{");
        if (Take(L"{"))
            return ParseBlock(entry.children);
        return true;
    }

    bool ParseData(Entry& entry)
    {
        if (m_next + 1 >= m_tokens.size())
            return false;
        const Token& type = m_tokens[m_next];
        const Token& data = m_tokens[m_next + 1];
        if (type.quoted || type.text.size() != 1 || !data.quoted)
            return false;
        const wchar_t kind = static_cast<wchar_t>(std::towlower(type.text[0]));
        if (kind != L's' && kind != L'd')
            return false;
        m_next += 2;
        entry.hasData = true;
        entry.type = kind;
        entry.data = data.text;
        return true;
    }

    bool Tokenize(const std::wstring& text)
    {
        size_t pos = 0;
        for (;;) {
            while (pos < text.size() && std::iswspace(text[pos]))
                ++pos;
            if (pos >= text.size())
                return true;
            Token token;
            const wchar_t c = text[pos];
            if (c == L'{' || c == L'}' || c == L'=') {
                token.text.assign(1, c);
                ++pos;
            } else if (c == L'\'') {
                std::wstring raw;
                if (!ReadQuoted(text, pos, raw) || !Replace(raw, token.text))
                    return false;
                token.quoted = true;
            } else {
                const size_t start = pos;
                while (pos < text.size() && !std::iswspace(text[pos]) && text[pos] != L'{' && text[pos] != L'}' &&
                       text[pos] != L'=' && text[pos] != L'\'')
                    ++pos;
                if (!Replace(text.substr(start, pos - start), token.text))
                    return false;
            }
            m_tokens.push_back(std::move(token));
        }
    }

    // 'text' with '' standing for a quote inside.
    static bool ReadQuoted(const std::wstring& text, size_t& pos, std::wstring& raw)
    {
        ++pos;
        for (;;) {
            if (pos >= text.size())
                return false;
            if (text[pos] == L'\'') {
                if (pos + 1 < text.size() && text[pos + 1] == L'\'') {
                    raw += L'\'';
                    pos += 2;
                    continue;
                }
                ++pos;
                return true;
            }
            raw += text[pos++];
        }
    }

    bool Replace(const std::wstring& raw, std::wstring& out) const
    {
        out.clear();
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != L'%') {
                out += raw[i];
                continue;
            }
            const size_t end = raw.find(L'%', i + 1);
            if (end == std::wstring::npos)
                return false;
            const std::wstring name = raw.substr(i + 1, end - i - 1);
            if (name.empty()) {
                out += L'%';
            } else {
                const auto found = m_replacements.find(name);
                if (found == m_replacements.end())
                    return false;
                out += found->second;
            }
            i = end;
        }
        return true;
    }

    const std::map<std::wstring, std::wstring>& m_replacements;
    std::vector<Token> m_tokens;
    size_t m_next = 0;
    bool m_ok;
};

void CRegistrar::AddReplacement(const std::wstring& name, const std::wstring& value)
{
    m_replacements[name] = value;
}

HRESULT CRegistrar::RegisterScript(const std::wstring& script)
{
    return Run(script, true);
}

HRESULT CRegistrar::UnregisterScript(const std::wstring& script)
{
    return Run(script, false);
}

HRESULT CRegistrar::ResourceRegister(HMODULE module, UINT id, bool doRegister)
{
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), L"REGISTRY");
    if (!info)
        return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
    HGLOBAL loaded = LoadResource(module, info);
    const DWORD size = SizeofResource(module, info);
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes)
        return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
    std::wstring script;
    if (size > 0) {
        const int length = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), nullptr, 0);
        if (length <= 0)
            return HRESULT_FROM_WIN32(GetLastError());
        script.resize(static_cast<size_t>(length));
        MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), &script[0], length);
    }
    // Resource compilers may pad the data with NULs.
    const size_t end = script.find(L'\0');
    if (end != std::wstring::npos)
        script.resize(end);
    return Run(script, doRegister);
}

HRESULT CRegistrar::Run(const std::wstring& script, bool doRegister)
{
    std::vector<std::pair<std::wstring, std::vector<Entry>>> roots;
    Parser parser(script, m_replacements);
    if (!parser.ParseRoots(roots))
        return DISP_E_EXCEPTION;  // the script does not parse: nothing was written

    HRESULT first = S_OK;
    for (const auto& root : roots) {
        HKEY key = nullptr;
        CUniqueRegistryKey opened;
        HRESULT hr = OpenRoot(root.first, key, opened);
        if (SUCCEEDED(hr))
            hr = doRegister ? RegisterEntries(key, root.second) : UnregisterEntries(key, root.second);
        if (FAILED(hr) && SUCCEEDED(first)) {
            first = hr;
            if (doRegister)
                break;
        }
    }
    return first;
}

HRESULT CRegistrar::OpenRoot(const std::wstring& name, HKEY& root, CUniqueRegistryKey& opened) const
{
    if (_wcsicmp(name.c_str(), L"HKCR") == 0 || _wcsicmp(name.c_str(), L"HKEY_CLASSES_ROOT") == 0) {
        if (!m_perUser) {
            root = HKEY_CLASSES_ROOT;
            return S_OK;
        }
        const LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                        opened.Receive(), nullptr);
        if (rc != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(rc);
        root = opened.Get();
        return S_OK;
    }
    if (_wcsicmp(name.c_str(), L"HKCU") == 0 || _wcsicmp(name.c_str(), L"HKEY_CURRENT_USER") == 0) {
        root = HKEY_CURRENT_USER;
        return S_OK;
    }
    if (_wcsicmp(name.c_str(), L"HKLM") == 0 || _wcsicmp(name.c_str(), L"HKEY_LOCAL_MACHINE") == 0) {
        root = HKEY_LOCAL_MACHINE;
        return S_OK;
    }
    return DISP_E_EXCEPTION;
}

HRESULT CRegistrar::WriteData(HKEY key, const Entry& entry, const wchar_t* valueName)
{
    LONG rc;
    if (entry.type == L'd') {
        const DWORD number = wcstoul(entry.data.c_str(), nullptr, 0);
        rc = RegSetValueExW(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    } else {
        const DWORD bytes = static_cast<DWORD>((entry.data.size() + 1) * sizeof(wchar_t));
        rc = RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(entry.data.c_str()), bytes);
    }
    return HRESULT_FROM_WIN32(rc);
}

HRESULT CRegistrar::RegisterEntries(HKEY parent, const std::vector<Entry>& entries)
{
    for (const Entry& entry : entries) {
        if (entry.isValue) {
            const HRESULT hr = WriteData(parent, entry, entry.name.c_str());
            if (FAILED(hr))
                return hr;
            continue;
        }
        if (entry.forceRemove)
            RegDeleteTreeW(parent, entry.name.c_str());  // a missing key is fine
        CUniqueRegistryKey key;
        LONG rc =
            RegCreateKeyExW(parent, entry.name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr);
        if (rc != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(rc);
        HRESULT hr = entry.hasData ? WriteData(key.Get(), entry, nullptr) : S_OK;
        if (SUCCEEDED(hr))
            hr = RegisterEntries(key.Get(), entry.children);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

// Removes what the entries name. Keys or values that are already gone are not failures.
HRESULT CRegistrar::UnregisterEntries(HKEY parent, const std::vector<Entry>& entries)
{
    HRESULT first = S_OK;
    auto note = [&first](LONG rc) {
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND && SUCCEEDED(first))
            first = HRESULT_FROM_WIN32(rc);
    };
    for (const Entry& entry : entries) {
        if (entry.isValue) {
            note(RegDeleteValueW(parent, entry.name.c_str()));
            continue;
        }
        if (entry.forceRemove && !entry.noRemove) {
            note(RegDeleteTreeW(parent, entry.name.c_str()));
            note(RegDeleteKeyW(parent, entry.name.c_str()));
            continue;
        }
        CUniqueRegistryKey key;
        const LONG rc = RegOpenKeyExW(parent, entry.name.c_str(), 0, KEY_ALL_ACCESS, key.Receive());
        if (rc == ERROR_FILE_NOT_FOUND)
            continue;
        if (rc != ERROR_SUCCESS) {
            note(rc);
            continue;
        }
        const HRESULT hr = UnregisterEntries(key.Get(), entry.children);
        if (FAILED(hr) && SUCCEEDED(first))
            first = hr;
        key.Reset();  // closed before the key itself is deleted
        if (!entry.noRemove) {
            // A key that still holds subkeys of someone else's is kept rather than destroyed.
            const LONG deleted = RegDeleteKeyW(parent, entry.name.c_str());
            if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND && deleted != ERROR_ACCESS_DENIED)
                note(deleted);
        }
    }
    return first;
}
