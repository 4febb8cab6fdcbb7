// runlimited.exe of standin-host/shared: runs a program with a token that is not elevated,
// as `runas /trustlevel` does on Windows, and exits with the program's exit
// status. The token is the limited half of this process's split token where
// it has one (an administrator's process under UAC, and every process under
// Wine): the one linked to its own when this process is elevated (Wine 8,
// "Run as administrator"), its own when it is not (Wine 10, Windows with UAC
// on); where the token is not split (UAC off), the other roads of
// limited_token.h. The program shares this process's console and standard
// handles.
//
//   runlimited tcc.exe /c echo %@tolvaris[]
//
// A program named without a folder is looked for beside runlimited.exe
// first, as CreateProcess does.
#include <stdio.h>

#include <windows.h>

#include "command_line.h"
#include "limited_token.h"
#include "run_and_wait.h"

static int Fail(const char *what)
{
    fprintf(stderr, "runlimited: %s (error %lu)\n", what, GetLastError());
    return 2;
}

int wmain()
{
    static wchar_t commandLine[32768]; // CreateProcess may write to it
    lstrcpynW(commandLine, ArgumentsAfterProgramName(), 32768);
    if (!commandLine[0]) {
        fprintf(stderr, "Usage: runlimited PROGRAM [ARGUMENTS...]\n");
        return 2;
    }

    const LimitedToken found = LimitedPrimaryToken();
    HANDLE limited = found.token;
    if (!limited) {
        fprintf(stderr, "runlimited: no token that is not elevated (%s)\n", found.tried);
        return 2;
    }

    DWORD status = 2;
    if (!RunAndWait(limited, NULL, commandLine, &status))
        status = (DWORD)Fail("cannot start the program");
    CloseHandle(limited);
    return (int)status;
}
