// How InitializePlugin settles the Windows version, road by road: the calls
// it imports are swapped in the shipped DLL's import table for fakes that
// report what each road needs.
#include <gtest/gtest.h>

#include <string.h>

#include "support/support.h"
#include "takecmd/takecmd.h"

namespace {
enum { Missing = -1, Fails = -2 };

struct Road {
    const char *name;
    int ntdll;             // Missing: GetModuleHandleW finds no NtDll.dll
    int rtlMajor;          // Missing: no RtlGetVersion; otherwise the major it reports
    int getVersionExMajor; // Fails: GetVersionExW fails
    int expected;          // InitializePlugin's result
    int getVersionExCalls;
};

const Road *Current;
int GetVersionExCalls;
bool RecordsWereClean;
decltype(&GetModuleHandleW) RealGetModuleHandleW;
decltype(&GetProcAddress) RealGetProcAddress;
const HMODULE FakeNtdll = (HMODULE)0x7A0000;

// The record must arrive zeroed, its size set to that of the extended record.
bool IsFreshRecord(const OSVERSIONINFOEXW *record)
{
    OSVERSIONINFOEXW fresh = {};
    fresh.dwOSVersionInfoSize = 284;
    return memcmp(record, &fresh, sizeof fresh) == 0;
}

LONG WINAPI FakeRtlGetVersion(OSVERSIONINFOEXW *record)
{
    RecordsWereClean &= IsFreshRecord(record);
    record->dwMajorVersion = Current->rtlMajor;
    return 0;
}

HMODULE WINAPI FakeGetModuleHandleW(const wchar_t *name)
{
    if (name && lstrcmpiW(name, L"NtDll.dll") == 0)
        return Current->ntdll == Missing ? NULL : FakeNtdll;
    return RealGetModuleHandleW(name);
}

FARPROC WINAPI FakeGetProcAddress(HMODULE module, const char *name)
{
    if (module == FakeNtdll && strcmp(name, "RtlGetVersion") == 0)
        return Current->rtlMajor == Missing ? NULL : (FARPROC)(void *)&FakeRtlGetVersion;
    return RealGetProcAddress(module, name);
}

BOOL WINAPI FakeGetVersionExW(OSVERSIONINFOW *record)
{
    ++GetVersionExCalls;
    RecordsWereClean &= IsFreshRecord((OSVERSIONINFOEXW *)record);
    if (Current->getVersionExMajor == Fails)
        return FALSE;
    record->dwMajorVersion = Current->getVersionExMajor;
    return TRUE;
}

TEST(OsVersion, EachRoadDecidesAsItShould)
{
    const Road roads[] = {
        {"RtlGetVersion says 10", 0, 10, 5, 0, 0},
        {"RtlGetVersion's 6 outranks GetVersionExW's 5", 0, 6, 5, 0, 0},
        // Compared unsigned: a major version with its top bit set is above 6.
        {"RtlGetVersion says 0x80000006", 0, (int)0x80000006, 5, 0, 0},
        {"no RtlGetVersion, GetVersionExW says 0x80000006", 0, Missing, (int)0x80000006, 0, 1},
        {"RtlGetVersion says 5, GetVersionExW 6", 0, 5, 6, 0, 1},
        {"both say 5", 0, 5, 5, -1, 1},
        {"RtlGetVersion says 5, GetVersionExW fails", 0, 5, Fails, -1, 1},
        {"no RtlGetVersion, GetVersionExW says 6", 0, Missing, 6, 0, 1},
        {"no RtlGetVersion, GetVersionExW says 5", 0, Missing, 5, -1, 1},
        {"no NtDll.dll, GetVersionExW says 10", Missing, 10, 10, 0, 1},
        {"no NtDll.dll, GetVersionExW fails", Missing, 10, Fails, -1, 1},
    };
    HMODULE dll = Plugin().module;
    ImportSwap moduleHandle(dll, "KERNEL32.dll", "GetModuleHandleW", (void *)&FakeGetModuleHandleW);
    ImportSwap procAddress(dll, "KERNEL32.dll", "GetProcAddress", (void *)&FakeGetProcAddress);
    ImportSwap versionEx(dll, "KERNEL32.dll", "GetVersionExW", (void *)&FakeGetVersionExW);
    ASSERT_TRUE(moduleHandle.Swapped() && procAddress.Swapped() && versionEx.Swapped());
    RealGetModuleHandleW = (decltype(&GetModuleHandleW))moduleHandle.Original();
    RealGetProcAddress = (decltype(&GetProcAddress))procAddress.Original();
    HostVariableOverride quiet(L"noloadmsg", L"quiet");

    for (const Road &road : roads) {
        SCOPED_TRACE(road.name);
        Current = &road;
        GetVersionExCalls = 0;
        RecordsWereClean = true;
        StreamCapture out(STD_OUTPUT_HANDLE), err(STD_ERROR_HANDLE);
        EXPECT_EQ(Plugin().InitializePlugin(), road.expected);
        EXPECT_EQ(GetVersionExCalls, road.getVersionExCalls);
        EXPECT_TRUE(RecordsWereClean);
        EXPECT_EQ(out.Text(), "");
        EXPECT_EQ(err.Text(), road.expected == 0 ? "" : TooOld);
    }
}
} // namespace
