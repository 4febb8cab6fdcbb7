// What the tests share: the built plug-in's exports, captured output, the
// process's handle count, child processes and import swapping.
#ifndef TOLVARIS_TEST_SUPPORT_H
#define TOLVARIS_TEST_SUPPORT_H

#include <windows.h>

#include <ostream>
#include <string>

#include "takecmd/takecmd.h"
#include "utf8.h"

// The exports of bin/plugins/Tolvaris.dll, loaded once for the test process,
// as the host declares them.
struct PluginExports {
    HMODULE module;
    decltype(&::GetPluginInfo) GetPluginInfo;
    decltype(&::InitializePlugin) InitializePlugin;
    decltype(&::ShutdownPlugin) ShutdownPlugin;
    decltype(&::Help) Help;
    VariableFunction f_tolvaris;
};
const PluginExports &Plugin();
std::wstring BinFolder(); // where the tests, tcc.exe and TakeCmd.dll are
// This test program's file name in BinFolder() (query_arguments_test.exe):
// each tests/FOLDER/NAME_test.cpp is a program of its own.
std::wstring ThisProgram();
// The plug-in the suite tests: bin/plugins/Tolvaris.dll, or the one
// TOLVARIS_PLUGIN_DLL names; and the stack probe of the build that made it.
std::wstring PluginPath();
std::wstring StackProbePath();

// The version as identity.h, its only home, gives it: "1.2.3", and with the
// revision of the version resource, "1.2.3.4"; and the texts the plug-in
// writes with it, or when it refuses to load.
std::string VersionText();
std::string FullVersionText();
std::string Announcement(); // "Tolvaris v1.2.3 loaded.\r\n"
extern const char TooOld[];
// The line that refuses a malformed process ID, shown as the plug-in keeps
// it (trimmed, ASCII letters in capitals), with the batch location (such as
// "C:\jobs\x.btm [3]  ") when a batch file runs:
// "Tolvaris plugin: C:\jobs\x.btm [3]  Bad PID: \"ABC\"\r\n".
std::string BadPid(const std::string &shown, const std::string &location = "");

// Makes a host variable expand to the given text until it goes out of scope,
// even when an assertion ends the test early; then the host's own value is
// back. Overriding one variable twice at once is not supported.
class HostVariableOverride {
public:
    HostVariableOverride(const wchar_t *name, const wchar_t *value) : name_(name)
    {
        HostOverrideVariable(name, value);
    }
    ~HostVariableOverride() { HostOverrideVariable(name_, nullptr); }
    HostVariableOverride(const HostVariableOverride &) = delete;
    HostVariableOverride &operator=(const HostVariableOverride &) = delete;

private:
    const wchar_t *name_;
};

// Calls f_tolvaris with a buffer of FunctionBufferChars holding the
// argument, as the host does; returns its status and leaves the buffer's
// text in result.
int Query(const std::wstring &argument, std::wstring &result);

// A temporary file, deleted when its handle is closed; and what a file
// holds, read from its start without moving its file pointer for good.
HANDLE CreateTemporaryFile(bool inheritable);
std::string ReadWholeFile(HANDLE file);

// Sends standard output or standard error to a temporary file until it goes
// out of scope; Text() is what was written so far.
class StreamCapture {
public:
    explicit StreamCapture(DWORD stream);
    ~StreamCapture();
    std::string Text() const;

private:
    DWORD stream_;
    HANDLE previous_;
    HANDLE file_;
};

// Redirects the host's standard output (HostRedirectOutput) to a temporary
// file until it goes out of scope, leaving the process's standard output
// handle as it is; Text() is what the host wrote there so far.
class HostOutputCapture {
public:
    HostOutputCapture();
    ~HostOutputCapture();
    HostOutputCapture(const HostOutputCapture &) = delete;
    HostOutputCapture &operator=(const HostOutputCapture &) = delete;
    std::string Text() const;

private:
    HANDLE file_;
};

// Whether this process runs on Wine, whose ntdll exports wine_get_version;
// and whether the tests take it for Wine: TOLVARIS_TEST_NATIVE=1 makes that
// answer no, so that the suite takes under Wine the roads it takes on
// Windows, skips included.
bool RunsOnWine();
bool UnderWine();
// Whether this test process's own token reads TokenIsElevated 1; and how
// it is split (TokenElevationTypeOf in limited_token.h: 1 not split, 2 the
// full half, 3 the limited half of a split token).
bool SelfIsElevated();
int SelfElevationType();
// Runs this program again, with the same arguments, through runelevated.exe
// (elevated as Windows elevates a program: its manifest asks for it), in
// the place given, and returns its exit status: for a suite that must run
// elevated in a process that has the limited half of a split token.
int RunSelfElevated(const std::string &place);
// The road (see limited_token.h) by which the tests start a process that is
// not elevated, found once a run and printed; NULL when no road gives one,
// with what each road gave in tried.
const char *LimitedRoad(std::string &tried);

// Where the suite runs: "wine", "uac-on", "native", "not-elevated" or
// "windows", as TOLVARIS_TEST_PLACE names it, or as this process's token
// says when it names none or "wine" (see expected_skips.cpp);
// and whether a test's skip, with its reason, is one that place expects
// (expected_skips.cpp).
std::string TestPlace();
bool IsTestPlace(const std::string &place);
bool SkipIsExpected(const std::string &place, const std::string &test, const std::string &reason);

// For a test that needs what only Wine has: skipped, with why, elsewhere.
#define SKIP_UNLESS_WINE(what)                                                                     \
    if (UnderWine()) {                                                                             \
    } else                                                                                         \
        GTEST_SKIP() << what << " exists only under Wine, and these tests do not run under it"
// For a test that expects this process itself to read 1.
#define SKIP_UNLESS_ELEVATED()                                                                     \
    if (SelfIsElevated()) {                                                                        \
    } else                                                                                         \
        GTEST_SKIP() << "this test process is not elevated (its token reads TokenIsElevated 0), "  \
                        "and the test expects it to read 1: run the suite elevated"
// For a test that starts a process that is not elevated.
#define SKIP_UNLESS_LIMITED_TOKEN()                                                                \
    if (std::string tried_; LimitedRoad(tried_)) {                                                 \
    } else                                                                                         \
        GTEST_SKIP() << "no road gives a token that is not elevated (" << tried_ << ")"

// Handles this process holds now, counted by asking about each handle value.
size_t CountOwnHandles();

// A process that idles until it is ended (the test program itself, started
// with --idle and our process ID); terminated and closed on destruction. It
// also ends by itself when we do, or after IdleChildLimitMs: a child left
// behind would hold the test's output open and stall CTest.
enum { IdleChildLimitMs = 60000 };
class IdleChild {
public:
    // limited: start it with a token that is not elevated (LimitedRoad).
    explicit IdleChild(bool limited);
    // Started with the given primary token, or as this process's own child
    // when it is NULL.
    explicit IdleChild(HANDLE token);
    ~IdleChild();
    DWORD Pid() const { return pid_; }
    bool Started() const { return process_ != NULL; }

private:
    void Start(HANDLE token);
    HANDLE process_ = NULL;
    DWORD pid_ = 0;
};

// Runs a program with the given arguments and captures what it writes;
// its standard output is a file, or a pipe when asked; its standard input is
// the given inheritable handle, none by default. A program that cannot be
// started, or is still running after RunLimitMs, fails the test and says so
// in failure.
enum { RunLimitMs = 30000 };
struct HostRun {
    DWORD exitCode;
    std::string out;
    std::string err;
    std::string failure; // empty when the program ran and exited
};
// How a failed expectation shows a run.
void PrintTo(const HostRun &run, std::ostream *out);
HostRun RunProgram(const std::wstring &program, const std::wstring &arguments,
                   bool outputToPipe = false, HANDLE input = NULL);
// The stand-in host, bin/tcc.exe.
HostRun RunHost(const std::wstring &arguments, bool outputToPipe = false, HANDLE input = NULL);
// The stand-in host with the text as its standard input (a temporary file,
// gone once closed) and its output in a pipe, so that it announces nothing.
// The run has RunProgram's time limit: a session that never ends fails there.
HostRun RunHostWithInput(const std::wstring &arguments, const std::string &input);

// The name with this test process's ID before its extension, so that test
// programs running at once never share a file or registry key.
std::wstring UniqueName(const std::wstring &name);

// A copy of a program of bin/ under a name of its own, for which Wine
// reports the given Windows version ("winxp64", "win7", "win10"). The copy
// and its registry key are removed on destruction.
class ProgramUnderWindowsVersion {
public:
    ProgramUnderWindowsVersion(const std::wstring &program, const wchar_t *version);
    ~ProgramUnderWindowsVersion();
    const std::wstring &Path() const { return path_; }

private:
    std::wstring name_, path_;
};

// Writes a UTF-8 batch file in the temporary folder, under UniqueName(name);
// returns its full path. The caller deletes it.
std::wstring WriteBatchFile(const std::wstring &name, const std::string &text);

// Replaces one function that a module imports, in the module's import
// address table, and puts the original back on destruction.
class ImportSwap {
public:
    ImportSwap(HMODULE module, const char *dll, const char *function, void *replacement);
    ~ImportSwap();
    bool Swapped() const { return slot_ != NULL; }
    void *Original() const { return original_; }

private:
    void **slot_ = NULL;
    void *original_ = NULL;
};

#endif
