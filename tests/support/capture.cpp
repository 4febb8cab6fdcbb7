#include "support.h"

static HANDLE CreateTemporaryFile(bool inheritable)
{
    wchar_t folder[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"tlv", 0, path);
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, NULL, inheritable};
    return CreateFileW(path, GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &attributes,
                       CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, NULL);
}

static std::string ReadWholeFile(HANDLE file)
{
    LARGE_INTEGER size = {}, here = {}, zero = {};
    GetFileSizeEx(file, &size);
    SetFilePointerEx(file, zero, &here, FILE_CURRENT);
    SetFilePointerEx(file, zero, NULL, FILE_BEGIN);
    std::string text((size_t)size.QuadPart, '\0');
    DWORD read = 0;
    if (!text.empty())
        ReadFile(file, &text[0], (DWORD)text.size(), &read, NULL);
    SetFilePointerEx(file, here, NULL, FILE_BEGIN);
    text.resize(read);
    return text;
}

StreamCapture::StreamCapture(DWORD stream)
    : stream_(stream), previous_(GetStdHandle(stream)), file_(CreateTemporaryFile(false))
{
    SetStdHandle(stream_, file_);
}

StreamCapture::~StreamCapture()
{
    SetStdHandle(stream_, previous_);
    CloseHandle(file_);
}

std::string StreamCapture::Text() const
{
    return ReadWholeFile(file_);
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

HostRun RunProgram(const std::wstring &program, const std::wstring &arguments, bool outputToPipe)
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
    startup.hStdInput = NULL;
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

HostRun RunHost(const std::wstring &arguments, bool outputToPipe)
{
    return RunProgram(BinFolder() + L"tcc.exe", arguments, outputToPipe);
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
