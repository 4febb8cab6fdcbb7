// standin-host/shared: starts a program that shares this process's console
// and standard handles, with this process's token or another, and waits for
// it, so that its exit status can be passed on: runlimited.exe's,
// runelevated.exe's and the tests' one way to run a program so.
#ifndef STANDIN_RUN_AND_WAIT_H
#define STANDIN_RUN_AND_WAIT_H

#include <windows.h>

// Runs commandLine (which CreateProcess may write to; application may be
// NULL, the program then being its first word) with token, or with this
// process's own token when token is NULL. False when it could not start,
// GetLastError() saying why; else true with its exit status in *status. The
// program runs as long as it likes: waiting for it is the caller's whole
// purpose, and its caller's time limit bounds it.
static inline bool RunAndWait(HANDLE token, const wchar_t *application, wchar_t *commandLine,
                              DWORD *status)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    const BOOL started = token ? CreateProcessAsUserW(token, application, commandLine, NULL, NULL,
                                                      TRUE, 0, NULL, NULL, &startup, &process)
                               : CreateProcessW(application, commandLine, NULL, NULL, TRUE, 0, NULL,
                                                NULL, &startup, &process);
    if (!started)
        return false;
    WaitForSingleObject(process.hProcess, INFINITE);
    *status = 2;
    GetExitCodeProcess(process.hProcess, status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

#endif
