// runlimited COMMAND LINE: runs a program with the limited token linked to
// this process's own, as `runas /trustlevel` does on Windows, and exits with
// the program's exit status. An administrator's process holds the elevated
// half of a pair of tokens (under Wine, every process does); the program
// started here holds the other half, which is not elevated. It shares this
// process's console and standard handles.
//
//   runlimited tcc.exe /c echo %@tolvaris[]
//
// A program named without a folder is looked for beside runlimited.exe
// first, as CreateProcess does.
#include <stdio.h>

#include <windows.h>

#include "command_line.h"

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

    // The own token needs TOKEN_QUERY to read its linked token; the linked
    // token comes as an impersonation token and must be made primary.
    HANDLE own = NULL;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own))
        return Fail("cannot open this process's token");
    TOKEN_LINKED_TOKEN linked = {};
    DWORD length = 0;
    if (!GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &length)) {
        int status = Fail("this process's token has no linked token");
        CloseHandle(own);
        return status;
    }
    HANDLE limited = NULL;
    BOOL duplicated = DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, NULL,
                                       SecurityImpersonation, TokenPrimary, &limited);
    CloseHandle(linked.LinkedToken);
    CloseHandle(own);
    if (!duplicated)
        return Fail("cannot make the linked token a primary token");

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessAsUserW(limited, NULL, commandLine, NULL, NULL, TRUE, 0, NULL, NULL,
                              &startup, &process)) {
        int status = Fail("cannot start the program");
        CloseHandle(limited);
        return status;
    }
    // The program runs as long as it likes: waiting for it is this
    // launcher's whole purpose, so that its exit status can be passed on.
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 2;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(limited);
    return (int)status;
}
