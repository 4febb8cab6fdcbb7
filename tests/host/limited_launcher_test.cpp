// runlimited.exe, the launcher of a process that is not elevated: a host it
// starts reads 0, and it passes the program's exit status on.
#include <gtest/gtest.h>

#include "support/support.h"

namespace {
struct LaunchCase {
    const wchar_t *arguments;
    std::string out, err;
    DWORD exitCode;
};

TEST(LimitedLauncher, AHostItStartsIsNotElevatedAndItPassesTheExitStatusOn)
{
    SKIP_UNLESS_LIMITED_TOKEN();
    const LaunchCase cases[] = {
        {L"tcc.exe /c echo %@tolvaris[]", "0\r\n", "", 0},
        {L"tcc.exe /c echo %@tolvaris[%_pid]", "0\r\n", "", 0},
        {L"tcc.exe /c exit 3", "", "", 3},
        {L"", "", "Usage: runlimited PROGRAM [ARGUMENTS...]\r\n", 2},
        {L"no-such-program.exe", "", "runlimited: cannot start the program (error 2)\r\n", 2},
    };
    for (const LaunchCase &each : cases) {
        HostRun run = RunProgram(BinFolder() + L"runlimited.exe", each.arguments, true);
        EXPECT_EQ(run.out, each.out) << Utf8(each.arguments);
        EXPECT_EQ(run.err, each.err) << Utf8(each.arguments);
        EXPECT_EQ(run.exitCode, each.exitCode) << Utf8(each.arguments);
    }
}
} // namespace
