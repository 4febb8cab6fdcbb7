#include "support.h"

#include <gtest/gtest.h>

#include <stdio.h>

#include "command_line.h"
#include "limited_token.h"
#include "run_and_wait.h"

bool RunsOnWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != NULL;
}

bool UnderWine()
{
    static const bool underWine = [] {
        char native[8];
        const DWORD length = GetEnvironmentVariableA("TOLVARIS_TEST_NATIVE", native, sizeof native);
        if (length > 0 && length < sizeof native && lstrcmpA(native, "1") == 0)
            return false;
        return RunsOnWine();
    }();
    return underWine;
}

bool SelfIsElevated()
{
    HANDLE token = NULL;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    const bool elevated = TokenElevationOf(token) == 1;
    CloseHandle(token);
    return elevated;
}

int SelfElevationType()
{
    HANDLE token = NULL;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return 0;
    const int type = TokenElevationTypeOf(token);
    CloseHandle(token);
    return type;
}

int RunSelfElevated(const std::string &place)
{
    // Once only: a process started so that is still the limited half would
    // start another forever.
    char again[8];
    const DWORD length = GetEnvironmentVariableA("TOLVARIS_TEST_RUN_ELEVATED", again, sizeof again);
    if (length > 0 && length < sizeof again) {
        printf(
            "This test program was started through runelevated.exe, yet its token is still "
            "the limited half (TokenElevationType %d): the suite of the place %s cannot run "
            "elevated here.\n",
            SelfElevationType(), place.c_str());
        return 2;
    }
    // Said once a program, so that the log shows how the suite got its token.
    printf(
        "This process has the limited half of a split token: the %s suite runs elevated, "
        "through runelevated.exe.\n",
        place.c_str());
    SetEnvironmentVariableA("TOLVARIS_TEST_RUN_ELEVATED", "1");
    SetEnvironmentVariableA("TOLVARIS_TEST_PLACE", place.c_str());
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(NULL, program, MAX_PATH);
    const std::wstring launcher = BinFolder() + L"runelevated.exe";
    std::wstring commandLine =
        L"\"" + launcher + L"\" \"" + program + L"\" " + ArgumentsAfterProgramName();
    fflush(stdout);
    DWORD status = 2;
    if (!RunAndWait(NULL, launcher.c_str(), &commandLine[0], &status)) {
        printf(
            "This test program could not run itself elevated through %s: CreateProcessW "
            "error %lu (on Windows with UAC on, run it as administrator)\n",
            Utf8(launcher).c_str(), GetLastError());
        return 2;
    }
    return (int)status;
}

const char *LimitedRoad(std::string &tried)
{
    static std::string triedOnce;
    static const char *road = [] {
        LimitedToken found = LimitedPrimaryToken();
        triedOnce = found.tried;
        if (found.token)
            CloseHandle(found.token);
        // Said once a run, so that the log shows which road the limited
        // processes of every test came by.
        if (found.road)
            printf("A process that is not elevated is started with the %s token (%s).\n",
                   found.road, found.tried);
        else
            printf("No road gives a token that is not elevated (%s).\n", found.tried);
        return found.road;
    }();
    tried = triedOnce;
    return road;
}
