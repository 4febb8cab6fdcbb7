// How f_tolvaris reads its argument: which process it asks about, or how it
// refuses. OpenProcess is swapped in the DLL's import table to see the ID.
#include <gtest/gtest.h>

#include <vector>

#include "support/support.h"

namespace {
std::vector<DWORD> OpenedPids;
decltype(&OpenProcess) RealOpenProcess;

HANDLE WINAPI RecordingOpenProcess(DWORD access, BOOL inherit, DWORD pid)
{
    OpenedPids.push_back(pid);
    return RealOpenProcess(access, inherit, pid);
}

class Arguments : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(Plugin().f_tolvaris, nullptr);
        ASSERT_TRUE(swap_.Swapped());
        RealOpenProcess = (decltype(&OpenProcess))swap_.Original();
        OpenedPids.clear();
    }
    ImportSwap swap_{Plugin().module, "KERNEL32.dll", "OpenProcess", (void *)&RecordingOpenProcess};
};

struct Accepted {
    const wchar_t *argument;
    DWORD pid;
};

TEST_F(Arguments, ValidIdsAskAboutThatProcess)
{
    const Accepted rows[] = {
        {L"  1234\t", 1234},
        {L"0x4d2", 1234},
        {L"0X4D2", 1234},
        {L" 0x4D2 ", 1234},
        {L"0x0x1A", 26},
        {L"0X0x1a", 26},
        {L"010", 10}, // decimal, not octal
        {L"0", 0},
        {L"4294967295", 4294967295u},
        {L"00000000004294967295", 4294967295u},
        {L"0xFFFFFFFF", 4294967295u},
        {L"0x00000000ffffffff", 4294967295u},
        {L"\u00a0\v\f42\r\n", 42},    // white space of Latin-1
        {L"\u3000\u2003 7\u3000", 7}, // and above it, as the system classifies it
        // The ends of each digit range, as the first digit and after it.
        {L"90", 90},
        {L"0x9abcdef0", 0x9abcdef0u},
        {L"0XA9", 0xA9},
    };
    for (const Accepted &row : rows) {
        SCOPED_TRACE(Utf8(row.argument));
        OpenedPids.clear();
        StreamCapture err(STD_ERROR_HANDLE);
        std::wstring result;
        EXPECT_EQ(Query(row.argument, result), 0);
        EXPECT_EQ(OpenedPids, std::vector<DWORD>{row.pid});
        EXPECT_TRUE(result == L"1" || result == L"0" || result == L"-1") << Utf8(result);
        EXPECT_EQ(err.Text(), "");
    }
}

TEST_F(Arguments, EmptyOrBlankMeansTheHostsOwnProcess)
{
    SKIP_UNLESS_ELEVATED();
    for (const wchar_t *argument : {L"", L" ", L"\t\r\n \u00a0\u3000"}) {
        OpenedPids.clear();
        std::wstring result;
        EXPECT_EQ(Query(argument, result), 0);
        EXPECT_EQ(OpenedPids, std::vector<DWORD>{GetCurrentProcessId()});
        EXPECT_EQ(result, L"1");
    }
}

struct Refused {
    const wchar_t *argument;
    const wchar_t *shown; // trimmed and upper-cased, as the buffer keeps it
};

TEST_F(Arguments, MalformedIdsAreRefusedWithTheNormalisedText)
{
    const Refused rows[] = {
        {L"abc", L"ABC"},
        {L"  0x ", L"0X"},
        {L"0xG1", L"0XG1"},
        {L"0x0x", L"0X0X"},
        {L"0x0xg", L"0X0XG"},
        {L"0x0x0x1A", L"0X0X0X1A"}, // only one repeated prefix is skipped
        {L"12 34", L"12 34"},       // inner white space stays
        {L"-5", L"-5"},
        {L"+5", L"+5"},
        {L"1234abc", L"1234ABC"},
        {L"4294967296", L"4294967296"},
        {L"0x100000000", L"0X100000000"},
        {L"99999999999999999999", L"99999999999999999999"},
        // Values that a narrower accumulator, or a range check made only at
        // the end, would see wrap round to a valid ID.
        {L"10000000000", L"10000000000"},                   // 10^10 mod 2^32 is above 10^9
        {L"0x1FFFFFFF0", L"0X1FFFFFFF0"},                   // and 0xFFFFFFF0 above 0x1FFFFFFF
        {L"18446744073709551616", L"18446744073709551616"}, // 2^64
        {L"18446744073709551621", L"18446744073709551621"}, // 2^64 + 5
        {L"18446744078004518911", L"18446744078004518911"}, // 2^64 + 0xFFFFFFFF
        {L"36893488147419103237", L"36893488147419103237"}, // 2^65 + 5
        {L"000018446744073709551621", L"000018446744073709551621"},
        {L"340282366920938463463374607431768211461", L"340282366920938463463374607431768211461"},
        {L"0x10000000000000005", L"0X10000000000000005"}, // 2^64 + 5
        {L"0x100000000ffffffff", L"0X100000000FFFFFFFF"},
        {L"0x0x10000000000000005", L"0X0X10000000000000005"},
        {L"0x100000000000000000000000000000005", L"0X100000000000000000000000000000005"},
        {L"x10", L"X10"},
        {L"\u0661\u0662", L"\u0661\u0662"}, // Arabic-Indic digits: ASCII only
        {L"\uff11", L"\uff11"},             // fullwidth one
        {L"1\u00b2", L"1\u00b2"},           // superscript two
        {L"\u0085"
         L"5",
         L"\u0085"
         L"5"},                                 // NEL: Latin-1, but not white space
        {L"\u0131d \u00e9", L"\u0131D \u00e9"}, // only a-z change case
        {L"%d%s", L"%D%S"},                     // shown as text, never as a format
        // The ends of the letters, and the characters just outside each range.
        {L"az`{@[", L"AZ`{@["},
        {L"/1", L"/1"},
        {L"1:", L"1:"},
        {L"0x1:", L"0X1:"},
        {L"0x@", L"0X@"},
        {L"0x1`", L"0X1`"},
        {L"0x1g", L"0X1G"},
        // Above U+00FF, whose low byte alone is white space, a digit, a hex letter or a-z.
        {L"\u012042\u0109", L"\u012042\u0109"}, // low bytes space and tab
        {L"\u010A\u010B\u010C\u010D\u01A07", L"\u010A\u010B\u010C\u010D\u01A07"},
        {L"4\u01202", L"4\u01202"},
        {L"\u01314", L"\u01314"}, // low bytes '1', '9', '0'
        {L"4\u0139", L"4\u0139"},
        {L"4\u01302", L"4\u01302"},
        {L"0x\u01411", L"0X\u01411"}, // low bytes 'A', 'f', 'D'
        {L"0x1\u0166", L"0X1\u0166"},
        {L"0x1\u01442", L"0X1\u01442"},
        {L"0\u01781A", L"0\u01781A"}, // low bytes 'x' and 'X': no prefix
        {L"0\u01581a", L"0\u01581A"},
        {L"0x\u0161", L"0X\u0161"}, // low bytes 'a' and 'z': not upper-cased
        {L"\u017A1", L"\u017A1"},
        {L"1\u017A2\u0161", L"1\u017A2\u0161"},
    };
    for (const Refused &row : rows) {
        SCOPED_TRACE(Utf8(row.argument));
        OpenedPids.clear();
        StreamCapture err(STD_ERROR_HANDLE);
        std::wstring result;
        EXPECT_EQ(Query(row.argument, result), -1);
        EXPECT_EQ(result, row.shown);
        EXPECT_EQ(err.Text(), BadPid(Utf8(row.shown)));
        EXPECT_TRUE(OpenedPids.empty());
    }
}
} // namespace
