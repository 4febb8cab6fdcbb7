#include "support.h"

#include <gtest/gtest.h>

#include "limited_token.h"

IdleChild::IdleChild(bool limited)
{
    if (!limited) {
        Start(NULL);
        return;
    }
    HANDLE token = LimitedPrimaryToken().token;
    if (!token) {
        ADD_FAILURE() << "could not start the idle child: no token that is not elevated";
        return;
    }
    Start(token);
    CloseHandle(token);
}

IdleChild::IdleChild(HANDLE token)
{
    Start(token);
}

void IdleChild::Start(HANDLE token)
{
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(NULL, program, MAX_PATH);
    std::wstring commandLine =
        L"\"" + std::wstring(program) + L"\" --idle " + std::to_wstring(GetCurrentProcessId());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const BOOL started = token ? CreateProcessAsUserW(token, program, &commandLine[0], NULL, NULL,
                                                      FALSE, 0, NULL, NULL, &startup, &process)
                               : CreateProcessW(program, &commandLine[0], NULL, NULL, FALSE, 0,
                                                NULL, NULL, &startup, &process);
    if (started) {
        CloseHandle(process.hThread);
        process_ = process.hProcess;
        pid_ = process.dwProcessId;
    } else {
        ADD_FAILURE() << "could not start the idle child: error " << GetLastError();
    }
}

IdleChild::~IdleChild()
{
    if (process_) {
        TerminateProcess(process_, 0);
        if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0)
            ADD_FAILURE() << "the idle child " << pid_
                          << " was still running 10 s after it was terminated";
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

// Under wine-run --log, Wine's messages (its errors: why a process could not
// start) go to a log whose Windows name is in TOLVARIS_WINE_LOG, and a start
// that failed quotes what was written there meanwhile. Run otherwise, the
// program has no such log, and the name is empty.
static std::wstring WineLogPath()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"TOLVARIS_WINE_LOG", path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(path, length) : std::wstring();
}

static ULONGLONG WineLogSize(const std::wstring &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return ((ULONGLONG)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

static std::string WineSaidSince(const std::wstring &path, ULONGLONG from)
{
    if (path.empty())
        return "; Wine's messages went to this program's standard error";
    std::string text;
    HANDLE log = CreateFileW(path.c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                             OPEN_EXISTING, 0, NULL);
    if (log != INVALID_HANDLE_VALUE) {
        LARGE_INTEGER offset;
        offset.QuadPart = (LONGLONG)from;
        SetFilePointerEx(log, offset, NULL, FILE_BEGIN);
        char chunk[4096];
        DWORD read;
        // A few kilobytes name the cause; the rest stays in the log.
        while (text.size() < 16384 && ReadFile(log, chunk, sizeof chunk, &read, NULL) && read > 0)
            text.append(chunk, read);
        CloseHandle(log);
    }
    // Named as on Linux, where the log is read.
    std::string shown = Utf8(path.compare(0, 2, L"Z:") == 0 ? path.substr(2) : path);
    for (char &c : shown)
        if (c == '\\')
            c = '/';
    if (text.empty())
        return "; Wine wrote nothing about it to " + shown;
    return "; Wine wrote to " + shown + ":\n" + text;
}

HostRun RunProgram(const std::wstring &program, const std::wstring &arguments, bool outputToPipe,
                   HANDLE input)
{
    HostRun run = {(DWORD)-1, "", "", ""};
    HANDLE out = NULL, pipeEnd = NULL, err = CreateTemporaryFile(true);
    if (outputToPipe) {
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, NULL, TRUE};
        if (!CreatePipe(&pipeEnd, &out, &attributes, 1 << 16))
            ADD_FAILURE() << "CreatePipe failed with error " << GetLastError();
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
    const std::string shown = Utf8(commandLine);
    PROCESS_INFORMATION process = {};
    const std::wstring wineLog = WineLogPath();
    const ULONGLONG wineLogSize = WineLogSize(wineLog);
    if (CreateProcessW(program.c_str(), &commandLine[0], NULL, NULL, TRUE, 0, NULL, NULL, &startup,
                       &process)) {
        if (WaitForSingleObject(process.hProcess, RunLimitMs) != WAIT_OBJECT_0) {
            run.failure = "timed out after " + std::to_string(RunLimitMs / 1000) +
                          " s waiting for " + shown + " to exit; terminated it";
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, RunLimitMs);
        }
        GetExitCodeProcess(process.hProcess, &run.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        const DWORD error = GetLastError();
        run.failure = "CreateProcessW failed with error " + std::to_string(error) + " for " + shown;
        // Wine's word for a process that died before its start-up was done.
        if (error == ERROR_INTERNAL_ERROR)
            run.failure += " (the new process ended before its start-up was done)";
        run.failure += WineSaidSince(wineLog, wineLogSize);
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
    // Whatever the test expects of the run, it learns why there was none.
    if (!run.failure.empty())
        ADD_FAILURE() << run.failure;
    return run;
}

void PrintTo(const HostRun &run, std::ostream *out)
{
    if (!run.failure.empty())
        *out << run.failure << ": ";
    *out << "exit code " << run.exitCode << ", output \"" << run.out << "\", errors \"" << run.err
         << "\"";
}

HostRun RunHost(const std::wstring &arguments, bool outputToPipe, HANDLE input)
{
    return RunProgram(BinFolder() + L"tcc.exe", arguments, outputToPipe, input);
}

HostRun RunHostWithInput(const std::wstring &arguments, const std::string &input)
{
    HANDLE file = CreateTemporaryFile(true);
    DWORD written = 0;
    WriteFile(file, input.data(), (DWORD)input.size(), &written, NULL);
    SetFilePointer(file, 0, NULL, FILE_BEGIN);
    HostRun run = RunHost(arguments, true, file);
    CloseHandle(file);
    return run;
}

std::wstring UniqueName(const std::wstring &name)
{
    const size_t dot = name.rfind(L'.');
    const std::wstring suffix = L"-" + std::to_wstring(GetCurrentProcessId());
    return dot == std::wstring::npos ? name + suffix
                                     : name.substr(0, dot) + suffix + name.substr(dot);
}

static std::wstring AppDefaultsKey(const std::wstring &program)
{
    return L"Software\\Wine\\AppDefaults\\" + program;
}

ProgramUnderWindowsVersion::ProgramUnderWindowsVersion(const std::wstring &program,
                                                       const wchar_t *version)
    : name_(UniqueName(program.substr(0, program.rfind(L'.')) + L"-" + version + L".exe")),
      path_(BinFolder() + name_)
{
    if (!CopyFileW((BinFolder() + program).c_str(), path_.c_str(), FALSE))
        ADD_FAILURE() << "could not copy " << Utf8(program) << ": error " << GetLastError();
    HKEY key;
    LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, AppDefaultsKey(name_).c_str(), 0, NULL, 0,
                                  KEY_SET_VALUE, NULL, &key, NULL);
    if (status == ERROR_SUCCESS) {
        status = RegSetValueExW(key, L"Version", 0, REG_SZ, (const BYTE *)version,
                                (lstrlenW(version) + 1) * sizeof(wchar_t));
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS)
        ADD_FAILURE() << "could not set Wine's version for " << Utf8(name_) << ": error " << status;
}

ProgramUnderWindowsVersion::~ProgramUnderWindowsVersion()
{
    RegDeleteKeyW(HKEY_CURRENT_USER, AppDefaultsKey(name_).c_str());
    DeleteFileW(path_.c_str());
}

std::wstring WriteBatchFile(const std::wstring &name, const std::string &text)
{
    wchar_t folder[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetFullPathNameW((std::wstring(folder) + UniqueName(name)).c_str(), MAX_PATH, path, NULL);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        ADD_FAILURE() << "could not write " << Utf8(path) << ": error " << GetLastError();
    DWORD written = 0;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL);
    CloseHandle(file);
    return path;
}
