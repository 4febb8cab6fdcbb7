// standin-host/shared/utf8.h, shared by the stand-in host and the tests: wide
// text to UTF-8 and back, for the host's files, pipes and batch files, and for
// the tests that read what it wrote.
#ifndef STANDIN_UTF8_H
#define STANDIN_UTF8_H

#include <windows.h>

#include <string>

static inline std::string Utf8(const std::wstring &text)
{
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string utf8(bytes > 0 ? bytes : 0, '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &utf8[0], bytes, NULL, NULL);
    return utf8;
}

static inline std::wstring FromUtf8(const char *bytes, size_t count)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, bytes, (int)count, NULL, 0);
    std::wstring text(length > 0 ? length : 0, L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, bytes, (int)count, &text[0], length);
    return text;
}

#endif
