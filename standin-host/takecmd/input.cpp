// takecmd/input.cpp, part of the stand-in TakeCmd.dll: the host's standard
// input, one line at a time. Lines are read on a thread of their own, and
// only when someone asks for one, so that two waiters can share them: the
// session between commands, and a help box's watcher while a plug-in's Help
// blocks the session (an Enter then closes the box). A line asked for and not
// yet typed stays asked for: whoever asks next gets it.
#include "input.h"
#include "output.h"
#include "takecmd.h"
#include "utf8.h"

namespace {
HANDLE Wanted;     // auto-reset: the reader is to read one line
HANDLE Ready;      // manual-reset: a line, or the end of input, has been read
bool Requested;    // a line has been asked for and not yet taken
bool Ended;        // the reader has met the end of input; it stays ended
std::wstring Read; // the line the reader left, without its line ending

bool ReadFromConsole(HANDLE input, std::wstring &line)
{
    wchar_t buffer[FunctionBufferChars];
    DWORD read = 0;
    // Ctrl-D wakes the read at once, so that it can end the session as it
    // would in a Unix shell; Windows' own Ctrl-Z and Enter works too.
    CONSOLE_READCONSOLE_CONTROL control = {sizeof control, 0, 1u << 4, 0};
    if (!ReadConsoleW(input, buffer, FunctionBufferChars - 1, &read, &control) || read == 0)
        return false;
    line.assign(buffer, read);
    if (line.find(L'\x04') != std::wstring::npos) {
        WriteText(GetStdHandle(STD_OUTPUT_HANDLE), L"\r\n"); // the console echoed no Enter
        return false;
    }
    return line.rfind(L'\x1a', 0) != 0;
}

// A file or pipe: UTF-8, a line ending at '\n'.
bool ReadFromFile(HANDLE input, std::wstring &line)
{
    std::string bytes;
    char c;
    DWORD read;
    bool any = false;
    while (ReadFile(input, &c, 1, &read, NULL) && read == 1) {
        any = true;
        if (c == '\n')
            break;
        bytes += c;
    }
    if (!any)
        return false;
    line = FromUtf8(bytes.data(), bytes.size());
    return true;
}

DWORD WINAPI ReadLines(void *)
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    const bool console = InputIsConsole();
    for (;;) {
        // Waiting for the next request, and then for a person to type: no
        // time limit is right for either. The thread ends with the process.
        WaitForSingleObject(Wanted, INFINITE);
        std::wstring line;
        bool got = console ? ReadFromConsole(input, line) : ReadFromFile(input, line);
        while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r'))
            line.pop_back();
        Read = line;
        Ended = !got;
        SetEvent(Ready);
        if (!got)
            return 0;
    }
}

bool StartReader(void)
{
    static bool started = false;
    if (started)
        return true;
    Wanted = CreateEventW(NULL, FALSE, FALSE, NULL);
    Ready = CreateEventW(NULL, TRUE, FALSE, NULL);
    HANDLE thread = Wanted && Ready ? CreateThread(NULL, 0, ReadLines, NULL, 0, NULL) : NULL;
    if (!thread)
        return false;
    CloseHandle(thread); // it runs on, and ends with the process
    started = true;
    return true;
}
} // namespace

bool InputIsConsole(void)
{
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

InputWait NextInputLine(std::wstring &line, HANDLE stop)
{
    if (!StartReader())
        return InputEnded;
    if (!Requested) {
        if (Ended) // Ready stays set: nothing more will come
            return InputEnded;
        ResetEvent(Ready);
        Requested = true;
        SetEvent(Wanted);
    }
    HANDLE waits[2] = {Ready, stop};
    DWORD woken = WaitForMultipleObjects(stop ? 2 : 1, waits, FALSE, INFINITE);
    if (woken != WAIT_OBJECT_0)
        return WaitStopped;
    Requested = false;
    if (Ended)
        return InputEnded;
    line = Read;
    return LineRead;
}
