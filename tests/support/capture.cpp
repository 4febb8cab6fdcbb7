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

HostRun RunHost(const std::wstring &arguments)
{
    HostRun run = {(DWORD)-1, "", ""};
    HANDLE out = CreateTemporaryFile(true), err = CreateTemporaryFile(true);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = NULL;
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::wstring program = BinFolder() + L"tcc.exe";
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
    run.out = ReadWholeFile(out);
    run.err = ReadWholeFile(err);
    CloseHandle(err);
    CloseHandle(out);
    return run;
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
