#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <gtest/gtest.h>

#include <windows.h>

#include "support/support.h"

// A crash in the plug-in fails the test program at once, with the fault's
// code, rather than waiting on Wine's crash dialog until the time limit.
static LONG WINAPI ReportCrash(EXCEPTION_POINTERS *crash)
{
    fprintf(stderr, "\nCrashed: exception 0x%08lx at %p\n",
            crash->ExceptionRecord->ExceptionCode, crash->ExceptionRecord->ExceptionAddress);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

int main(int argc, char **argv)
{
    SetUnhandledExceptionFilter(ReportCrash);

    // The test program doubles as the child process whose token the tests
    // probe: it idles until it is ended, or its parent ends, or for a minute
    // at most.
    if (argc > 2 && strcmp(argv[1], "--idle") == 0) {
        HANDLE parent = OpenProcess(SYNCHRONIZE, FALSE, (DWORD)strtoul(argv[2], NULL, 10));
        if (parent) {
            WaitForSingleObject(parent, IdleChildLimitMs);
            CloseHandle(parent);
        } else {
            Sleep(IdleChildLimitMs);
        }
        return 0;
    }
    // Or as a host that only loads the plug-in, under whatever Windows
    // version Wine reports for this program's name, and tells what
    // InitializePlugin returned.
    if (argc > 1 && strcmp(argv[1], "--initialize") == 0) {
        HMODULE plugin = LoadLibraryW(PluginPath().c_str());
        auto initialize = plugin ? (int (*)(void))(void *)GetProcAddress(plugin, "InitializePlugin") : NULL;
        if (!initialize)
            return 2;
        int status = initialize();
        fflush(stdout);
        printf("InitializePlugin: %d", status);
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    const int failed = RUN_ALL_TESTS();
    // CTest passes a test program on this line alone, not on its exit
    // status: a process whose stack the plug-in smashed can die halfway
    // with status 0, too broken even for the crash filter above; and a
    // filter that matches no test proves nothing.
    const int ran = testing::UnitTest::GetInstance()->test_to_run_count();
    if (failed == 0 && ran > 0)
        printf("All %d tests ran and passed.\n", ran);
    fflush(stdout);
    return failed;
}
