// takecmd/session.cpp, part of the stand-in TakeCmd.dll: an interactive
// session, or a script piped in: commands read from standard input, one a
// line, until `exit` or the end of input.
#include "session.h"
#include "input.h"
#include "interpreter.h"
#include "output.h"
#include "text.h"

int HostRunSession(void)
{
    const bool console = InputIsConsole(); // a person is typing: prompt
    int status = 0;
    std::wstring line;
    for (;;) {
        if (console)
            WriteText(GetStdHandle(STD_OUTPUT_HANDLE), L"> ");
        if (NextInputLine(line, NULL) != LineRead)
            return status; // as `exit` with no code would
        if (Trimmed(line).empty())
            continue; // an empty line is no command, and keeps the status
        status = HostExecute(line.c_str());
        int code;
        if (HostExitRequested(&code))
            return code;
    }
}
