// The refusal line on standard error, where the host's state shapes it: its
// batch location, its batch name taken literally, the handle of the moment.
#include <gtest/gtest.h>

#include <stdarg.h>

#include <string>
#include <vector>

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
    EXPECT_EQ(err.Text(), BadPid("ABC"));
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
    EXPECT_EQ(err.Text(), BadPid("0X", Utf8(batch) + " [2]  "));
    EXPECT_EQ(out.Text(), "first\r\n[-1]\r\n");
    DeleteFileW(batch.c_str());
}

TEST_F(ErrorLine, AnEmptyBatchExpansionStillWritesTheLocation)
{
    // Only a leading '0' means "no batch file"; an empty answer does not.
    HostVariableOverride batch(L"_batch", L""), name(L"_batchname", L"odd.btm"),
        line(L"_batchline", L"7");
    std::wstring result;
    StreamCapture err(STD_ERROR_HANDLE);
    EXPECT_EQ(Query(L"q", result), -1);
    EXPECT_EQ(err.Text(), BadPid("Q", "odd.btm [7]  "));
}

TEST_F(ErrorLine, StandardErrorIsFetchedAnewForEachLine)
{
    std::wstring result;
    StreamCapture first(STD_ERROR_HANDLE);
    EXPECT_EQ(Query(L"one", result), -1);
    {
        StreamCapture second(STD_ERROR_HANDLE);
        EXPECT_EQ(Query(L"two", result), -1);
        EXPECT_EQ(second.Text(), BadPid("TWO"));
    }
    EXPECT_EQ(Query(L"three", result), -1);
    EXPECT_EQ(first.Text(), BadPid("ONE") + BadPid("THREE"));
}

// Put in place of Qprintf in the plug-in's imports: writes what the host
// would (the plug-in's texts here are short, and hold only %s), then points
// standard error at the next file, as a host that redirects it between two
// writes would.
std::vector<HANDLE> Files;
size_t Writes;
decltype(&Qprintf) RealQprintf;

int MovingQprintf(HANDLE file, const wchar_t *format, ...)
{
    wchar_t text[1024];
    va_list arguments;
    va_start(arguments, format);
    wvsprintfW(text, format, arguments);
    va_end(arguments);
    const int written = RealQprintf(file, L"%s", text);
    if (++Writes < Files.size())
        SetStdHandle(STD_ERROR_HANDLE, Files[Writes]);
    return written;
}

// Windows XP, as far as the plug-in can tell: no NtDll.dll to ask, and
// GetVersionExW says 5.
HMODULE WINAPI NoModule(const wchar_t *)
{
    return NULL;
}
BOOL WINAPI WindowsXp(OSVERSIONINFOW *record)
{
    record->dwMajorVersion = 5;
    return TRUE;
}

struct Road {
    const char *name;
    const wchar_t *batch;            // what %_batch expands to
    bool start;                      // InitializePlugin, else a malformed ID
    std::vector<std::string> writes; // in the files, in turn
};

TEST_F(ErrorLine, EachWriteGoesToTheStandardErrorOfItsMoment)
{
    // Each line cut into its writes: the name, the location, the message.
    const std::string name = "Tolvaris plugin: ", location = "C:\\jobs\\x.btm [3]  ",
                      badPid = BadPid("BAD").substr(name.size()),
                      refusal = std::string(TooOld).substr(name.size());
    const Road roads[] = {
        {"a malformed ID outside a batch file", L"0", false, {name, badPid}},
        {"a malformed ID inside a batch file", L"1", false, {name, location, badPid}},
        {"an old Windows outside a batch file", L"0", true, {name, refusal}},
        {"an old Windows inside a batch file", L"1", true, {name, location, refusal}},
        // Only the first character of %_batch says whether a batch file runs.
        {"%_batch expands to 00", L"00", false, {name, badPid}},
        {"%_batch expands to 0 and a space", L"0 ", false, {name, badPid}},
        {"%_batch expands to 0x", L"0x", false, {name, badPid}},
        {"%_batch expands to a space", L" ", false, {name, location, badPid}},
        {"%_batch expands to x0", L"x0", false, {name, location, badPid}},
    };
    HMODULE dll = Plugin().module;
    ImportSwap qprintf(dll, "TakeCmd.dll", "Qprintf", (void *)&MovingQprintf);
    ImportSwap moduleHandle(dll, "KERNEL32.dll", "GetModuleHandleW", (void *)&NoModule);
    ImportSwap versionEx(dll, "KERNEL32.dll", "GetVersionExW", (void *)&WindowsXp);
    ASSERT_TRUE(qprintf.Swapped() && moduleHandle.Swapped() && versionEx.Swapped());
    RealQprintf = (decltype(&Qprintf))qprintf.Original();
    HostVariableOverride batchName(L"_batchname", L"C:\\jobs\\x.btm"), line(L"_batchline", L"3");
    const HANDLE previous = GetStdHandle(STD_ERROR_HANDLE);

    for (const Road &road : roads) {
        SCOPED_TRACE(road.name);
        HostVariableOverride batch(L"_batch", road.batch);
        Files.clear();
        for (size_t i = 0; i <= road.writes.size(); ++i) // and one for any write too many
            Files.push_back(CreateTemporaryFile(false));
        Writes = 0;
        SetStdHandle(STD_ERROR_HANDLE, Files[0]);
        std::wstring result;
        EXPECT_EQ(road.start ? Plugin().InitializePlugin() : Query(L"bad", result), -1);
        SetStdHandle(STD_ERROR_HANDLE, previous);
        std::vector<std::string> written;
        for (HANDLE file : Files) {
            written.push_back(ReadWholeFile(file));
            CloseHandle(file);
        }
        std::vector<std::string> expected = road.writes;
        expected.push_back("");
        EXPECT_EQ(written, expected);
    }
}
} // namespace
