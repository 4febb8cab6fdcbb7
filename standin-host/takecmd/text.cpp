// takecmd/text.cpp, part of the stand-in TakeCmd.dll: small helpers on text.
#include "text.h"

std::wstring Trimmed(const std::wstring &text)
{
    size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}
