#include "query.h"

#include "../host/error_prefix.h"
#include "../host/host_contract.h"

static void UpperCaseAscii(wchar_t *text)
{
    for (int i = 0; i < FunctionBufferChars && text[i]; ++i) {
        if (text[i] >= L'a' && text[i] <= L'z')
            text[i] = (wchar_t)(text[i] - L'a' + L'A');
    }
}

static int RefuseBadPid(const wchar_t *text)
{
    WriteErrorPrefix();
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"Bad PID: \"%s\"\r\n", text);
    return -1;
}

// The host's variable function @tolvaris[pid]: replaces the argument in the
// host's buffer by "1", "0" or "-1". Returns 0, -1 after reporting a
// malformed process ID, or 1 for a null buffer.
extern "C" int f_tolvaris(wchar_t *buffer)
{
    if (!buffer)
        return 1;
    DWORD pid = 0;

    // The host's buffer holds FunctionBufferChars characters. Text with no
    // terminator among them breaks that contract and can only be a malformed
    // ID: it is cut to fit, so that nothing past the buffer is read, and
    // refused.
    int length = 0;
    while (length < FunctionBufferChars && buffer[length])
        ++length;
    const bool unterminated = length == FunctionBufferChars;
    if (unterminated)
        buffer[FunctionBufferChars - 1] = L'\0';

    TrimWhitespace(buffer);
    UpperCaseAscii(buffer);

    if (unterminated)
        return RefuseBadPid(buffer);
    if (buffer[0] == L'\0')
        pid = GetCurrentProcessId(); // the host's own process: we run inside it
    else if (ParsePid(buffer, &pid) != 0)
        return RefuseBadPid(buffer);

    wsprintfW(buffer, L"%d", ProbeElevation(pid));
    return 0;
}
