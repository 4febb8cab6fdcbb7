// takecmd/expand.cpp, part of the stand-in TakeCmd.dll: expands a line's
// variables (the process's environment, the host's built-in ones and the
// overrides tests set) and variable functions, which the plug-ins answer.
#include <map>

#include "expand.h"
#include "host_state.h"
#include "plugins.h"

static std::wstring Lowered(std::wstring text)
{
    if (!text.empty())
        CharLowerBuffW(&text[0], (DWORD)text.size());
    return text;
}

static std::map<std::wstring, std::wstring> &Overrides(void)
{
    static std::map<std::wstring, std::wstring> overrides;
    return overrides;
}

void HostOverrideVariable(const wchar_t *name, const wchar_t *value)
{
    if (!name)
        return;
    if (value)
        Overrides()[Lowered(name)] = value;
    else
        Overrides().erase(Lowered(name));
}

static std::wstring LookupVariable(const std::wstring &name)
{
    const std::wstring key = Lowered(name);
    auto found = Overrides().find(key);
    if (found != Overrides().end())
        return found->second;

    const BatchFrame *batch = CurrentBatch();
    if (key == L"_batch")
        return std::to_wstring(BatchDepth()); // 0 outside any batch file
    if (key == L"_batchname")
        return batch ? batch->name : std::wstring();
    if (key == L"_batchline")
        return std::to_wstring(batch ? batch->line : -1);
    if (key == L"_transient")
        return IsTransient() ? L"1" : L"0";
    if (key == L"_pid")
        return std::to_wstring(GetCurrentProcessId());
    if (key == L"_pipe")
        return GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_PIPE ? L"1" : L"0";

    wchar_t value[32768];
    DWORD length = GetEnvironmentVariableW(key.c_str(), value, 32768);
    return length > 0 && length < 32768 ? std::wstring(value, length) : std::wstring();
}

static bool IsNameStart(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_';
}

static bool IsNameChar(wchar_t c)
{
    return IsNameStart(c) || (c >= L'0' && c <= L'9') || c == L'$';
}

// The index of the ']' that closes the '[' at open, counting nested pairs;
// npos when it is not closed.
static size_t MatchingBracket(const std::wstring &text, size_t open)
{
    int depth = 0;
    for (size_t i = open; i < text.size(); ++i) {
        if (text[i] == L'[')
            ++depth;
        else if (text[i] == L']' && --depth == 0)
            return i;
    }
    return std::wstring::npos;
}

// %% is a percent sign; %[name] and %name (optionally closed by a second %)
// are variables, unset ones expanding to nothing; %@name[argument] is a
// variable function, whose argument is expanded before it is called.
bool Expand(const std::wstring &text, std::wstring &expanded)
{
    const size_t npos = std::wstring::npos;
    for (size_t i = 0; i < text.size();) {
        const wchar_t next = i + 1 < text.size() ? text[i + 1] : L'\0';
        if (text[i] != L'%' || next == L'\0') {
            expanded += text[i++];
        } else if (next == L'%') {
            expanded += L'%';
            i += 2;
        } else if (next == L'[') {
            size_t close = MatchingBracket(text, i + 1);
            if (close == npos) {
                expanded += text[i++];
                continue;
            }
            std::wstring name;
            if (!Expand(text.substr(i + 2, close - i - 2), name))
                return false;
            expanded += LookupVariable(name);
            i = close + 1;
        } else if (next == L'@') {
            size_t nameEnd = i + 2;
            while (nameEnd < text.size() && IsNameChar(text[nameEnd]))
                ++nameEnd;
            size_t close = nameEnd < text.size() && text[nameEnd] == L'['
                               ? MatchingBracket(text, nameEnd)
                               : npos;
            if (nameEnd == i + 2 || close == npos) {
                expanded += text[i++];
                continue;
            }
            std::wstring argument, result;
            if (!Expand(text.substr(nameEnd + 1, close - nameEnd - 1), argument) ||
                !CallPluginFunction(text.substr(i + 2, nameEnd - i - 2), argument, result))
                return false;
            expanded += result;
            i = close + 1;
        } else if (IsNameStart(next)) {
            size_t end = i + 1;
            while (end < text.size() && IsNameChar(text[end]))
                ++end;
            expanded += LookupVariable(text.substr(i + 1, end - i - 1));
            i = end < text.size() && text[end] == L'%' ? end + 1 : end;
        } else {
            expanded += text[i++];
        }
    }
    return true;
}

int ExpandVariables(wchar_t *text, int)
{
    if (!text)
        return -1;
    std::wstring expanded;
    if (!Expand(text, expanded))
        return -1;
    size_t length =
        expanded.size() < ServiceExpansionChars ? expanded.size() : ServiceExpansionChars - 1;
    expanded.copy(text, length);
    text[length] = L'\0';
    return 0;
}
