#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <gtest/gtest.h>

#include <windows.h>

#include "support/support.h"

// The test running now, for a crash to name.
static char RunningTest[256] = "no test";

// A crash in the plug-in fails the test program at once, with the fault's
// code, rather than waiting on Wine's crash dialog until the time limit.
static LONG WINAPI ReportCrash(EXCEPTION_POINTERS *crash)
{
    fprintf(stderr, "\nCrashed in %s: exception 0x%08lx at %p\n", RunningTest,
            crash->ExceptionRecord->ExceptionCode, crash->ExceptionRecord->ExceptionAddress);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

// Prints only what a reader of a CTest log needs: each failure with its
// place and message, each skip with its reason. GoogleTest's own printer
// also lists every test that passed.
class FailuresAndSkips : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo &test) override
    {
        snprintf(RunningTest, sizeof RunningTest, "%s.%s", test.test_suite_name(), test.name());
    }
    void OnTestPartResult(const testing::TestPartResult &result) override
    {
        if (result.skipped())
            return; // said once the test has ended
        printf("%s:%d: %s\n", result.file_name() ? result.file_name() : "?", result.line_number(),
               result.message());
    }
    void OnTestEnd(const testing::TestInfo &test) override
    {
        const testing::TestResult &result = *test.result();
        if (result.Failed()) {
            printf("[  FAILED  ] %s.%s\n", test.test_suite_name(), test.name());
        } else if (result.Skipped()) {
            const char *why = "";
            for (int i = 0; i < result.total_part_count(); ++i)
                if (result.GetTestPartResult(i).skipped())
                    why = result.GetTestPartResult(i).message();
            printf("[  SKIPPED ] %s.%s: %s\n", test.test_suite_name(), test.name(), why);
        }
        fflush(stdout);
    }
};

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
        auto initialize =
            plugin ? (int (*)(void))(void *)GetProcAddress(plugin, "InitializePlugin") : NULL;
        if (!initialize)
            return 2;
        int status = initialize();
        fflush(stdout);
        printf("InitializePlugin: %d", status);
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    // Listing runs nothing: GoogleTest's list is all it prints (CTest's
    // tests.registered reads it).
    if (testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    testing::TestEventListeners &listeners = testing::UnitTest::GetInstance()->listeners();
    delete listeners.Release(listeners.default_result_printer());
    listeners.Append(new FailuresAndSkips);
    const int failed = RUN_ALL_TESTS();
    // CTest passes a test program on this line alone, not on its exit
    // status: a process whose stack the plug-in smashed can die halfway
    // with status 0, too broken even for the crash filter above; and a
    // filter that matches no test proves nothing. A program whose every
    // test was skipped shows in CTest as skipped.
    const testing::UnitTest &tests = *testing::UnitTest::GetInstance();
    const int ran = tests.test_to_run_count(), skipped = tests.skipped_test_count();
    if (failed == 0 && ran > 0 && skipped == 0)
        printf("All %d tests ran and passed.\n", ran);
    else if (failed == 0 && ran > 0)
        printf("All %d tests ran: %d passed, %d skipped.\n", ran, ran - skipped, skipped);
    fflush(stdout);
    return failed;
}
