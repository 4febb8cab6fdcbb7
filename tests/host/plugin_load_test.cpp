// The stand-in host as a person drives it: a session ended by `exit` or the
// end of input, a help box read and closed from the console, `plugin /l` on
// a plug-in already in use, `plugin /u`, and a host started with the limited
// token.
#include <gtest/gtest.h>

#include "support/support.h"
#include "takecmd/takecmd.h"

namespace {
const char AlreadyLoaded[] = "TCC: Plugin \"Tolvaris\" is already loaded\r\n";

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

// Runs the host with the text as its standard input (a temporary file, gone
// once closed) and its output in a pipe, so that it announces nothing. The
// run has RunProgram's time limit: a session that never ends fails there.
HostRun RunHostWithInput(const std::wstring &arguments, const std::string &input)
{
    HANDLE file = CreateTemporaryFile(true);
    DWORD written = 0;
    WriteFile(file, input.data(), (DWORD)input.size(), &written, NULL);
    SetFilePointer(file, 0, NULL, FILE_BEGIN);
    HostRun run = RunHost(arguments, true, file);
    CloseHandle(file);
    return run;
}

struct SessionCase {
    const char *input;
    std::string out, err;
    DWORD exitCode;
};

TEST(HostSession, EndsAtExitOrTheEndOfInputWithTheDocumentedStatus)
{
    const SessionCase cases[] = {
        {"echo one\necho two\n", "one\r\ntwo\r\n", "", 0},
        {"", "", "", 0},                                    // no command at all
        {"echo last", "last\r\n", "", 0},                   // no line ending at the end
        {"echo %@tolvaris[x]\n\n", "", BadPid("X"), 2},     // the last command's status
        {"echo a\nexit 7\necho never\n", "a\r\n", "", 7},   // nothing after exit runs
        {"echo %@tolvaris[x]\nexit\n", "", BadPid("X"), 2}, // exit alone: the last status
        {"EXIT 3\n", "", "", 3},
        {"exit -1\n", "", "", 0xFFFFFFFFu},
        {"exit 4294967295\n", "", "", 0xFFFFFFFFu},
        {"exit abc\necho still\n", "still\r\n",
         "TCC: Usage : EXIT [code]  (a whole number, not \"abc\")\r\n", 0},
        {"exit 4294967296\n", "",
         "TCC: Usage : EXIT [code]  (a whole number, not \"4294967296\")\r\n", 2},
    };
    for (const SessionCase &each : cases) {
        HostRun run = RunHostWithInput(L"", each.input);
        EXPECT_EQ(run.out, each.out) << each.input;
        EXPECT_EQ(run.err, each.err) << each.input;
        EXPECT_EQ(run.exitCode, each.exitCode) << each.input;
    }
}

TEST(HostSession, ExitInOneCommandOrABatchFileEndsTheHostWithItsCode)
{
    const std::wstring inner =
        WriteBatchFile(L"tolvaris-exit-inner.btm", "echo inner\r\nexit 6\r\necho never\r\n");
    const std::wstring outer = WriteBatchFile(L"tolvaris-exit-outer.btm",
                                              "call \"" + Utf8(inner) + "\"\r\necho never\r\n");
    HostRun run = RunHost(L"/c exit 5", true);
    EXPECT_EQ(run.exitCode, 5u) << testing::PrintToString(run);
    run = RunHost(L"\"" + inner + L"\"", true);
    EXPECT_EQ(run.out, "inner\r\n");
    EXPECT_EQ(run.exitCode, 6u);
    run = RunHost(L"\"" + outer + L"\"", true); // from a called batch file too
    EXPECT_EQ(run.out, "inner\r\n");
    EXPECT_EQ(run.exitCode, 6u);
    DeleteFileW(outer.c_str());
    DeleteFileW(inner.c_str());
}

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

TEST(PluginLoad, APluginInUseIsNeitherLoadedNorInitialisedAgain)
{
    // The state in which InitializePlugin announces itself: one announcement
    // is one initialisation.
    HostVariableOverride transient(L"_transient", L"0"), pipe(L"_pipe", L"0"),
        noloadmsg(L"noloadmsg", L"");
    const std::wstring command = L"plugin /l " + PluginPath();
    {
        StreamCapture out(STD_OUTPUT_HANDLE), err(STD_ERROR_HANDLE);
        EXPECT_EQ(HostExecute(command.c_str()), 0);
        EXPECT_EQ(HostExecute(command.c_str()), 0);
        EXPECT_EQ(out.Text(), Announcement() + AlreadyLoaded);
        EXPECT_EQ(err.Text(), "");
    }
    {
        // Unloaded, it is loaded and initialised anew.
        HostUnloadPlugins();
        StreamCapture out(STD_OUTPUT_HANDLE);
        EXPECT_EQ(HostExecute(command.c_str()), 0);
        EXPECT_EQ(out.Text(), Announcement());
        HostUnloadPlugins();
    }
}

TEST(PluginLoad, TheHostsOwnPluginNamedAgainInAnySpellingIsAlreadyLoaded)
{
    std::wstring lower = PluginPath(), slashes = PluginPath();
    CharLowerBuffW(&lower[0], (DWORD)lower.size());
    for (wchar_t &c : slashes)
        if (c == L'\\')
            c = L'/';
    for (const std::wstring &path : {PluginPath(), lower, slashes, L"\"" + PluginPath() + L"\""}) {
        HostRun run = RunHost(L"/c plugin /l " + path, true);
        EXPECT_EQ(run.out, AlreadyLoaded) << Utf8(path);
        EXPECT_EQ(run.err, "") << Utf8(path);
        EXPECT_EQ(run.exitCode, 0u) << Utf8(path);
    }
}

// ShutdownPlugin as the host finds it when it unloads a plug-in: counted on
// its way to the plug-in's own.
int ShutdownCalls;
decltype(&::ShutdownPlugin) PluginShutdown;
int CountedShutdown(int endProcess)
{
    ++ShutdownCalls;
    return PluginShutdown(endProcess);
}
FARPROC WINAPI GetProcAddressCountingShutdown(HMODULE module, LPCSTR name)
{
    FARPROC found = GetProcAddress(module, name);
    if (!found || IS_INTRESOURCE(name) || lstrcmpA(name, "ShutdownPlugin") != 0)
        return found;
    PluginShutdown = (decltype(&::ShutdownPlugin))(void *)found;
    return (FARPROC)(void *)&CountedShutdown;
}

TEST(PluginLoad, UnloadingByNameShutsThePluginDownAndItsFunctionIsGone)
{
    HostVariableOverride quiet(L"noloadmsg", L"1");
    StreamCapture out(STD_OUTPUT_HANDLE), err(STD_ERROR_HANDLE);
    ASSERT_EQ(HostLoadPlugin(PluginPath().c_str()), 0);
    EXPECT_EQ(HostExecute(L"echo %@tolvaris[0]"), 0);
    ShutdownCalls = 0;
    {
        ImportSwap swap(GetModuleHandleW(L"TakeCmd.dll"), "KERNEL32.dll", "GetProcAddress",
                        (void *)&GetProcAddressCountingShutdown);
        ASSERT_TRUE(swap.Swapped());
        EXPECT_EQ(HostExecute(L"plugin /u TOLVARIS"), 0); // the descriptor's name, in any case
    }
    EXPECT_EQ(ShutdownCalls, 1);
    EXPECT_EQ(HostExecute(L"echo %@tolvaris[0]"), 2);
    EXPECT_EQ(HostExecute(L"plugin /u \"Tolvaris\""), 2); // unloaded already
    EXPECT_EQ(HostExecute(L"plugin /u"), 2);
    EXPECT_EQ(HostExecute(L"plugin /x Tolvaris"), 2);
    EXPECT_EQ(out.Text(), "-1\r\n");
    EXPECT_EQ(err.Text(),
              "TCC: Unknown function \"@tolvaris\"\r\n"
              "TCC: Plugin \"Tolvaris\" is not loaded\r\n"
              "TCC: Usage : PLUGIN /L FILE | /U NAME\r\n"
              "TCC: Usage : PLUGIN /L FILE | /U NAME\r\n");
    HostUnloadPlugins(); // none left, should an expectation above have failed
}

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
