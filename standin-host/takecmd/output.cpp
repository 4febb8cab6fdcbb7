// takecmd/output.cpp, part of the stand-in TakeCmd.dll: writes text to a
// console or as UTF-8, to the host's standard output (redirected or not) and
// error; a plug-in's Qprintf and Printf.
#include <stdarg.h>
#include <stdio.h>

#include <vector>

#include "output.h"
#include "utf8.h"

void WriteText(HANDLE file, const std::wstring &text)
{
    if (file == NULL || file == INVALID_HANDLE_VALUE || text.empty())
        return;
    DWORD mode, written;
    if (GetConsoleMode(file, &mode)) {
        WriteConsoleW(file, text.data(), (DWORD)text.size(), &written, NULL);
        return;
    }
    const std::string utf8 = Utf8(text);
    WriteFile(file, utf8.data(), (DWORD)utf8.size(), &written, NULL);
}

void WriteError(const std::wstring &text)
{
    WriteText(GetStdHandle(STD_ERROR_HANDLE), text);
}

static HANDLE RedirectedOutput; // NULL: not redirected

void HostRedirectOutput(HANDLE file)
{
    RedirectedOutput = file;
}

HANDLE HostOutput(void)
{
    return RedirectedOutput ? RedirectedOutput : GetStdHandle(STD_OUTPUT_HANDLE);
}

// The C runtime's own wide formatting, in which %s takes a wide string.
static std::wstring Format(const wchar_t *format, va_list arguments)
{
    va_list counting;
    va_copy(counting, arguments);
    int length = _vscwprintf(format, counting);
    va_end(counting);
    if (length <= 0)
        return std::wstring();
    std::vector<wchar_t> text(length + 1);
    _vsnwprintf(text.data(), text.size(), format, arguments);
    return std::wstring(text.data(), length);
}

int Qprintf(HANDLE file, const wchar_t *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    std::wstring text = Format(format, arguments);
    va_end(arguments);
    WriteText(file, text);
    return (int)text.size();
}

int Printf(const wchar_t *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    std::wstring text = Format(format, arguments);
    va_end(arguments);
    WriteText(HostOutput(), text);
    return (int)text.size();
}
