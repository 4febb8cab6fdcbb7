// What f_tolvaris leaves in the host's buffer, and that it stays inside it.
#include <gtest/gtest.h>

#include "support/guard_page.h"
#include "support/support.h"

namespace {
// The host's buffer, and the longest text it holds with its terminator.
const int Chars = FunctionBufferChars, Longest = FunctionBufferChars - 1;

TEST(Buffer, HoldsExactlyTheAnswerAfterSuccess)
{
    wchar_t buffer[Chars];
    for (wchar_t &c : buffer)
        c = L'#';
    lstrcpyW(buffer, L"  0  ");
    EXPECT_EQ(Plugin().f_tolvaris(buffer), 0);
    EXPECT_EQ(std::wstring(buffer), L"-1");
    EXPECT_EQ(buffer[Chars - 1], L'#'); // nothing written beyond the answer's end
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
    // The most the host's buffer holds, and the terminator.
    std::wstring argument(Longest, L' ');
    argument[Longest - 1] = L'5';
    std::wstring result;
    EXPECT_EQ(Query(argument, result), 0);
    EXPECT_TRUE(result == L"-1" || result == L"0" || result == L"1");

    argument.assign(Longest, L'7');
    StreamCapture err(STD_ERROR_HANDLE);
    EXPECT_EQ(Query(argument, result), -1);
    EXPECT_EQ(result, argument);
    EXPECT_EQ(err.Text(), BadPid(Utf8(argument)));
}

// An argument of all the host's buffer's characters ending right where a guard page
// begins: nothing past the buffer may be read or written, not even by a
// system function that hides the fault.
class Unterminated : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(page_.Ready());
        buffer_ = page_.Text();
    }
    void TearDown() override
    {
        EXPECT_FALSE(page_.Touched()) << "the page after the host's buffer was read or written";
    }

    GuardedText page_{Chars};
    wchar_t *buffer_ = nullptr;
};

TEST_F(Unterminated, IsCutToTheBufferAndRefused)
{
    for (int i = 0; i < Chars; ++i)
        buffer_[i] = L'7';
    StreamCapture err(STD_ERROR_HANDLE);
    EXPECT_EQ(Plugin().f_tolvaris(buffer_), -1);
    const std::wstring kept(Longest, L'7');
    EXPECT_EQ(std::wstring(buffer_), kept);
    EXPECT_EQ(err.Text(), BadPid(Utf8(kept)));
}

TEST_F(Unterminated, IsRefusedEvenWhenWhatFitsIsBlankOrANumber)
{
    // Cut short, the text may read as something the user did not write; it
    // is refused rather than answered for the wrong process.
    for (int i = 0; i < Chars; ++i)
        buffer_[i] = L' ';
    StreamCapture err(STD_ERROR_HANDLE);
    EXPECT_EQ(Plugin().f_tolvaris(buffer_), -1);
    EXPECT_EQ(std::wstring(buffer_), L"");

    for (int i = 0; i < Chars; ++i)
        buffer_[i] = i < Chars - 5 ? L' ' : L'1';
    EXPECT_EQ(Plugin().f_tolvaris(buffer_), -1);
    EXPECT_EQ(std::wstring(buffer_), L"1111");
    EXPECT_EQ(err.Text(), BadPid("") + BadPid("1111"));
}

TEST_F(Unterminated, NothingPastTheBufferIsReadWhateverItHolds)
{
    // Full-length arguments, terminated in the buffer's last character or not
    // at all: the text is read up to the terminator or the buffer's end.
    struct Row {
        const char *what;
        std::wstring text; // all the buffer's characters
        int status;
        std::wstring kept;
    };
    const std::wstring digits(Longest, L'7'), blanks(Longest - 1, L' ');
    const Row rows[] = {
        {"the longest digits and the terminator", digits + L'\0', -1, digits},
        {"the longest letters and the terminator", std::wstring(Longest, L'a') + L'\0', -1,
         std::wstring(Longest, L'A')},
        {"blanks, a zero and the terminator", blanks + L'0' + L'\0', 0, L"-1"},
        {"blanks, a zero and a blank cut off", blanks + L"0 ", -1, L"0"},
        {"a zero, the terminator and leftovers", L"0" + std::wstring(1, L'\0') + digits.substr(1),
         0, L"-1"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_EQ(row.text.size(), (size_t)Chars);
        row.text.copy(buffer_, Chars);
        page_.Arm();
        StreamCapture err(STD_ERROR_HANDLE);
        EXPECT_EQ(Plugin().f_tolvaris(buffer_), row.status);
        EXPECT_EQ(std::wstring(buffer_), row.kept);
        EXPECT_EQ(err.Text(), row.status == 0 ? "" : BadPid(Utf8(row.kept)));
        EXPECT_FALSE(page_.Touched());
    }
}
} // namespace
