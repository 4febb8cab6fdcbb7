#include "support.h"

#include <gtest/gtest.h>

#include <stdio.h>

#include "limited_token.h"

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
