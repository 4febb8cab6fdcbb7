// The help box as the stand-in host shows it on the console: written out,
// and closed by the next line of input or by its end.
#include <gtest/gtest.h>

#include "support/support.h"

namespace {
// What the host writes for the help box, written out here rather than taken
// from the plug-in's or the host's sources.
const char HelpBoxOnConsole[] =
    "[Message box] Tolvaris Plugin Help\r\n"
    "| @TOLVARIS[pid] \r\n"
    "|\r\n"
    "| Tests whether a process is tolvaris:\r\n"
    "|\r\n"
    "| \t 1\ttolvaris\r\n"
    "| \t 0\tnot tolvaris\r\n"
    "| \t-1\terror\r\n"
    "|\r\n"
    "| The pid may be entered in decimal, or hexadecimal\r\n"
    "| with a leading 0x.  If pid is not specified, the current \r\n"
    "| instance of TCC is assumed.\r\n"
    "[OK]  Press Enter for OK.\r\n";

TEST(HelpBoxOnTheConsole, IsWrittenOutAndTheNextLineClosesItWithOk)
{
    // The empty line is the Enter: had the session taken it, the box would
    // have taken "echo after", and "after" would never be written.
    HostRun run = RunHostWithInput(L"", "help @tolvaris\n\necho after\n");
    EXPECT_EQ(run.out, std::string(HelpBoxOnConsole) + "after\r\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, 0u);
}

TEST(HelpBoxOnTheConsole, TheEndOfInputClosesItToo)
{
    HostRun run = RunHost(L"/c help @TOLVARIS", true); // no standard input at all
    EXPECT_EQ(run.out, HelpBoxOnConsole);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, 0u);
}
} // namespace
