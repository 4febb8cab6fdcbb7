// The stand-in host program: loads the plug-ins beside it and evaluates
// command lines with the stand-in TakeCmd.dll.
//
//   tcc /c COMMAND    runs one command and exits (_transient is 1)
//   tcc FILE.btm      runs a batch file (what follows its name is ignored)
//   tcc               reads commands from standard input, one a line
#include <string>

#include "takecmd/takecmd.h"

// The command line after the program's own name.
static std::wstring Arguments(void)
{
    const wchar_t *cursor = GetCommandLineW();
    if (*cursor == L'"') {
        for (++cursor; *cursor && *cursor != L'"'; ++cursor) {}
        if (*cursor)
            ++cursor;
    } else {
        while (*cursor && *cursor != L' ' && *cursor != L'\t')
            ++cursor;
    }
    while (*cursor == L' ' || *cursor == L'\t')
        ++cursor;
    return cursor;
}

// A batch file's name: the first word, or the text between leading quotes.
static std::wstring FirstWord(const std::wstring &arguments)
{
    if (arguments[0] == L'"')
        return arguments.substr(1, arguments.find(L'"', 1) - 1);
    return arguments.substr(0, arguments.find_first_of(L" \t"));
}

static bool ReadLine(HANDLE input, std::wstring &line)
{
    line.clear();
    DWORD mode;
    if (GetConsoleMode(input, &mode)) {
        wchar_t buffer[FunctionBufferChars];
        DWORD read = 0;
        if (!ReadConsoleW(input, buffer, FunctionBufferChars - 1, &read, NULL) || read == 0)
            return false;
        line.assign(buffer, read);
    } else {
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
        int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), (int)bytes.size(), NULL, 0);
        line.resize(length);
        if (length > 0)
            MultiByteToWideChar(CP_UTF8, 0, bytes.data(), (int)bytes.size(), &line[0], length);
    }
    while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r'))
        line.pop_back();
    return true;
}

int wmain()
{
    std::wstring arguments = Arguments();
    const bool transient = arguments.size() >= 2 && arguments[0] == L'/' &&
                           (arguments[1] == L'c' || arguments[1] == L'C') &&
                           (arguments.size() == 2 || arguments[2] == L' ');
    HostSetTransient(transient);
    HostLoadPluginFolder();

    int status = 0;
    if (transient) {
        status = HostExecute(arguments.c_str() + 2);
    } else if (!arguments.empty()) {
        status = HostRunBatch(FirstWord(arguments).c_str());
    } else {
        HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
        DWORD mode;
        const bool interactive = GetConsoleMode(input, &mode);
        std::wstring line;
        for (;;) {
            if (interactive)
                Printf(L"> ");
            if (!ReadLine(input, line) || lstrcmpiW(line.c_str(), L"exit") == 0)
                break;
            status = HostExecute(line.c_str());
        }
    }

    HostUnloadPlugins();
    return status;
}
