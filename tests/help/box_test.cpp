// Help for @tolvaris: which names are the plug-in's topic, the box it shows
// (its text, caption, owner and button, both as a real window and as the
// arguments the plug-in passes) and the stand-in host's help command.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/guard_page.h"
#include "support/support.h"
#include "takecmd/takecmd.h"

namespace {
const wchar_t ExpectedTitle[] = L"Tolvaris Plugin Help";

// Byte for byte what the user reads, written out here rather than taken from
// the plug-in's sources.
const wchar_t ExpectedText[] =
    L"@TOLVARIS[pid] \r\n\nTests whether a process is tolvaris:\n\n\t 1\ttolvaris\n"
    L"\t 0\tnot tolvaris\n\t-1\terror\n\nThe pid may be entered in decimal, or hexadecimal\n"
    L"with a leading 0x.  If pid is not specified, the current \ninstance of TCC is assumed.\n";

// --- MessageBoxW and GetForegroundWindow replaced in the plug-in's imports ---

struct BoxCall {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT type;
};
std::vector<BoxCall> BoxCalls;
HWND ForegroundWindow = (HWND)(ULONG_PTR)0x5eed0;

int WINAPI FakeMessageBoxW(HWND owner, const wchar_t *text, const wchar_t *caption, UINT type)
{
    BoxCalls.push_back({owner, text ? text : L"(null)", caption ? caption : L"(null)", type});
    return IDOK;
}

HWND WINAPI FakeGetForegroundWindow(void)
{
    return ForegroundWindow;
}

class FakeWindows : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(Plugin().Help, nullptr);
        BoxCalls.clear();
        ForegroundWindow = (HWND)(ULONG_PTR)0x5eed0;
        box_.reset(
            new ImportSwap(Plugin().module, "USER32.dll", "MessageBoxW", (void *)&FakeMessageBoxW));
        foreground_.reset(new ImportSwap(Plugin().module, "USER32.dll", "GetForegroundWindow",
                                         (void *)&FakeGetForegroundWindow));
        ASSERT_TRUE(box_->Swapped());
        ASSERT_TRUE(foreground_->Swapped());
    }
    void TearDown() override
    {
        foreground_.reset();
        box_.reset();
    }

private:
    std::unique_ptr<ImportSwap> box_, foreground_;
};

// A thread locale under which a locale-aware compare folds 'I' to U+0131 and
// U+0130 to 'i'; the plug-in must not follow it.
class TurkishLocale {
public:
    TurkishLocale() : previous_(GetThreadLocale())
    {
        SetThreadLocale(MAKELCID(MAKELANGID(LANG_TURKISH, SUBLANG_TURKISH_TURKEY), SORT_DEFAULT));
    }
    ~TurkishLocale() { SetThreadLocale(previous_); }

private:
    LCID previous_;
};

using HelpDisplay = FakeWindows;

TEST_F(HelpDisplay, ShowsTheExactTextAndCaptionWithOnlyAnOkButtonOwnedByTheForegroundWindow)
{
    EXPECT_EQ(Plugin().Help(L"@tolvaris"), 1);
    ASSERT_EQ(BoxCalls.size(), 1u);
    EXPECT_EQ(BoxCalls[0].owner, (HWND)(ULONG_PTR)0x5eed0);
    EXPECT_EQ(BoxCalls[0].type, 0u); // MB_OK, and nothing else
    EXPECT_EQ(BoxCalls[0].caption, ExpectedTitle);
    EXPECT_EQ(BoxCalls[0].text, ExpectedText);

    // The caption is built at run time: the second box's is built anew.
    EXPECT_EQ(Plugin().Help(L"@tolvaris"), 1);
    ASSERT_EQ(BoxCalls.size(), 2u);
    EXPECT_EQ(BoxCalls[1].caption, BoxCalls[0].caption);
}

TEST_F(HelpDisplay, AsksForTheForegroundWindowAnewOnEachRequest)
{
    ForegroundWindow = (HWND)(ULONG_PTR)0x1110;
    EXPECT_EQ(Plugin().Help(L"@tolvaris"), 1);
    ForegroundWindow = NULL; // nothing in front: the box has no owner
    EXPECT_EQ(Plugin().Help(L"@tolvaris"), 1);
    ASSERT_EQ(BoxCalls.size(), 2u);
    EXPECT_EQ(BoxCalls[0].owner, (HWND)(ULONG_PTR)0x1110);
    EXPECT_EQ(BoxCalls[1].owner, (HWND)NULL);
}

// --- Which names are the plug-in's topic ---

const wchar_t *const OwnTopicNames[] = {
    L"@tolvaris", L"@TOLVARIS", L"@ToLvArIs", L"@tOLVARIS", L"@tolvariS",
};

const wchar_t *const OtherNames[] = {
    L"tolvaris",             // without its '@'
    L"TOLVARIS",             //
    L"@tolvaris[pid]",       // the help line's spelling, with brackets
    L"@TOLVARIS[pid]",       //
    L"@tolvaris[]",          //
    L"",                     //
    L"@",                    //
    L"@tolvaris ",           // a trailing space
    L" @tolvaris",           // a leading space
    L"@tolvari",             // a prefix of the name
    L"@tolvarisx",           // the name and one more: fills the name's field
    L"@tolvarisxy",          // longer than the name's field
    L"@tolvarisxxxxxxxxxxx", // twenty characters
    L"`tolvaris",            // '`' is '@' with the case bit set
    L"`TOLVARIS",            //
    L"@TOLVAR\u0130S",       // capital I with a dot
    L"@tolvar\u0131s",       // small dotless i
    L"@TOLVAR\u0131S",       //
    L"@tolvar\u0130s",       //
    L"\uFF20tolvaris",       // fullwidth '@'
    L"@\uFF54olvaris",       // fullwidth 't'
    L"@tolvaris\u0301",      // a combining accent after the name
    L"@tol\u00ADvaris",      // a soft hyphen inside it
};

using HelpTopics = FakeWindows;

TEST_F(HelpTopics, TheFunctionsNameInAnyMixOfCaseShowsTheBoxAndReturnsOne)
{
    for (const wchar_t *name : OwnTopicNames) {
        BoxCalls.clear();
        EXPECT_EQ(Plugin().Help(name), 1) << Utf8(name);
        ASSERT_EQ(BoxCalls.size(), 1u) << Utf8(name);
        EXPECT_EQ(BoxCalls[0].text, ExpectedText) << Utf8(name);
        EXPECT_EQ(BoxCalls[0].caption, ExpectedTitle) << Utf8(name);
    }
}

TEST_F(HelpTopics, AnyOtherNameReturnsZeroWithoutABox)
{
    for (const wchar_t *name : OtherNames) {
        EXPECT_EQ(Plugin().Help(name), 0) << Utf8(name);
        EXPECT_EQ(BoxCalls.size(), 0u) << Utf8(name);
        BoxCalls.clear();
    }
}

TEST_F(HelpTopics, ANullTopicReturnsZeroWithoutABox)
{
    EXPECT_EQ(Plugin().Help(nullptr), 0);
    EXPECT_EQ(BoxCalls.size(), 0u);
}

TEST_F(HelpTopics, OnlyAsciiLettersFoldWhateverTheThreadLocale)
{
    TurkishLocale turkish;
    for (const wchar_t *name : OwnTopicNames) {
        BoxCalls.clear();
        EXPECT_EQ(Plugin().Help(name), 1) << Utf8(name);
        EXPECT_EQ(BoxCalls.size(), 1u) << Utf8(name);
    }
    BoxCalls.clear();
    for (const wchar_t *name : OtherNames)
        EXPECT_EQ(Plugin().Help(name), 0) << Utf8(name);
    EXPECT_EQ(BoxCalls.size(), 0u);
}

TEST_F(HelpTopics, ALongerNameIsReadNoFurtherThanWhereItDiffers)
{
    // "@tolvarisx" with no terminator, ending at an inaccessible page: the
    // host is trusted to terminate its text, but the compare has no reason
    // to look past the first difference.
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    auto pages = (unsigned char *)VirtualAlloc(NULL, 2 * system.dwPageSize,
                                               MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    ASSERT_NE(pages, nullptr);
    DWORD protection;
    ASSERT_TRUE(
        VirtualProtect(pages + system.dwPageSize, system.dwPageSize, PAGE_NOACCESS, &protection));
    const wchar_t name[] = {L'@', L't', L'o', L'l', L'v', L'a', L'r', L'i', L's', L'x'};
    auto topic = (wchar_t *)(pages + system.dwPageSize - sizeof name);
    memcpy(topic, name, sizeof name);

    EXPECT_EQ(Plugin().Help(topic), 0);
    EXPECT_EQ(BoxCalls.size(), 0u);
    VirtualFree(pages, 0, MEM_RELEASE);
}

TEST_F(HelpTopics, ANameIsReadNoFurtherThanItsTerminator)
{
    // Each name with its terminator right before a guard page.
    auto ask = [](const wchar_t *name, int expected) {
        SCOPED_TRACE(Utf8(name));
        const size_t chars = lstrlenW(name) + 1;
        GuardedText page(chars);
        ASSERT_TRUE(page.Ready());
        memcpy(page.Text(), name, chars * sizeof(wchar_t));
        EXPECT_EQ(Plugin().Help(page.Text()), expected);
        EXPECT_FALSE(page.Touched());
    };
    for (const wchar_t *name : OwnTopicNames)
        ask(name, 1);
    for (const wchar_t *name : OtherNames)
        ask(name, 0);
}

// --- The real box, under Wine's null graphics driver ---

struct HelpRequest {
    const wchar_t *topic;
    volatile LONG returned;
    int result;
};

DWORD WINAPI RequestHelp(void *parameter)
{
    auto request = (HelpRequest *)parameter;
    request->result = Plugin().Help(request->topic);
    InterlockedExchange(&request->returned, 1);
    return 0;
}

BOOL CALLBACK CloseWindow(HWND window, LPARAM)
{
    PostMessageW(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

// The thread that asked for help, ended however the test goes: any window
// it still shows is closed, then it is waited for, for a bounded time.
class HelpThread {
public:
    explicit HelpThread(HelpRequest &request)
        : thread_(CreateThread(NULL, 0, RequestHelp, &request, 0, &id_))
    {
    }
    ~HelpThread()
    {
        if (!thread_)
            return;
        if (WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT)
            EnumThreadWindows(id_, CloseWindow, 0);
        WaitForSingleObject(thread_, 30000);
        CloseHandle(thread_);
    }
    HANDLE Handle() const { return thread_; }
    DWORD Id() const { return id_; }
    bool Running() const { return WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT; }

private:
    DWORD id_ = 0;
    HANDLE thread_;
};

// The help box that the thread shows, or NULL if none has appeared within
// about 30 seconds or the thread has ended without one.
HWND AwaitHelpBox(const HelpThread &thread)
{
    for (int attempt = 0; attempt < 3000; ++attempt) {
        HWND window = FindWindowW(NULL, ExpectedTitle);
        if (window && GetWindowThreadProcessId(window, NULL) == thread.Id())
            return window;
        if (!thread.Running())
            return NULL;
        Sleep(10);
    }
    return NULL;
}

struct Button {
    int id;
    std::wstring text;
};

BOOL CALLBACK CollectVisibleButton(HWND child, LPARAM parameter)
{
    wchar_t className[64] = {}, text[64] = {};
    GetClassNameW(child, className, 64);
    if (lstrcmpiW(className, L"Button") == 0 && IsWindowVisible(child)) {
        GetWindowTextW(child, text, 64);
        ((std::vector<Button> *)parameter)->push_back({GetDlgCtrlID(child), text});
    }
    return TRUE;
}

TEST(HelpBox, StaysOpenUntilClosedShowingTheTextCaptionAndOneOkButtonThenReturnsOne)
{
    ASSERT_NE(Plugin().Help, nullptr);
    HelpRequest request = {L"@TOLVARIS", 0, -2};
    HelpThread thread(request);
    ASSERT_NE(thread.Handle(), (HANDLE)NULL);

    HWND box = AwaitHelpBox(thread);
    ASSERT_NE(box, (HWND)NULL) << "no box appeared";

    wchar_t caption[1024] = {}, text[4096] = {};
    GetWindowTextW(box, caption, 1024);
    GetDlgItemTextW(box, 0xFFFF, text, 4096); // the message's static control
    std::vector<Button> buttons;
    EnumChildWindows(box, CollectVisibleButton, (LPARAM)&buttons);

    EXPECT_EQ(std::wstring(caption), ExpectedTitle);
    EXPECT_EQ(std::wstring(text), ExpectedText);
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0].id, IDOK);
    EXPECT_EQ(buttons[0].text, L"OK");

    // Everything above was read while the box was up: Help has not returned.
    EXPECT_TRUE(thread.Running());
    EXPECT_EQ(request.returned, 0);

    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_EQ(WaitForSingleObject(thread.Handle(), 30000), (DWORD)WAIT_OBJECT_0);
    EXPECT_EQ(request.returned, 1);
    EXPECT_EQ(request.result, 1);
}

TEST(HelpBox, AnotherNameShowsNoWindowAndReturnsAtOnce)
{
    ASSERT_NE(Plugin().Help, nullptr);
    HelpRequest request = {L"tolvaris", 0, -2};
    HelpThread thread(request);
    ASSERT_NE(thread.Handle(), (HANDLE)NULL);
    // Nobody closes anything here: with no box, the thread ends by itself.
    ASSERT_EQ(WaitForSingleObject(thread.Handle(), 30000), (DWORD)WAIT_OBJECT_0);
    EXPECT_EQ(request.result, 0);
}

// --- The stand-in host's help command ---

class HelpCommand : public FakeWindows {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(HostLoadPlugin(PluginPath().c_str()), 0); }
    static void TearDownTestSuite() { HostUnloadPlugins(); }
};

TEST_F(HelpCommand, OffersTheNameToThePluginWhichShowsItsBox)
{
    StreamCapture out(STD_OUTPUT_HANDLE), err(STD_ERROR_HANDLE);
    EXPECT_EQ(HostExecute(L"help @TOLVARIS"), 0);
    ASSERT_EQ(BoxCalls.size(), 1u);
    EXPECT_EQ(BoxCalls[0].text, ExpectedText);
    EXPECT_EQ(BoxCalls[0].caption, ExpectedTitle);
    EXPECT_EQ(err.Text(), "");
}

TEST_F(HelpCommand, SaysSoOnStandardErrorWhenNoPluginKnowsTheName)
{
    const struct {
        const wchar_t *line;
        const char *error;
    } cases[] = {
        {L"help tolvaris", "TCC: No help for \"tolvaris\"\r\n"},
        {L"help @tolvaris[pid]", "TCC: No help for \"@tolvaris[pid]\"\r\n"},
        {L"help @nothing", "TCC: No help for \"@nothing\"\r\n"},
    };
    for (const auto &each : cases) {
        StreamCapture out(STD_OUTPUT_HANDLE), err(STD_ERROR_HANDLE);
        EXPECT_NE(HostExecute(each.line), 0) << Utf8(each.line);
        EXPECT_EQ(err.Text(), each.error);
        EXPECT_EQ(out.Text(), "");
    }
    EXPECT_EQ(BoxCalls.size(), 0u);
}

TEST(HelpCommandInTheHostProgram, AnUnknownNameGivesTheNoHelpLineAndAFailingExit)
{
    HostRun run = RunHost(L"/c help @nothing");
    EXPECT_EQ(run.err, "TCC: No help for \"@nothing\"\r\n");
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.exitCode, 0u);
}
} // namespace
