// tcc.cpp, the stand-in host program (tcc.exe): loads the plug-ins beside it
// and evaluates command lines with the stand-in TakeCmd.dll.
//
//   tcc /c COMMAND    runs one command and exits (_transient is 1); a
//                     COMMAND quoted whole, as one argument, is unquoted
//   tcc FILE.btm      runs a batch file (what follows its name is ignored)
//   tcc               reads commands from standard input, one a line, until
//                     `exit [code]` or the end of input
//   tcc /?            prints its usage; any other option is refused with it
//
// The exit status is `exit`'s code; otherwise that of the one command (/c),
// 0 for a batch file that could be read, the last command's in a session;
// 2 for an unknown option.
#include <windows.h>

#include <shellapi.h>

#include <string>

#include "command_line.h"
#include "takecmd/takecmd.h"
#include "utf8.h"

static const char Usage[] =
    "Usage: tcc [/c COMMAND | FILE.btm]\r\n"
    "  /c COMMAND  runs one command and exits\r\n"
    "  FILE.btm    runs a batch file\r\n"
    "  (nothing)   reads commands from standard input until exit\r\n";

static void WriteStandard(DWORD stream, const std::string &text)
{
    DWORD written;
    WriteFile(GetStdHandle(stream), text.data(), (DWORD)text.size(), &written, NULL);
}

// A batch file's name: the first word, or the text between leading quotes.
static std::wstring FirstWord(const std::wstring &arguments)
{
    if (arguments[0] == L'"')
        return arguments.substr(1, arguments.find(L'"', 1) - 1);
    return arguments.substr(0, arguments.find_first_of(L" \t"));
}

// /c's command as a Unix shell passes it, through Wine, in one argument with
// spaces ("echo %@tolvaris[]", quoted by Wine): the argument a C program
// would read, when the whole text is that one quoted argument.
static std::wstring CommandOfSlashC(const std::wstring &text)
{
    size_t start = text.find_first_not_of(L" \t");
    if (start == std::wstring::npos || text[start] != L'"' || text.back() != L'"')
        return text;
    int count = 0;
    wchar_t **words = CommandLineToArgvW((L"tcc " + text.substr(start)).c_str(), &count);
    std::wstring command = words && count == 2 ? words[1] : text;
    LocalFree(words);
    return command;
}

int wmain()
{
    std::wstring arguments = ArgumentsAfterProgramName();
    const std::wstring first = arguments.empty() ? L"" : FirstWord(arguments);
    // An option is a slash and a word; "/work/x.btm" is a batch file.
    const bool option = first.size() >= 2 && first[0] == L'/' &&
                        first.find_first_of(L"/\\.", 1) == std::wstring::npos;
    const bool transient = option && lstrcmpiW(first.c_str(), L"/c") == 0;
    if (option && first == L"/?") {
        WriteStandard(STD_OUTPUT_HANDLE, Usage);
        return 0;
    }
    if (option && !transient) {
        WriteStandard(STD_ERROR_HANDLE, "TCC: Unknown option \"" + Utf8(first) + "\"\r\n" + Usage);
        return 2;
    }
    HostSetTransient(transient);
    HostLoadPluginFolder();

    int status;
    if (transient) {
        status = HostExecute(CommandOfSlashC(arguments.substr(2)).c_str());
    } else if (!arguments.empty()) {
        status = HostRunBatch(first.c_str());
        HostExitRequested(&status); // `exit [code]` in the batch file
    } else {
        status = HostRunSession();
    }

    HostUnloadPlugins();
    return status;
}
