// The stand-in host as a person drives it: a session ended by `exit` or the
// end of input, and `exit` in one command or a batch file.
#include <gtest/gtest.h>

#include "support/support.h"

namespace {
struct SessionCase {
    const char *input;
    std::string out, err;
    DWORD exitCode;
};

TEST(HostSession, EndsAtExitOrTheEndOfInputWithTheDocumentedStatus)
{
    const SessionCase cases[] = {
        {"echo one\necho two\n", "one\r\ntwo\r\n", "", 0},
        {"", "", "", 0},                                    // no command at all
        {"echo last", "last\r\n", "", 0},                   // no line ending at the end
        {"echo %@tolvaris[x]\n\n", "", BadPid("X"), 2},     // the last command's status
        {"echo a\nexit 7\necho never\n", "a\r\n", "", 7},   // nothing after exit runs
        {"echo %@tolvaris[x]\nexit\n", "", BadPid("X"), 2}, // exit alone: the last status
        {"EXIT 3\n", "", "", 3},
        {"exit -1\n", "", "", 0xFFFFFFFFu},
        {"exit 4294967295\n", "", "", 0xFFFFFFFFu},
        {"exit abc\necho still\n", "still\r\n",
         "TCC: Usage : EXIT [code]  (a whole number, not \"abc\")\r\n", 0},
        {"exit 4294967296\n", "",
         "TCC: Usage : EXIT [code]  (a whole number, not \"4294967296\")\r\n", 2},
    };
    for (const SessionCase &each : cases) {
        HostRun run = RunHostWithInput(L"", each.input);
        EXPECT_EQ(run.out, each.out) << each.input;
        EXPECT_EQ(run.err, each.err) << each.input;
        EXPECT_EQ(run.exitCode, each.exitCode) << each.input;
    }
}

TEST(HostSession, ExitInOneCommandOrABatchFileEndsTheHostWithItsCode)
{
    const std::wstring inner =
        WriteBatchFile(L"tolvaris-exit-inner.btm", "echo inner\r\nexit 6\r\necho never\r\n");
    const std::wstring outer = WriteBatchFile(L"tolvaris-exit-outer.btm",
                                              "call \"" + Utf8(inner) + "\"\r\necho never\r\n");
    HostRun run = RunHost(L"/c exit 5", true);
    EXPECT_EQ(run.exitCode, 5u) << testing::PrintToString(run);
    run = RunHost(L"\"" + inner + L"\"", true);
    EXPECT_EQ(run.out, "inner\r\n");
    EXPECT_EQ(run.exitCode, 6u);
    run = RunHost(L"\"" + outer + L"\"", true); // from a called batch file too
    EXPECT_EQ(run.out, "inner\r\n");
    EXPECT_EQ(run.exitCode, 6u);
    DeleteFileW(outer.c_str());
    DeleteFileW(inner.c_str());
}
} // namespace
