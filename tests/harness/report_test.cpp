// What a run says of itself: a failed test is named before its messages,
// which are cut to fit; a skip that its place does not expect fails the
// run, naming the test and its reason. Proven on this very program, run on
// tests made to fail and to skip, which run only when asked for by name.
#include <gtest/gtest.h>

#include <string>

#include "support/support.h"

namespace {

std::string WithoutCarriageReturns(std::string text)
{
    std::string kept;
    for (char c : text)
        if (c != '\r')
            kept += c;
    return kept;
}

// Sets an environment variable of this process, which the programs it
// starts inherit, until it goes out of scope.
class EnvironmentOverride {
public:
    EnvironmentOverride(const wchar_t *name, const wchar_t *value) : name_(name)
    {
        wchar_t old[256];
        const DWORD length = GetEnvironmentVariableW(name, old, 256);
        had_ = length > 0 && length < 256;
        if (had_)
            old_.assign(old, length);
        SetEnvironmentVariableW(name, value);
    }
    ~EnvironmentOverride() { SetEnvironmentVariableW(name_, had_ ? old_.c_str() : NULL); }

private:
    const wchar_t *name_;
    std::wstring old_;
    bool had_;
};

HostRun RunThisProgram(const std::wstring &test, const wchar_t *place)
{
    EnvironmentOverride placed(L"TOLVARIS_TEST_PLACE", place);
    // In the very process started, whatever its token: the made-up tests
    // need none, and where a program is not elevated (the not-elevated
    // suite), Wine 8 would not start runelevated.exe elevated.
    EnvironmentOverride asIs(L"TOLVARIS_TEST_AS_IS", L"1");
    return RunProgram(BinFolder() + ThisProgram(),
                      L"--gtest_also_run_disabled_tests --gtest_filter=" + test);
}

// Made to fail and to skip; each runs only when a test here asks for it.
TEST(TestReport, DISABLED_FailsRowAfterRow)
{
    for (int row = 0; row < 8; ++row)
        EXPECT_EQ(row, -1) << "row " << row << "\nline two\nline three\nline four\nline five"
                           << "\nline six\nline seven, not shown";
}

TEST(TestReport, DISABLED_Skips)
{
    GTEST_SKIP() << "made to skip, as no place expects";
}

TEST(TestReport, AFailedTestIsNamedBeforeItsMessagesCutToFit)
{
    HostRun run = RunThisProgram(L"TestReport.DISABLED_FailsRowAfterRow", L"wine");
    const std::string out = WithoutCarriageReturns(run.out);
    EXPECT_EQ(out.rfind("[  FAILED  ] TestReport.DISABLED_FailsRowAfterRow\n", 0), 0u) << out;
    EXPECT_NE(out.find("row 3\nline two"), std::string::npos) << out;
    EXPECT_EQ(out.find("row 4"), std::string::npos) << out;
    EXPECT_EQ(out.find("not shown"), std::string::npos) << out;
    EXPECT_NE(out.find(" more lines of its messages, whole on standard error)\n"),
              std::string::npos)
        << out;
    EXPECT_NE(WithoutCarriageReturns(run.err).find("row 7\nline two"), std::string::npos)
        << run.err;
    EXPECT_EQ(out.find("All 1 tests ran"), std::string::npos) << out;
    EXPECT_NE(run.exitCode, 0u);
}

struct SkipCase {
    const char *place, *test, *reason;
    bool expected;
};

TEST(SkipJudgement, ASkipIsExpectedOnlyInTheListedPlacesWithItsReason)
{
    const char *const wineOnly = "InHost.RefusesToLoadOnWindowsXp";
    const SkipCase cases[] = {
        {"native", wineOnly, "Wine's XP exists only under Wine, and these tests...", true},
        {"windows", wineOnly, "exists only under Wine", true},
        {"wine", wineOnly, "exists only under Wine", false},
        {"native", wineOnly, "some other reason", false},
        {"native", "InHost.NoSuchTest", "exists only under Wine", false},
        {"not-elevated", "Elevation.TheHostsOwnProcessIsElevated",
         "this test process is not elevated (its token reads 0)", true},
        {"windows", "Elevation.TheHostsOwnProcessIsElevated", "this test process is not elevated",
         false},
        // Where programs get the limited half, the suite runs elevated all the same.
        {"uac-on", "Elevation.TheHostsOwnProcessIsElevated", "this test process is not elevated",
         false},
        {"uac-on", "SplitToken.TheLimitedHalfAnswersZeroItsFullHalfOneAndSoDoTheirChildren",
         "TokenElevationTypeDefault", false},
        {"windows", "SplitToken.TheLimitedHalfAnswersZeroItsFullHalfOneAndSoDoTheirChildren",
         "this process's token is not split (TokenElevationTypeDefault: UAC off, ...)", true},
    };
    for (const SkipCase &each : cases)
        EXPECT_EQ(SkipIsExpected(each.place, each.test, each.reason), each.expected)
            << each.place << " " << each.test << ": " << each.reason;
}

TEST(SkipJudgement, AnUnexpectedSkipFailsTheRunNamingTheTestAndItsReason)
{
    HostRun run = RunThisProgram(L"TestReport.DISABLED_Skips", L"native");
    const std::string out = WithoutCarriageReturns(run.out);
    EXPECT_EQ(out.rfind("[  FAILED  ] TestReport.DISABLED_Skips: skipped where it should run "
                        "(native): made to skip, as no place expects\n"
                        "If it cannot run there,",
                        0),
              0u)
        << out;
    EXPECT_EQ(out.find("All 1 tests ran"), std::string::npos) << out;
    EXPECT_NE(run.exitCode, 0u);
}

TEST(SkipJudgement, APlaceThatDoesNotExistIsRefused)
{
    HostRun run = RunThisProgram(L"SkipJudgement.ASkipIsExpected*", L"elsewhere");
    EXPECT_EQ(WithoutCarriageReturns(run.out),
              "TOLVARIS_TEST_PLACE is \"elsewhere\": no such place (wine, uac-on, native, "
              "not-elevated, windows)\n");
    EXPECT_EQ(run.exitCode, 2u);
}
} // namespace
