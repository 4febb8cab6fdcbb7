// What the host sees of the plug-in as a module: its descriptor, whether it
// agrees to load, and when it announces itself.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "identity.h"
#include "support/support.h"
#include "takecmd/takecmd.h"

namespace {

// Every other export in turn, as a host session would call them.
void RunTheOtherExports()
{
    HostVariableOverride quiet(L"noloadmsg", L"quiet");
    StreamCapture out(STD_OUTPUT_HANDLE), err(STD_ERROR_HANDLE);
    EXPECT_EQ(Plugin().InitializePlugin(), 0);
    std::wstring result;
    EXPECT_EQ(Query(L"", result), 0);
    EXPECT_EQ(Query(L"bad", result), -1);
    EXPECT_EQ(Plugin().Help(L"no such topic"), 0);
    EXPECT_EQ(Plugin().ShutdownPlugin(0), 0);
}

// The descriptor's six texts, copied out of the record as the host reads them.
std::vector<std::wstring> TextsOf(const void *descriptor)
{
    const wchar_t *texts[6];
    memcpy(texts, descriptor, sizeof texts);
    return std::vector<std::wstring>(texts, texts + 6);
}

TEST(Descriptor, HasTheHostsLayoutAndTheSameValuesOnEveryCall)
{
    const unsigned char *first = (const unsigned char *)Plugin().GetPluginInfo();
    ASSERT_NE(first, nullptr);
    unsigned char bytes[80];
    memcpy(bytes, first, sizeof bytes);

    const wchar_t *texts[6];
    memcpy(texts, bytes, sizeof texts);
    EXPECT_STREQ(texts[0], L"Tolvaris");
    // Author, e-mail and web page are ours to choose; each in its own field.
    EXPECT_STREQ(texts[1], L"The Tolvaris developers");
    EXPECT_STREQ(texts[2], L"tolvaris@users.noreply.example");
    EXPECT_STREQ(texts[3], L"https://tolvaris.example/");
    EXPECT_STREQ(texts[4], L"Tolvaris plugin");
    EXPECT_STREQ(texts[5], L"@tolvaris");

    int numbers[3];
    memcpy(numbers, bytes + 48, sizeof numbers);
    EXPECT_EQ(numbers[0], TOLVARIS_VERSION_MAJOR);
    EXPECT_EQ(numbers[1], TOLVARIS_VERSION_MINOR);
    EXPECT_EQ(numbers[2], TOLVARIS_VERSION_BUILD);
    const unsigned char zeros[20] = {};
    EXPECT_EQ(memcmp(bytes + 60, zeros, 20), 0);

    // The texts themselves, not only where they lie: one built at run time
    // and kept could grow or change with each call.
    const std::vector<std::wstring> once = TextsOf(first);
    EXPECT_EQ(Plugin().GetPluginInfo(), (const void *)first);
    EXPECT_EQ(memcmp(first, bytes, sizeof bytes), 0);
    EXPECT_EQ(TextsOf(first), once) << "after a second call";
    RunTheOtherExports();
    EXPECT_EQ(TextsOf(first), once) << "after the other exports";
    EXPECT_EQ(Plugin().GetPluginInfo(), (const void *)first);
    EXPECT_EQ(TextsOf(first), once) << "after a third call";
}

// The 20 bytes after BuildNumber are the host's: nothing the plug-in does
// may write them, before or after it has started.
TEST(Descriptor, TheHostsBytesAreNeverWritten)
{
    unsigned char *descriptor = (unsigned char *)Plugin().GetPluginInfo();
    ASSERT_NE(descriptor, nullptr);
    const unsigned char zeros[20] = {};
    RunTheOtherExports();
    EXPECT_EQ(memcmp(descriptor + 60, zeros, 20), 0) << "changed by the other exports";

    unsigned char hostData[20];
    for (int i = 0; i < 20; ++i)
        hostData[i] = (unsigned char)(0xA0 + i);
    memcpy(descriptor + 60, hostData, 20);
    EXPECT_EQ(Plugin().GetPluginInfo(), (void *)descriptor);
    RunTheOtherExports();
    EXPECT_EQ(memcmp(descriptor + 60, hostData, 20), 0) << "the host's own data was overwritten";
    EXPECT_STREQ(*(const wchar_t **)descriptor, L"Tolvaris");
    memcpy(descriptor + 60, zeros, 20);
}

TEST(Lifecycle, ShutdownSucceeds)
{
    EXPECT_EQ(Plugin().ShutdownPlugin(0), 0);
}

struct HostState {
    const wchar_t *transient, *pipe, *noloadmsg;
    bool announced;
};

// Only an expansion of exactly "00" announces the plug-in; it loads anyway.
// The announcement goes through the host's Printf, wherever the host's
// redirection sends it, never to the process's standard output behind it.
TEST(Lifecycle, AnnouncesItselfOnlyWhenTheHostsStateExpandsToDoubleZero)
{
    const HostState rows[] = {
        {L"0", L"0", L"", true},   {L"1", L"0", L"", false}, // one command, then the host exits
        {L"0", L"1", L"", false},                            // inside a pipe
        {L"0", L"0", L"1", false},                           // noloadmsg set, to anything
        {L"0", L"0", L"0", false}, {L"0", L"", L"", false},
        {L"", L"0", L"0", true}, // the whole expansion counts, not each part
    };
    for (const HostState &row : rows) {
        SCOPED_TRACE(Utf8(std::wstring(row.transient) + L"|" + row.pipe + L"|" + row.noloadmsg));
        HostVariableOverride transient(L"_transient", row.transient), pipe(L"_pipe", row.pipe),
            noloadmsg(L"noloadmsg", row.noloadmsg);
        StreamCapture out(STD_OUTPUT_HANDLE), err(STD_ERROR_HANDLE);
        HostOutputCapture hostOut;
        EXPECT_EQ(Plugin().InitializePlugin(), 0);
        EXPECT_EQ(hostOut.Text(), row.announced ? Announcement() : "");
        EXPECT_EQ(out.Text(), "");
        EXPECT_EQ(err.Text(), "");
    }
}

class InHost : public testing::Test {
protected:
    void SetUp() override
    {
        batch_ = WriteBatchFile(L"tolvaris-load.btm", "echo %@tolvaris[]\r\n");
    }
    void TearDown() override { DeleteFileW(batch_.c_str()); }
    std::wstring Quoted() const { return L"\"" + batch_ + L"\""; }
    std::wstring batch_;
};

TEST_F(InHost, AnnouncesItselfInABatchSession)
{
    SKIP_UNLESS_ELEVATED();
    HostRun run = RunHost(Quoted());
    EXPECT_EQ(run.out, Announcement() + "1\r\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(InHost, StaysQuietButLoadsForOneCommandInAPipeOrWithNoloadmsg)
{
    SKIP_UNLESS_ELEVATED();
    HostRun run = RunHost(L"/c echo %@tolvaris[]");
    EXPECT_EQ(run.out, "1\r\n") << testing::PrintToString(run);
    run = RunHost(Quoted(), true);
    EXPECT_EQ(run.out, "1\r\n") << testing::PrintToString(run);

    SetEnvironmentVariableW(L"noloadmsg", L"yes"); // the host inherits it
    run = RunHost(Quoted());
    SetEnvironmentVariableW(L"noloadmsg", nullptr);
    EXPECT_EQ(run.out, "1\r\n");
    EXPECT_EQ(run.err, "");
}

// Wine reports the Windows version set for a program's name, RtlGetVersion
// included: the real thing, with the shipped DLL.
TEST_F(InHost, RefusesToLoadOnWindowsXp)
{
    SKIP_UNLESS_WINE("the Windows version set per program name");
    ProgramUnderWindowsVersion host(L"tcc.exe", L"winxp64");
    HostRun run = RunProgram(host.Path(), Quoted());
    EXPECT_EQ(run.out, ""); // no announcement, and no @tolvaris
    EXPECT_EQ(run.err, std::string(TooOld) + "TCC: Unknown function \"@tolvaris\"\r\n");

    ProgramUnderWindowsVersion tests(ThisProgram(), L"winxp64");
    run = RunProgram(tests.Path(), L"--initialize");
    EXPECT_EQ(run.out, "InitializePlugin: -1");
    EXPECT_EQ(run.err, TooOld);
}

TEST_F(InHost, LoadsOnWindows7And10)
{
    SKIP_UNLESS_WINE("the Windows version set per program name");
    for (const wchar_t *version : {L"win7", L"win10"}) {
        ProgramUnderWindowsVersion tests(ThisProgram(), version);
        HostRun run = RunProgram(tests.Path(), L"--initialize");
        EXPECT_EQ(run.out, Announcement() + "InitializePlugin: 0");
        EXPECT_EQ(run.err, "");
    }
}
} // namespace
