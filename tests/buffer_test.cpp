// What f_tolvaris leaves in the host's buffer, and that it stays inside it.
#include <gtest/gtest.h>

#include "support/support.h"

namespace {
TEST(Buffer, HoldsExactlyTheAnswerAfterSuccess)
{
    wchar_t buffer[8192];
    for (wchar_t &c : buffer)
        c = L'#';
    lstrcpyW(buffer, L"  0  ");
    EXPECT_EQ(Plugin().f_tolvaris(buffer), 0);
    EXPECT_EQ(std::wstring(buffer), L"-1");
    EXPECT_EQ(buffer[8191], L'#'); // nothing written beyond the answer's end
}

TEST(Buffer, NullIsDeclinedSilently)
{
    StreamCapture out(STD_OUTPUT_HANDLE), err(STD_ERROR_HANDLE);
    EXPECT_EQ(Plugin().f_tolvaris(nullptr), 1);
    EXPECT_EQ(out.Text(), "");
    EXPECT_EQ(err.Text(), "");
}

TEST(Buffer, AFullLengthArgumentIsTakenWhole)
{
    // 8191 characters and the terminator: the most the host's buffer holds.
    std::wstring argument(8191, L' ');
    argument[8190] = L'5';
    std::wstring result;
    EXPECT_EQ(Query(argument, result), 0);
    EXPECT_TRUE(result == L"-1" || result == L"0" || result == L"1");

    argument.assign(8191, L'7');
    StreamCapture err(STD_ERROR_HANDLE);
    EXPECT_EQ(Query(argument, result), -1);
    EXPECT_EQ(result, argument);
    EXPECT_EQ(err.Text(), "Tolvaris plugin: Bad PID: \"" + Utf8(argument) + "\"\r\n");
}

// An argument with no terminator within the host's 8192 characters, ending
// right where a no-access page begins: any read or write past the buffer
// faults and ends the test program.
class Unterminated : public testing::Test {
protected:
    void SetUp() override
    {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        const size_t bytes = 8192 * sizeof(wchar_t);
        ASSERT_EQ(bytes % system.dwPageSize, 0u);
        base_ = (unsigned char *)VirtualAlloc(NULL, bytes + system.dwPageSize,
                                              MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        ASSERT_NE(base_, nullptr);
        DWORD old;
        ASSERT_TRUE(VirtualProtect(base_ + bytes, system.dwPageSize, PAGE_NOACCESS, &old));
        buffer_ = (wchar_t *)base_;
    }
    void TearDown() override { VirtualFree(base_, 0, MEM_RELEASE); }

    unsigned char *base_ = nullptr;
    wchar_t *buffer_ = nullptr;
};

TEST_F(Unterminated, IsCutToTheBufferAndRefused)
{
    for (int i = 0; i < 8192; ++i)
        buffer_[i] = L'7';
    StreamCapture err(STD_ERROR_HANDLE);
    EXPECT_EQ(Plugin().f_tolvaris(buffer_), -1);
    const std::wstring kept(8191, L'7');
    EXPECT_EQ(std::wstring(buffer_), kept);
    EXPECT_EQ(err.Text(), "Tolvaris plugin: Bad PID: \"" + Utf8(kept) + "\"\r\n");
}

TEST_F(Unterminated, IsRefusedEvenWhenWhatFitsIsBlankOrANumber)
{
    // Cut short, the text may read as something the user did not write; it
    // is refused rather than answered for the wrong process.
    for (int i = 0; i < 8192; ++i)
        buffer_[i] = L' ';
    StreamCapture err(STD_ERROR_HANDLE);
    EXPECT_EQ(Plugin().f_tolvaris(buffer_), -1);
    EXPECT_EQ(std::wstring(buffer_), L"");

    for (int i = 0; i < 8192; ++i)
        buffer_[i] = i < 8187 ? L' ' : L'1';
    EXPECT_EQ(Plugin().f_tolvaris(buffer_), -1);
    EXPECT_EQ(std::wstring(buffer_), L"1111");
    EXPECT_EQ(err.Text(), "Tolvaris plugin: Bad PID: \"\"\r\n"
                          "Tolvaris plugin: Bad PID: \"1111\"\r\n");
}
} // namespace
