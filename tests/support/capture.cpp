#include "support.h"

#include <gtest/gtest.h>

HANDLE CreateTemporaryFile(bool inheritable)
{
    wchar_t folder[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    if (!GetTempFileNameW(folder, L"tlv", 0, path)) {
        ADD_FAILURE() << "GetTempFileNameW failed with error " << GetLastError();
        return INVALID_HANDLE_VALUE;
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, NULL, inheritable};
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &attributes,
                              CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (file == INVALID_HANDLE_VALUE)
        ADD_FAILURE() << "could not open the temporary file " << Utf8(path) << ": error "
                      << GetLastError();
    return file;
}

std::string ReadWholeFile(HANDLE file)
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

HostOutputCapture::HostOutputCapture() : file_(CreateTemporaryFile(false))
{
    HostRedirectOutput(file_);
}

HostOutputCapture::~HostOutputCapture()
{
    HostRedirectOutput(NULL);
    CloseHandle(file_);
}

std::string HostOutputCapture::Text() const
{
    return ReadWholeFile(file_);
}
