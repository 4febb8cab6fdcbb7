// The refusal line on standard error, where the host's state shapes it: its
// batch location, its batch name taken literally, the handle of the moment.
#include <gtest/gtest.h>

#include "support/support.h"
#include "takecmd/takecmd.h"

namespace {
class ErrorLine : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(HostLoadPlugin(PluginPath().c_str()), 0); }
    static void TearDownTestSuite() { HostUnloadPlugins(); }
};

TEST_F(ErrorLine, OutsideABatchFileItIsThePluginNameAndTheMessage)
{
    StreamCapture out(STD_OUTPUT_HANDLE), err(STD_ERROR_HANDLE);
    EXPECT_NE(HostExecute(L"echo [%@tolvaris[ abc ]]"), 0); // the command is abandoned
    EXPECT_EQ(err.Text(), "Tolvaris plugin: Bad PID: \"ABC\"\r\n");
    EXPECT_EQ(out.Text(), "");
}

TEST_F(ErrorLine, InsideABatchFileItNamesTheFileAndLine)
{
    // The name holds printf directives, which must come out as they are.
    std::wstring batch = WriteBatchFile(L"tolvaris %d%s%n.btm",
                                        "echo first\r\n"
                                        "echo [%@tolvaris[ 0x ]]\r\n"
                                        "echo [%@tolvaris[0]]\r\n");
    StreamCapture out(STD_OUTPUT_HANDLE), err(STD_ERROR_HANDLE);
    EXPECT_EQ(HostRunBatch(batch.c_str()), 0);
    EXPECT_EQ(err.Text(), "Tolvaris plugin: " + Utf8(batch) + " [2]  Bad PID: \"0X\"\r\n");
    EXPECT_EQ(out.Text(), "first\r\n[-1]\r\n");
    DeleteFileW(batch.c_str());
}

TEST_F(ErrorLine, AnEmptyBatchExpansionStillWritesTheLocation)
{
    // Only a leading '0' means "no batch file"; an empty answer does not.
    HostOverrideVariable(L"_batch", L"");
    HostOverrideVariable(L"_batchname", L"odd.btm");
    HostOverrideVariable(L"_batchline", L"7");
    std::wstring result;
    StreamCapture err(STD_ERROR_HANDLE);
    EXPECT_EQ(Query(L"q", result), -1);
    EXPECT_EQ(err.Text(), "Tolvaris plugin: odd.btm [7]  Bad PID: \"Q\"\r\n");
    for (const wchar_t *name : {L"_batch", L"_batchname", L"_batchline"})
        HostOverrideVariable(name, nullptr);
}

TEST_F(ErrorLine, StandardErrorIsFetchedAnewForEachLine)
{
    std::wstring result;
    StreamCapture first(STD_ERROR_HANDLE);
    EXPECT_EQ(Query(L"one", result), -1);
    {
        StreamCapture second(STD_ERROR_HANDLE);
        EXPECT_EQ(Query(L"two", result), -1);
        EXPECT_EQ(second.Text(), "Tolvaris plugin: Bad PID: \"TWO\"\r\n");
    }
    EXPECT_EQ(Query(L"three", result), -1);
    EXPECT_EQ(first.Text(), "Tolvaris plugin: Bad PID: \"ONE\"\r\n"
                            "Tolvaris plugin: Bad PID: \"THREE\"\r\n");
}
} // namespace
