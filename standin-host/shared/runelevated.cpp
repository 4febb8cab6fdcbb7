// runelevated.exe of standin-host/shared: runs a program elevated, as Windows elevates
// one: this launcher's manifest asks for requireAdministrator, so Windows
// (once its user has consented, when UAC is on) and Wine 10 start it with
// the full token of a split one; the program it starts inherits that token.
// It exits with the program's exit status, or 2 when it could not run it:
// above all when it is not elevated itself (a system that ignores the
// manifest), since a program it started would not be either.
//
//   runelevated tcc.exe /c echo %@tolvaris[]
//
// Where every process is elevated anyway (Wine 8, an elevated
// administrator's process), the manifest changes nothing. A program named
// without a folder is looked for beside runelevated.exe first, as
// CreateProcess does. The program shares this process's console and
// standard handles.
#include <stdio.h>

#include <windows.h>

#include "command_line.h"
#include "limited_token.h"
#include "run_and_wait.h"

static int Fail(const char *what)
{
    fprintf(stderr, "runelevated: %s (error %lu)\n", what, GetLastError());
    return 2;
}

int wmain()
{
    static wchar_t commandLine[32768]; // CreateProcess may write to it
    lstrcpynW(commandLine, ArgumentsAfterProgramName(), 32768);
    if (!commandLine[0]) {
        fprintf(stderr, "Usage: runelevated PROGRAM [ARGUMENTS...]\n");
        return 2;
    }

    HANDLE own = NULL;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own))
        return Fail("cannot open this process's token");
    const int elevated = TokenElevationOf(own), type = TokenElevationTypeOf(own);
    CloseHandle(own);
    if (elevated != 1) {
        fprintf(stderr,
                "runelevated: this process is not elevated although its manifest asks for "
                "requireAdministrator (TokenIsElevated %d, TokenElevationType %d)\n",
                elevated, type);
        return 2;
    }

    DWORD status = 2;
    if (!RunAndWait(NULL, NULL, commandLine, &status))
        return Fail("cannot start the program");
    return (int)status;
}
