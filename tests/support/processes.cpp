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

static std::string ReadPipe(HANDLE pipe)
{
    std::string text;
    char chunk[4096];
    DWORD read;
    while (ReadFile(pipe, chunk, sizeof chunk, &read, NULL) && read > 0)
        text.append(chunk, read);
    return text;
}

HostRun RunProgram(const std::wstring &program, const std::wstring &arguments, bool outputToPipe,
                   HANDLE input)
{
    HostRun run = {(DWORD)-1, "", ""};
    HANDLE out = NULL, pipeEnd = NULL, err = CreateTemporaryFile(true);
    if (outputToPipe) {
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, NULL, TRUE};
        CreatePipe(&pipeEnd, &out, &attributes, 1 << 16);
        SetHandleInformation(pipeEnd, HANDLE_FLAG_INHERIT, 0);
    } else {
        out = CreateTemporaryFile(true);
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    PROCESS_INFORMATION process = {};
    if (CreateProcessW(program.c_str(), &commandLine[0], NULL, NULL, TRUE, 0, NULL, NULL,
                       &startup, &process)) {
        if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0)
            TerminateProcess(process.hProcess, 99);
        GetExitCodeProcess(process.hProcess, &run.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (outputToPipe) {
        CloseHandle(out); // so that reading ends where the child's output does
        run.out = ReadPipe(pipeEnd);
        CloseHandle(pipeEnd);
    } else {
        run.out = ReadWholeFile(out);
        CloseHandle(out);
    }
    run.err = ReadWholeFile(err);
    CloseHandle(err);
    return run;
}

void PrintTo(const HostRun &run, std::ostream *out)
{
    *out << "exit code " << run.exitCode << ", output \"" << run.out << "\", errors \"" << run.err
         << "\"";
}

HostRun RunHost(const std::wstring &arguments, bool outputToPipe, HANDLE input)
{
    return RunProgram(BinFolder() + L"tcc.exe", arguments, outputToPipe, input);
}

std::wstring ProgramUnderWindowsVersion(const std::wstring &program, const std::wstring &copyName,
                                        const wchar_t *version)
{
    std::wstring copy = BinFolder() + copyName;
    CopyFileW((BinFolder() + program).c_str(), copy.c_str(), FALSE);
    HKEY key;
    std::wstring path = L"Software\\Wine\\AppDefaults\\" + copyName;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL, &key,
                        NULL) == ERROR_SUCCESS) {
        RegSetValueExW(key, L"Version", 0, REG_SZ, (const BYTE *)version,
                       (lstrlenW(version) + 1) * sizeof(wchar_t));
        RegCloseKey(key);
    }
    return copy;
}

std::wstring WriteBatchFile(const std::wstring &name, const std::string &text)
{
    wchar_t folder[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetFullPathNameW((std::wstring(folder) + name).c_str(), MAX_PATH, path, NULL);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written = 0;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL);
    CloseHandle(file);
    return path;
}
