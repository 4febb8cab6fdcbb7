// The plug-in as a user meets it: in the stand-in host program, loaded from
// its plugins folder, used from command lines and batch files.
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
    EXPECT_EQ(run.err, "Tolvaris plugin: Bad PID: \"ABC\"\r\n");
    EXPECT_NE(run.exitCode, 0u);
}

TEST(StandinHost, NamesTheBatchFileAndLineOfARefusal)
{
    std::wstring batch = WriteBatchFile(L"tolvaris-host.btm",
                                        "set pid=0x4d2\r\n"
                                        "echo %@tolvaris[%pid] done\r\n"
                                        "echo %@tolvaris[pid]\r\n");
    HostRun run = RunHost(L"\"" + batch + L"\"");
    EXPECT_EQ(run.err, "Tolvaris plugin: " + Utf8(batch) + " [3]  Bad PID: \"PID\"\r\n");
    const std::string loaded = Announcement();
    EXPECT_TRUE(run.out == loaded + "-1 done\r\n" || run.out == loaded + "0 done\r\n" ||
                run.out == loaded + "1 done\r\n")
        << run.out;
    DeleteFileW(batch.c_str());
}
} // namespace
