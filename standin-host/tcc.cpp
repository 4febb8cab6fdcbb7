// The stand-in host program: loads the plug-ins beside it and evaluates
// command lines with the stand-in TakeCmd.dll.
//
//   tcc /c COMMAND    runs one command and exits (_transient is 1)
//   tcc FILE.btm      runs a batch file (what follows its name is ignored)
//   tcc               reads commands from standard input, one a line, until
//                     `exit [code]` or the end of input
//
// The exit status is `exit`'s code; otherwise that of the one command (/c),
// 0 for a batch file that could be read, the last command's in a session.
#include <string>

#include "command_line.h"
#include "takecmd/takecmd.h"

// A batch file's name: the first word, or the text between leading quotes.
static std::wstring FirstWord(const std::wstring &arguments)
{
    if (arguments[0] == L'"')
        return arguments.substr(1, arguments.find(L'"', 1) - 1);
    return arguments.substr(0, arguments.find_first_of(L" \t"));
}

int wmain()
{
    std::wstring arguments = ArgumentsAfterProgramName();
    const bool transient = arguments.size() >= 2 && arguments[0] == L'/' &&
                           (arguments[1] == L'c' || arguments[1] == L'C') &&
                           (arguments.size() == 2 || arguments[2] == L' ');
    HostSetTransient(transient);
    HostLoadPluginFolder();

    int status;
    if (transient) {
        status = HostExecute(arguments.c_str() + 2);
    } else if (!arguments.empty()) {
        status = HostRunBatch(FirstWord(arguments).c_str());
        HostExitRequested(&status); // `exit [code]` in the batch file
    } else {
        status = HostRunSession();
    }

    HostUnloadPlugins();
    return status;
}
