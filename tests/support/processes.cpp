#include "support.h"

// The limited token linked to this process's own: under Wine, as under UAC,
// a process started by an administrator holds the elevated half of a pair.
static HANDLE LimitedPrimaryToken()
{
    HANDLE own = NULL, primary = NULL;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own))
        return NULL;
    TOKEN_LINKED_TOKEN linked = {};
    DWORD length = 0;
    if (GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &length)) {
        DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, NULL, SecurityImpersonation,
                         TokenPrimary, &primary);
        CloseHandle(linked.LinkedToken);
    }
    CloseHandle(own);
    return primary;
}

IdleChild::IdleChild(bool limited)
{
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(NULL, program, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(program) + L"\" --idle";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    BOOL started;
    if (limited) {
        HANDLE token = LimitedPrimaryToken();
        started = token && CreateProcessAsUserW(token, program, &commandLine[0], NULL, NULL, FALSE,
                                                0, NULL, NULL, &startup, &process);
        if (token)
            CloseHandle(token);
    } else {
        started = CreateProcessW(program, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL,
                                 &startup, &process);
    }
    if (started) {
        CloseHandle(process.hThread);
        process_ = process.hProcess;
        pid_ = process.dwProcessId;
    }
}

IdleChild::~IdleChild()
{
    if (process_) {
        TerminateProcess(process_, 0);
        WaitForSingleObject(process_, 10000);
        CloseHandle(process_);
    }
}
