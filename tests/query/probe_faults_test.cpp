// The elevation probe when the system fails it, one call at a time: the
// calls are swapped in the shipped DLL's import table for fakes that record
// every argument and fail on demand, otherwise passing on to the real call.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/support.h"

namespace {
enum Fault { None, OpenProcessFails, OpenTokenFails, TokenInfoFails, TokenInfoReturnsTwo };

struct Road {
    const char *name;
    Fault fault;
    long long elevation; // what the fake token reports; -1: what the real one says
    const wchar_t *answer;
};

Fault CurrentFault;
long long ReportedElevation;
std::vector<HANDLE> Opened, Closed; // in order
std::vector<std::string> Problems;

decltype(&OpenProcess) RealOpenProcess;
decltype(&OpenProcessToken) RealOpenProcessToken;
decltype(&GetTokenInformation) RealGetTokenInformation;
decltype(&CloseHandle) RealCloseHandle;

HANDLE WINAPI FakeOpenProcess(DWORD access, BOOL inherit, DWORD pid)
{
    if (access != 0x1000)
        Problems.push_back("OpenProcess asked for more than the limited query right");
    if (inherit)
        Problems.push_back("OpenProcess asked for an inheritable handle");
    if (pid != GetCurrentProcessId())
        Problems.push_back("OpenProcess was given another process ID");
    if (CurrentFault == OpenProcessFails) {
        SetLastError(ERROR_ACCESS_DENIED);
        return NULL;
    }
    HANDLE process = RealOpenProcess(access, inherit, pid);
    Opened.push_back(process);
    return process;
}

BOOL WINAPI FakeOpenProcessToken(HANDLE process, DWORD access, HANDLE *token)
{
    if (Opened.empty() || process != Opened.front())
        Problems.push_back("OpenProcessToken was not given the process handle");
    if (access != TOKEN_QUERY)
        Problems.push_back("OpenProcessToken asked for more than TOKEN_QUERY");
    if (CurrentFault == OpenTokenFails) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    BOOL opened = RealOpenProcessToken(process, access, token);
    if (opened)
        Opened.push_back(*token);
    return opened;
}

BOOL WINAPI FakeGetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS type, void *buffer,
                                    DWORD length, DWORD *returned)
{
    if (Opened.size() != 2 || token != Opened.back())
        Problems.push_back("GetTokenInformation was not given the token handle");
    if (type != 20 || length != 4)
        Problems.push_back("GetTokenInformation was not asked for the 4-byte TokenElevation");
    if (CurrentFault == TokenInfoFails) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    BOOL read = RealGetTokenInformation(token, type, buffer, length, returned);
    if (read && ReportedElevation >= 0)
        *(DWORD *)buffer = (DWORD)ReportedElevation;
    return read && CurrentFault == TokenInfoReturnsTwo ? 2 : read;
}

BOOL WINAPI FakeCloseHandle(HANDLE handle)
{
    Closed.push_back(handle);
    return RealCloseHandle(handle);
}

TEST(ProbeFaults, EveryRoadAnswersRightAndClosesWhatItOpened)
{
    const Road roads[] = {
        // The test process's own answer: 1 when it runs elevated.
        {"no fault", None, -1, SelfIsElevated() ? L"1" : L"0"},
        {"OpenProcess fails", OpenProcessFails, -1, L"-1"},
        {"OpenProcessToken fails", OpenTokenFails, -1, L"-1"},
        {"GetTokenInformation fails", TokenInfoFails, -1, L"-1"},
        {"flag clear", None, 0, L"0"},
        {"flag set to another non-zero value", None, 0x80, L"1"},
        {"GetTokenInformation returns 2, flag set", TokenInfoReturnsTwo, 1, L"1"},
        {"GetTokenInformation returns 2, flag clear", TokenInfoReturnsTwo, 0, L"0"},
        // The flag is all 32 bits: set in any one of its upper bytes.
        {"flag set in its second byte", None, 0x100, L"1"},
        {"flag set in its third byte", None, 0x10000, L"1"},
        {"flag set in its top bit", None, 0x80000000, L"1"},
    };
    HMODULE dll = Plugin().module;
    ImportSwap openProcess(dll, "KERNEL32.dll", "OpenProcess", (void *)&FakeOpenProcess);
    ImportSwap openToken(dll, "ADVAPI32.dll", "OpenProcessToken", (void *)&FakeOpenProcessToken);
    ImportSwap tokenInfo(dll, "ADVAPI32.dll", "GetTokenInformation",
                         (void *)&FakeGetTokenInformation);
    ImportSwap closeHandle(dll, "KERNEL32.dll", "CloseHandle", (void *)&FakeCloseHandle);
    ASSERT_TRUE(openProcess.Swapped() && openToken.Swapped() && tokenInfo.Swapped() &&
                closeHandle.Swapped());
    RealOpenProcess = (decltype(&OpenProcess))openProcess.Original();
    RealOpenProcessToken = (decltype(&OpenProcessToken))openToken.Original();
    RealGetTokenInformation = (decltype(&GetTokenInformation))tokenInfo.Original();
    RealCloseHandle = (decltype(&CloseHandle))closeHandle.Original();

    for (const Road &road : roads) {
        SCOPED_TRACE(road.name);
        CurrentFault = road.fault;
        ReportedElevation = road.elevation;
        Opened.clear();
        Closed.clear();
        Problems.clear();

        StreamCapture err(STD_ERROR_HANDLE);
        std::wstring result;
        EXPECT_EQ(Query(L"", result), 0);
        EXPECT_EQ(result, road.answer);
        EXPECT_EQ(err.Text(), ""); // no answer is not an error
        EXPECT_EQ(Problems, std::vector<std::string>{});

        // Each handle closed once, the last opened first.
        std::vector<HANDLE> expected(Opened.rbegin(), Opened.rend());
        EXPECT_EQ(Closed, expected);
        const size_t opened = road.fault == OpenProcessFails ? 0
                              : road.fault == OpenTokenFails ? 1
                                                             : 2;
        EXPECT_EQ(Opened.size(), opened);
    }
}
} // namespace
