#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <windows.h>

#include "limited_token.h"
#include "support/support.h"

// The test running now, for a crash to name.
static char RunningTest[256] = "no test";

// A crash in the plug-in fails the test program at once, with the fault's
// code, rather than waiting on Wine's crash dialog until the time limit.
static LONG WINAPI ReportCrash(EXCEPTION_POINTERS *crash)
{
    // On standard output, where CTest shows it: standard error under Wine
    // goes to the program's log.
    printf("\nCrashed in %s: exception 0x%08lx at %p\n", RunningTest,
           crash->ExceptionRecord->ExceptionCode, crash->ExceptionRecord->ExceptionAddress);
    fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

// How much of a failed test's messages its report shows: enough to see
// what went wrong, little enough that its name, printed first, stays in
// sight when a table fails row after row. The whole messages follow on
// standard error (under Wine, in the program's log: see wine-run --log).
enum { ShownMessages = 4, ShownLinesPerMessage = 6 };

// The skips that this place did not expect, each failing the run.
static int UnexpectedSkips = 0;

// Prints only what a reader of a CTest log needs: each failed test's name,
// then its places and messages, cut to fit; each skip with its reason; a
// skip this place does not expect as a failure. GoogleTest's own printer
// also lists every test that passed, and a failure's message before its
// test's name.
class FailuresAndSkips : public testing::EmptyTestEventListener {
public:
    explicit FailuresAndSkips(std::string place) : place_(std::move(place)) {}

private:
    void OnTestStart(const testing::TestInfo &test) override
    {
        snprintf(RunningTest, sizeof RunningTest, "%s.%s", test.test_suite_name(), test.name());
        messages_.clear();
    }
    void OnTestPartResult(const testing::TestPartResult &result) override
    {
        if (result.skipped())
            return; // said once the test has ended
        messages_.push_back(std::string(result.file_name() ? result.file_name() : "?") + ":" +
                            std::to_string(result.line_number()) + ": " + result.message());
    }
    void OnTestEnd(const testing::TestInfo &test) override
    {
        const testing::TestResult &result = *test.result();
        const std::string name = std::string(test.test_suite_name()) + "." + test.name();
        if (result.Failed()) {
            printf("[  FAILED  ] %s\n", name.c_str());
            PrintCut();
            fprintf(stderr, "[  FAILED  ] %s, its whole messages:\n", name.c_str());
            for (const std::string &message : messages_)
                fprintf(stderr, "%s\n", message.c_str());
            fflush(stderr);
        } else if (result.Skipped()) {
            std::string why;
            for (int i = 0; i < result.total_part_count(); ++i)
                if (result.GetTestPartResult(i).skipped())
                    why = result.GetTestPartResult(i).message();
            // GoogleTest 1.16 (Debian 13's) ends the message with a line
            // break, 1.12 (Debian 12's) does not: one line a skip either way.
            while (!why.empty() && (why.back() == '\n' || why.back() == '\r'))
                why.pop_back();
            if (SkipIsExpected(place_, name, why)) {
                printf("[  SKIPPED ] %s: %s\n", name.c_str(), why.c_str());
                RecordSkip(name + ": " + why);
            } else {
                ++UnexpectedSkips;
                printf(
                    "[  FAILED  ] %s: skipped where it should run (%s): %s\n"
                    "If it cannot run there, list it, with why, in "
                    "tests/support/expected_skips.cpp.\n",
                    name.c_str(), place_.c_str(), why.c_str());
            }
        }
        fflush(stdout);
    }
    // The build names a file for each CTest test (TOLVARIS_SKIP_RECORD), in
    // which the skips are kept for the run's report to count.
    static void RecordSkip(const std::string &line)
    {
        wchar_t path[MAX_PATH];
        const DWORD length = GetEnvironmentVariableW(L"TOLVARIS_SKIP_RECORD", path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return;
        if (FILE *record = _wfopen(path, L"a")) {
            fprintf(record, "%s\n", line.c_str());
            fclose(record);
        }
    }
    // Each message's lines, its trace (which row of a table it was) moved up
    // to just after its first line, so that a cut keeps it.
    static std::vector<std::string> LinesTraceFirst(const std::string &message)
    {
        std::vector<std::string> body, trace;
        bool inTrace = false;
        for (size_t at = 0; at < message.size();) {
            size_t end = message.find('\n', at);
            if (end == std::string::npos)
                end = message.size();
            const std::string line = message.substr(at, end - at);
            if (line == "Google Test trace:")
                inTrace = true;
            else
                (inTrace ? trace : body).push_back(line);
            at = end + 1;
        }
        if (!body.empty())
            trace.insert(trace.begin(), body.front());
        trace.insert(trace.end(), body.empty() ? body.end() : body.begin() + 1, body.end());
        return trace;
    }
    void PrintCut() const
    {
        size_t hidden = 0;
        for (size_t i = 0; i < messages_.size(); ++i) {
            const std::vector<std::string> lines = LinesTraceFirst(messages_[i]);
            for (size_t j = 0; j < lines.size(); ++j) {
                if (i < ShownMessages && j < ShownLinesPerMessage)
                    printf("%s\n", lines[j].c_str());
                else
                    ++hidden;
            }
        }
        if (hidden > 0)
            printf("(%zu more lines of its messages, whole on standard error)\n", hidden);
    }

    std::string place_;
    std::vector<std::string> messages_;
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
    // Or as a host that asks the plug-in about its own process, as a query
    // with no argument does, and exits with what it answered: 0 for "0"
    // (not elevated), 1 for "1", 2 for "-1" (it could not read its process's
    // token), 3 when the plug-in could not be loaded.
    if (argc > 1 && strcmp(argv[1], "--query-self") == 0) {
        if (!Plugin().f_tolvaris)
            return 3;
        std::wstring result;
        Query(L"", result);
        return result == L"0" ? 0 : result == L"1" ? 1 : 2;
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
    // Listing runs nothing: GoogleTest's list is all it prints.
    if (testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    // Each skip is judged against the place the preset names.
    const std::string place = TestPlace();
    if (!IsTestPlace(place)) {
        printf(
            "TOLVARIS_TEST_PLACE is \"%s\": no such place (wine, uac-on, native, "
            "not-elevated, windows)\n",
            place.c_str());
        return 2;
    }
    // A suite that runs elevated, in a process that got the limited half of
    // a split token (Wine 10, Windows with UAC on), runs elevated as Windows
    // elevates a program: through runelevated.exe, whose manifest asks for
    // it. Its output and exit status are this program's. Not when the
    // tests of the report run this program on made-up tests, which need no
    // token at all (TOLVARIS_TEST_AS_IS=1).
    char asIs[4];
    const DWORD asIsLength = GetEnvironmentVariableA("TOLVARIS_TEST_AS_IS", asIs, sizeof asIs);
    if (place != "not-elevated" && SelfElevationType() == TokenElevationTypeLimited &&
        !(asIsLength == 1 && asIs[0] == '1'))
        return RunSelfElevated(place);
    testing::TestEventListeners &listeners = testing::UnitTest::GetInstance()->listeners();
    delete listeners.Release(listeners.default_result_printer());
    listeners.Append(new FailuresAndSkips(place));
    const int failed = RUN_ALL_TESTS() != 0 || UnexpectedSkips > 0;
    // CTest passes a test program on this line alone, not on its exit
    // status: a process whose stack the plug-in smashed can die halfway
    // with status 0, too broken even for the crash filter above; and a
    // test file or filter with no test to run proves nothing. A program
    // whose every test was skipped shows in CTest as skipped; one that
    // skipped where its place does not expect it has failed.
    const testing::UnitTest &tests = *testing::UnitTest::GetInstance();
    const int ran = tests.test_to_run_count(), skipped = tests.skipped_test_count();
    if (failed == 0 && ran > 0 && skipped == 0)
        printf("All %d tests ran and passed.\n", ran);
    else if (failed == 0 && ran > 0)
        printf("All %d tests ran: %d passed, %d skipped.\n", ran, ran - skipped, skipped);
    fflush(stdout);
    return failed;
}
