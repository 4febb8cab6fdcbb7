// The plug-in as a user meets it: in the stand-in host program, loaded from
// its plugins folder, used from command lines and batch files.
#include <stdio.h>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "support/support.h"

namespace {
TEST(StandinHost, EchoesTheAnswersOfAQuery)
{
    SKIP_UNLESS_ELEVATED();
    HostRun run = RunHost(L"/c echo [%@tolvaris[]] [%@tolvaris[0]] [%@TOLVARIS[ 0x0 ]]");
    EXPECT_EQ(run.out, "[1] [-1] [-1]\r\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, 0u);

    run = RunHost(L"/c echo %@tolvaris[0x4d2]");
    EXPECT_TRUE(run.out == "-1\r\n" || run.out == "0\r\n" || run.out == "1\r\n") << run.out;
}

TEST(StandinHost, RefusesAMalformedIdOnStandardError)
{
    HostRun run = RunHost(L"/c echo %@tolvaris[abc]");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, BadPid("ABC"));
    EXPECT_NE(run.exitCode, 0u);
}

TEST(StandinHost, NamesTheBatchFileAndLineOfARefusal)
{
    std::wstring batch = WriteBatchFile(L"tolvaris-host.btm",
                                        "set pid=0x4d2\r\n"
                                        "echo %@tolvaris[%pid] done\r\n"
                                        "echo %@tolvaris[pid]\r\n");
    HostRun run = RunHost(L"\"" + batch + L"\"");
    EXPECT_EQ(run.err, BadPid("PID", Utf8(batch) + " [3]  "));
    const std::string loaded = Announcement();
    EXPECT_TRUE(run.out == loaded + "-1 done\r\n" || run.out == loaded + "0 done\r\n" ||
                run.out == loaded + "1 done\r\n")
        << run.out;
    DeleteFileW(batch.c_str());
}

struct CommandLineCase {
    std::wstring arguments;
    std::string out, err;
    DWORD exitCode;
};

// What a Unix shell hands the host through Wine, which quotes an argument
// with spaces: /c's command quoted whole is unquoted as a C program would
// read it; an unknown option gets the usage and loads nothing; an argument
// longer than a function's buffer is refused, not cut.
TEST(StandinHost, TakesItsCommandLineAsAUnixShellPassesItThroughWine)
{
    const std::string usage =
        "Usage: tcc [/c COMMAND | FILE.btm]\r\n"
        "  /c COMMAND  runs one command and exits\r\n"
        "  FILE.btm    runs a batch file\r\n"
        "  (nothing)   reads commands from standard input until exit\r\n";
    const std::wstring fits(FunctionBufferChars - 2, L' ');
    const CommandLineCase cases[] = {
        {L"/c echo %@tolvaris[0]", "-1\r\n", "", 0},
        {L"/c \"echo %@tolvaris[0]\"", "-1\r\n", "", 0},
        {L"/C \"echo \\\"a b\\\"\"", "\"a b\"\r\n", "", 0}, // Wine's escaped quotes inside
        {L"/c echo \"a b\"", "\"a b\"\r\n", "", 0},         // not quoted whole: as it is
        {L"/c \"echo a\" \"b\"", "", "TCC: Unknown command \"\"echo\"\r\n", 2},
        {L"/?", usage, "", 0},
        {L"/x", "", "TCC: Unknown option \"/x\"\r\n" + usage, 2},
        {L"/cecho", "", "TCC: Unknown option \"/cecho\"\r\n" + usage, 2},
        {L"/c echo %@tolvaris[" + fits + L"0]", "-1\r\n", "", 0},
        {L"/c echo %@tolvaris[" + fits + L" 0]", "",
         "TCC: The argument of @tolvaris is longer than its buffer's 8191 characters\r\n", 2},
    };
    for (const CommandLineCase &each : cases) {
        HostRun run = RunHost(each.arguments);
        const std::string shown = Utf8(each.arguments.substr(0, 40));
        EXPECT_EQ(run.out, each.out) << shown;
        EXPECT_EQ(run.err, each.err) << shown;
        EXPECT_EQ(run.exitCode, each.exitCode) << shown;
    }
}

// A program that cannot be started fails the test with the error and what
// Wine wrote to this program's log while trying, and only that.
TEST(StandinHost, AProgramThatCannotStartFailsTheTestSayingWhyAndWhereWinesWordsAre)
{
    wchar_t log[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"TOLVARIS_WINE_LOG", log, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        GTEST_SKIP() << "not run through wine-run --log, so Wine's messages have no log";
    // This program's standard error is that log too; an earlier line is no
    // part of a later start.
    fprintf(stderr, "tolvaris: a line before the start\n");
    fflush(stderr);
    HostRun run;
    testing::TestPartResultArray failures;
    {
        testing::ScopedFakeTestPartResultReporter reporter(
            testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        run = RunProgram(BinFolder() + UniqueName(L"tolvaris-missing.exe"), L"", true);
    }
    ASSERT_EQ(failures.size(), 1);
    EXPECT_NE(std::string(failures.GetTestPartResult(0).message()).find(run.failure),
              std::string::npos);
    EXPECT_NE(run.failure.find("CreateProcessW failed with error 2 for "), std::string::npos)
        << run.failure;
    EXPECT_NE(run.failure.find("; Wine wrote nothing about it to /"), std::string::npos)
        << run.failure;
    EXPECT_EQ(run.failure.find("a line before the start"), std::string::npos) << run.failure;
    // And the log named is this program's standard error.
    HANDLE file =
        CreateFileW(log, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                    OPEN_EXISTING, 0, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    EXPECT_NE(ReadWholeFile(file).find("tolvaris: a line before the start"), std::string::npos);
    CloseHandle(file);
}
} // namespace
