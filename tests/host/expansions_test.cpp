// What the plug-in asks the host to expand, seen by a recorder put in place
// of ExpandVariables in the DLL's import table: the texts, the flag, the
// zero-filled buffer of the size the host relies on, since no capacity is
// passed, and what standard error already held: an error line names the
// plug-in before any expansion, which may itself write or fail.
#include <gtest/gtest.h>

#include <vector>

#include "support/support.h"
#include "takecmd/takecmd.h"

namespace {
const wchar_t BatchCheck[] = L"%_batch";
const wchar_t Location[] = L"%_batchname [%_batchline]  ";
const wchar_t LoadCheck[] = L"%[_transient]%[_pipe]%[noloadmsg]";
const char Named[] = "Tolvaris plugin: "; // an error line's start

struct Expansion {
    std::wstring text;
    int flag;
    bool restIsZero;         // the buffer zero-filled after the text, to its size
    std::string errorsSoFar; // what standard error held when it was asked for
    bool operator==(const Expansion &other) const
    {
        return text == other.text && flag == other.flag && restIsZero == other.restIsZero &&
               errorsSoFar == other.errorsSoFar;
    }
};
void PrintTo(const Expansion &e, std::ostream *out)
{
    *out << "{\"" << Utf8(e.text) << "\", flag " << e.flag
         << (e.restIsZero ? "" : ", not zero-filled") << ", after errors \"" << e.errorsSoFar
         << "\"}";
}

std::vector<Expansion> Recorded;
std::wstring LongLocation; // what a long batch file's location expands to
decltype(&ExpandVariables) RealExpandVariables;

// The buffer each text arrives in: the host's own buffer size for the error
// prefix, 1024 for the load check. Only the first text's buffer is
// zero-filled after it by contract; the location text reuses a buffer.
size_t ZeroFilledChars(const std::wstring &text)
{
    return text == BatchCheck ? FunctionBufferChars : text == LoadCheck ? 1024 : 0;
}

int RecordingExpandVariables(wchar_t *text, int flag)
{
    const std::wstring before = text;
    bool restIsZero = true;
    for (size_t i = before.size(); i < ZeroFilledChars(before); ++i)
        restIsZero &= text[i] == L'\0';
    // Standard error is a file that the test captures.
    Recorded.push_back({before, flag, restIsZero, ReadWholeFile(GetStdHandle(STD_ERROR_HANDLE))});
    if (before == Location && !LongLocation.empty()) {
        // As a real host would: it trusts the buffer to hold FunctionBufferChars.
        LongLocation.copy(text, LongLocation.size());
        text[LongLocation.size()] = L'\0';
        return 0;
    }
    return RealExpandVariables(text, flag);
}

struct Road {
    const char *name;
    const wchar_t *batch; // what %_batch expands to
    int (*call)(void);
    std::vector<Expansion> expected;
    std::string error;
};

int Refuse()
{
    std::wstring result;
    return Query(L"bad", result);
}
int Answer()
{
    std::wstring result;
    return Query(L"0", result);
}
int Start()
{
    return Plugin().InitializePlugin();
}
int StartTwice()
{
    Start();
    return Start();
}

class Expansions : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(swap_.Swapped());
        RealExpandVariables = (decltype(&ExpandVariables))swap_.Original();
        Recorded.clear();
    }
    void TearDown() override { LongLocation.clear(); }
    HostVariableOverride batchName_{L"_batchname", L"C:\\jobs\\x.btm"}, line_{L"_batchline", L"3"},
        quiet_{L"noloadmsg", L"quiet"};
    ImportSwap swap_{Plugin().module, "TakeCmd.dll", "ExpandVariables",
                     (void *)&RecordingExpandVariables};
};

TEST_F(Expansions, EachRoadAsksForItsTextsWithFlagOneInAZeroFilledBuffer)
{
    const Road roads[] = {
        {"a refusal outside a batch file",
         L"0",
         Refuse,
         {{BatchCheck, 1, true, Named}},
         BadPid("BAD")},
        {"a refusal inside a batch file",
         L"1",
         Refuse,
         {{BatchCheck, 1, true, Named}, {Location, 1, true, Named}},
         BadPid("BAD", "C:\\jobs\\x.btm [3]  ")},
        {"an answer", L"1", Answer, {}, ""},
        {"start-up", L"0", Start, {{LoadCheck, 1, true, ""}}, ""},
        {"start-up twice: the same text both times",
         L"0",
         StartTwice,
         {{LoadCheck, 1, true, ""}, {LoadCheck, 1, true, ""}},
         ""},
    };
    for (const Road &road : roads) {
        SCOPED_TRACE(road.name);
        HostVariableOverride batch(L"_batch", road.batch);
        Recorded.clear();
        StreamCapture out(STD_OUTPUT_HANDLE), err(STD_ERROR_HANDLE);
        road.call();
        EXPECT_EQ(Recorded, road.expected);
        EXPECT_EQ(err.Text(), road.error);
        EXPECT_EQ(out.Text(), "");
    }
}

TEST_F(Expansions, ABatchFileNameAsLongAsTheHostAllowsIsWrittenWhole)
{
    // As many characters as, with the terminator, fill the error prefix's
    // buffer.
    const std::wstring name = L"C:\\" + std::wstring(FunctionBufferChars - 1 - 3 - 6, L'n');
    LongLocation = name + L" [7]  ";
    ASSERT_EQ(LongLocation.size(), (size_t)FunctionBufferChars - 1);
    HostVariableOverride batch(L"_batch", L"1");
    StreamCapture err(STD_ERROR_HANDLE);
    EXPECT_EQ(Refuse(), -1);
    EXPECT_EQ(err.Text(), BadPid("BAD", Utf8(LongLocation)));
}
} // namespace
