// The stand-in host's `plugin /l` on a plug-in already in use, in any
// spelling of its path, and `plugin /u`, which shuts the plug-in down.
#include <gtest/gtest.h>

#include "support/support.h"
#include "takecmd/takecmd.h"

namespace {
const char AlreadyLoaded[] = "TCC: Plugin \"Tolvaris\" is already loaded\r\n";

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
} // namespace
