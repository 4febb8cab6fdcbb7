// The answers themselves, from real processes and tokens: the test process,
// elevated (under Wine it runs so, through runelevated.exe where a program
// gets the limited half of a split token), a child that is not, and each
// half of a split token.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "limited_token.h"
#include "support/support.h"

namespace {
std::wstring Answer(DWORD pid)
{
    std::wstring result;
    EXPECT_EQ(Query(std::to_wstring(pid), result), 0);
    return result;
}

TEST(Elevation, TheHostsOwnProcessIsElevated)
{
    SKIP_UNLESS_ELEVATED();
    std::wstring result;
    EXPECT_EQ(Query(L"", result), 0);
    EXPECT_EQ(result, L"1");
    EXPECT_EQ(Answer(GetCurrentProcessId()), L"1");
}

TEST(Elevation, AProcessWithALimitedTokenIsNot)
{
    SKIP_UNLESS_ELEVATED();
    SKIP_UNLESS_LIMITED_TOKEN();
    IdleChild limited(true), full(false);
    ASSERT_TRUE(limited.Started());
    ASSERT_TRUE(full.Started());
    EXPECT_EQ(Answer(limited.Pid()), L"0");
    EXPECT_EQ(Answer(full.Pid()), L"1");
}

TEST(Elevation, NoProcessMeansNoAnswer)
{
    // Process IDs are multiples of 4 far below these.
    const DWORD nobody[] = {0x7ffffff0u, 4294967292u};
    for (DWORD pid : nobody)
        ASSERT_EQ(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid), nullptr);

    StreamCapture err(STD_ERROR_HANDLE);
    EXPECT_EQ(Answer(0), L"-1");
    for (DWORD pid : nobody)
        EXPECT_EQ(Answer(pid), L"-1");
    EXPECT_EQ(err.Text(), ""); // an answer, not an error
}

// An administrator's token under UAC is split in two halves, each linked to
// the other: the limited one reads 0 and the full one 1, whichever half
// this process has (Wine 8 gives a program the full half, Wine 10 and
// Windows with UAC on the limited one); and a child started with each
// answers as its own token says, never as the half linked to it.
TEST(SplitToken, TheLimitedHalfAnswersZeroItsFullHalfOneAndSoDoTheirChildren)
{
    HANDLE own = NULL;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &own));
    const int ownType = TokenElevationTypeOf(own);
    TOKEN_LINKED_TOKEN linked = {};
    DWORD length = 0;
    if (ownType == TokenElevationTypeDefault) {
        CloseHandle(own);
        GTEST_SKIP() << "this process's token is not split (TokenElevationTypeDefault: UAC off, "
                        "or the built-in Administrator)";
    }
    ASSERT_TRUE(ownType == TokenElevationTypeFull || ownType == TokenElevationTypeLimited)
        << "TokenElevationType " << ownType;
    if (!GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &length)) {
        const DWORD error = GetLastError();
        CloseHandle(own);
        GTEST_SKIP() << "this process's token has no linked token (TokenElevationType " << ownType
                     << ", error " << error << "): a token restricted from one that is not split";
    }
    // Each half as a primary token, to start a child with.
    HANDLE ownPrimary = NULL, linkedPrimary = NULL;
    const BOOL ownCopied = DuplicateTokenEx(own, TOKEN_ALL_ACCESS, NULL, SecurityImpersonation,
                                            TokenPrimary, &ownPrimary);
    const BOOL linkedCopied = DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, NULL,
                                               SecurityImpersonation, TokenPrimary, &linkedPrimary);
    const DWORD linkedError = GetLastError();
    const int linkedType = TokenElevationTypeOf(linked.LinkedToken);
    struct Half {
        const char *name;
        HANDLE token; // as read
        HANDLE primary;
        int type;
    };
    const bool ownIsFull = ownType == TokenElevationTypeFull;
    const Half full =
        ownIsFull ? Half{"the full half, this process's own", own, ownPrimary, ownType}
                  : Half{"the full half, linked", linked.LinkedToken, linkedPrimary, linkedType};
    const Half limited =
        ownIsFull ? Half{"the limited half, linked", linked.LinkedToken, linkedPrimary, linkedType}
                  : Half{"the limited half, this process's own", own, ownPrimary, ownType};
    EXPECT_EQ(TokenElevationOf(limited.token), 0) << limited.name;
    EXPECT_EQ(limited.type, TokenElevationTypeLimited) << limited.name;
    EXPECT_EQ(TokenElevationOf(full.token), 1) << full.name;
    EXPECT_EQ(full.type, TokenElevationTypeFull) << full.name;
    EXPECT_TRUE(ownCopied) << "error " << GetLastError();
    CloseHandle(linked.LinkedToken);
    CloseHandle(own);
    if (!linkedCopied && !ownIsFull && linkedError == ERROR_BAD_IMPERSONATION_LEVEL) {
        if (ownPrimary)
            CloseHandle(ownPrimary);
        GTEST_SKIP() << "Windows lends a process that is not elevated its linked full token for "
                        "identification only: no process can be started with it";
    }
    EXPECT_TRUE(linkedCopied) << "error " << linkedError;

    for (const Half *half : {&limited, &full}) {
        if (!half->primary)
            continue;
        SCOPED_TRACE(half->name);
        {
            IdleChild child(half->primary); // which fails the test when it cannot start
            if (child.Started()) {
                EXPECT_EQ(Answer(child.Pid()), half == &limited ? L"0" : L"1");
            }
        }
        CloseHandle(half->primary);
    }
}

// The linked road gives the limited half of this process's split token,
// whichever half this process has: the linked token of the full half, the
// own token of the limited half; and nothing, saying so, for a token that
// is not split (UAC off: the Windows runner), where another road must serve.
TEST(LimitedToken, TheLinkedRoadGivesTheLimitedHalfWhicheverHalfThisProcessHas)
{
    const int ownType = SelfElevationType();
    const char *failure = NULL;
    const size_t before = CountOwnHandles();
    HANDLE token = LinkedLimitedToken(&failure);
    if (ownType == TokenElevationTypeDefault) {
        EXPECT_EQ(token, nullptr);
        EXPECT_STREQ(failure, "this process's token is not split (TokenElevationTypeDefault)");
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_SUCH_LOGON_SESSION);
    } else {
        ASSERT_NE(token, nullptr) << failure << ": error " << GetLastError();
        EXPECT_EQ(failure, nullptr);
        EXPECT_EQ(TokenElevationOf(token), 0) << "this process's TokenElevationType " << ownType;
        EXPECT_EQ(TokenElevationTypeOf(token), TokenElevationTypeLimited);
        CloseHandle(token);
    }
    EXPECT_EQ(CountOwnHandles(), before) << "a token left open";
}

// The roads to a token that is not elevated are tried in turn and the first
// whose token reads 0 is kept; which roads lead anywhere depends on the
// system, so here each road is a fake: no token (-2), or an event standing
// for a token, whose elevation a fake reader looks up.
int FakeRoadGives[3];
std::vector<std::pair<HANDLE, int>> FakeTokens;
template <int Road>
HANDLE FakeRoad(const char **failure)
{
    *failure = NULL;
    if (FakeRoadGives[Road] == -2) {
        *failure = "it failed";
        SetLastError(ERROR_NO_SUCH_LOGON_SESSION);
        return NULL;
    }
    HANDLE token = CreateEventW(NULL, TRUE, FALSE, NULL);
    FakeTokens.push_back({token, FakeRoadGives[Road]});
    return token;
}
int FakeElevationOf(HANDLE token)
{
    // The latest first: a closed token's handle value is soon given again.
    for (auto made = FakeTokens.rbegin(); made != FakeTokens.rend(); ++made)
        if (made->first == token)
            return made->second;
    return -3;
}

TEST(LimitedToken, TheFirstRoadWhoseTokenReadsZeroIsKeptAndTheOthersClosed)
{
    const TokenRoad roads[] = {{"a", FakeRoad<0>}, {"b", FakeRoad<1>}, {"c", FakeRoad<2>}};
    struct Row {
        int gives[3];
        const char *road; // NULL: none
        const char *tried;
    };
    const Row rows[] = {
        {{0, 0, 0}, "a", "a: TokenIsElevated reads 0"},
        {{-2, 1, 0},
         "c",
         "a: it failed (error 1312); b: TokenIsElevated reads 1; c: TokenIsElevated reads 0"},
        {{-1, 0, -2}, "b", "a: TokenIsElevated reads -1; b: TokenIsElevated reads 0"},
        {{-2, 1, -2},
         NULL,
         "a: it failed (error 1312); b: TokenIsElevated reads 1; c: it failed (error 1312)"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.tried);
        memcpy(FakeRoadGives, row.gives, sizeof FakeRoadGives);
        FakeTokens.clear();
        const size_t before = CountOwnHandles();
        LimitedToken chosen = ChooseLimitedToken(roads, 3, FakeElevationOf);
        EXPECT_STREQ(chosen.road, row.road);
        EXPECT_STREQ(chosen.tried, row.tried);
        EXPECT_EQ(chosen.token != NULL, row.road != NULL);
        EXPECT_EQ(CountOwnHandles(), before + (chosen.token ? 1 : 0)) << "a token left open";
        if (chosen.token) {
            EXPECT_EQ(FakeElevationOf(chosen.token), 0);
            CloseHandle(chosen.token);
        }
    }
}

// A child started with the restricted road's token asks the plug-in about
// its own process, as the not-elevated suite's host does, and must get its
// token's elevation, not -1: its token's default DACL grants its own user,
// so it can open its own process and token. Elevated, the token kept the
// elevated token's default DACL, which may grant only Administrators, a
// group that the restricted token holds for deny only.
TEST(LimitedToken, TheRestrictedTokensChildCanQueryItsOwnProcess)
{
    const char *failure = NULL;
    HANDLE token = RestrictedLimitedToken(&failure);
    ASSERT_NE(token, nullptr) << failure << " (error " << GetLastError() << ")";

    // The default DACL allows the token's user all access.
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } user;
    DWORD length = 0;
    ASSERT_TRUE(GetTokenInformation(token, TokenUser, &user, sizeof user, &length));
    std::vector<BYTE> dacl(4096);
    ASSERT_TRUE(
        GetTokenInformation(token, TokenDefaultDacl, dacl.data(), (DWORD)dacl.size(), &length))
        << "error " << GetLastError();
    const ACL *acl = ((const TOKEN_DEFAULT_DACL *)dacl.data())->DefaultDacl;
    ASSERT_NE(acl, nullptr) << "no default DACL";
    bool grantsUser = false;
    for (DWORD i = 0; acl && i < acl->AceCount; ++i) {
        void *ace = NULL;
        if (GetAce((ACL *)acl, i, &ace) &&
            ((ACE_HEADER *)ace)->AceType == ACCESS_ALLOWED_ACE_TYPE) {
            const ACCESS_ALLOWED_ACE *allowed = (const ACCESS_ALLOWED_ACE *)ace;
            grantsUser |= EqualSid((PSID)&allowed->SidStart, user.user.User.Sid) &&
                          (allowed->Mask & GENERIC_ALL) != 0;
        }
    }
    EXPECT_TRUE(grantsUser) << "the default DACL does not grant the token's user all access";

    const int elevation = TokenElevationOf(token);
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(NULL, program, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(program) + L"\" --query-self";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessAsUserW(token, program, &commandLine[0], NULL, NULL, FALSE, 0,
                                              NULL, NULL, &startup, &process);
    const DWORD error = GetLastError();
    CloseHandle(token);
    ASSERT_TRUE(started) << "cannot start the child with the restricted token: error " << error;
    CloseHandle(process.hThread);
    const DWORD waited = WaitForSingleObject(process.hProcess, RunLimitMs);
    if (waited != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 99);
    DWORD status = 99;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    ASSERT_EQ(waited, (DWORD)WAIT_OBJECT_0)
        << "the child was still running " << RunLimitMs / 1000 << " s after it started";
    const char *answers[] = {"\"0\"", "\"1\"", "\"-1\"",
                             "no answer: it could not load the plug-in"};
    EXPECT_EQ(status, (DWORD)elevation)
        << "the child answered " << (status < 4 ? answers[status] : "?") << " (exit status "
        << status << "), its token reads TokenIsElevated " << elevation;
}

// Several host threads at once, each with its own buffer, mixing answers and
// refusals (the conversion's range check included).
TEST(Concurrency, ThreadsQueryingAtOnceEachGetTheirOwnAnswer)
{
    SKIP_UNLESS_ELEVATED();
    SKIP_UNLESS_LIMITED_TOKEN();
    IdleChild limited(true);
    ASSERT_TRUE(limited.Started());
    struct Case {
        std::wstring argument;
        int status;
        std::wstring result;
    };
    wchar_t ownHex[16];
    wsprintfW(ownHex, L"0x%x", GetCurrentProcessId());
    const std::vector<Case> cases = {
        {L"", 0, L"1"},
        {ownHex, 0, L"1"},
        {std::to_wstring(limited.Pid()), 0, L"0"},
        {L"0", 0, L"-1"},
        {L"4294967296", -1, L"4294967296"},
        {L" 4294967295 ", 0, L"-1"},
    };

    StreamCapture err(STD_ERROR_HANDLE);
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                const Case &c = cases[(t + i) % cases.size()];
                std::wstring result;
                if (Query(c.argument, result) != c.status || result != c.result)
                    ++wrong;
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

// Real probes wait on the Wine server, which answers one request at a time,
// so the test above rarely has two queries in the plug-in's own code at
// once. Here OpenProcess fails at once and the host's services do nothing,
// so every query runs in user mode from start to end, on every core: a
// working variable shared between threads (the process ID, the range-error
// flag) shows up as a query that asks about another thread's process, or
// refuses a good ID, or answers a bad one.
thread_local DWORD ExpectedPid;
thread_local int OpenProcessCalls;
std::atomic<long> AskedAboutAnotherPid{0};

HANDLE WINAPI FailingOpenProcess(DWORD, BOOL, DWORD pid)
{
    ++OpenProcessCalls;
    if (pid != ExpectedPid)
        ++AskedAboutAnotherPid;
    SetLastError(ERROR_INVALID_PARAMETER);
    return NULL;
}
int SilentQprintf(HANDLE, const wchar_t *, ...)
{
    return 0;
}
int NoBatchExpansion(wchar_t *text, int)
{
    lstrcpyW(text, L"0");
    return 0;
}

// The probe's record of what the token says is a working value too, which a
// failing OpenProcess never reaches: there, two threads meet inside the token
// read, then each is told its own answer and held until the other has been
// told too, so that a record they shared would give both the same answer.
HANDLE Inside[2], Told[2];                   // auto-reset, one for each thread of the pair
thread_local DWORD Side, TokenSays;          // which of the pair, and what its token read says
std::atomic<const char *> Stranded{nullptr}; // what a wait gave up on

void Meet(HANDLE *events, const char *what)
{
    SetEvent(events[Side]);
    if (!Stranded && WaitForSingleObject(events[1 - Side], 10000) != WAIT_OBJECT_0)
        Stranded = what;
}
BOOL WINAPI MeetingGetTokenInformation(HANDLE, TOKEN_INFORMATION_CLASS, void *buffer, DWORD,
                                       DWORD *returned)
{
    Meet(Inside, "the other thread to be inside GetTokenInformation");
    *(DWORD *)buffer = TokenSays;
    *returned = sizeof(DWORD);
    Meet(Told, "the other thread to be told its token's elevation");
    return TRUE;
}

TEST(Concurrency, QueriesInUserModeOnEveryCoreKeepTheirOwnWorkingValues)
{
    HMODULE dll = Plugin().module;
    ImportSwap openProcess(dll, "KERNEL32.dll", "OpenProcess", (void *)&FailingOpenProcess);
    ImportSwap qprintf(dll, "TakeCmd.dll", "Qprintf", (void *)&SilentQprintf);
    ImportSwap expand(dll, "TakeCmd.dll", "ExpandVariables", (void *)&NoBatchExpansion);
    ASSERT_TRUE(openProcess.Swapped() && qprintf.Swapped() && expand.Swapped());

    // Each thread its own IDs, in both forms and with leading zeros that keep
    // the conversion busy; every other one is out of range and refused.
    struct Argument {
        wchar_t text[48];
        wchar_t kept[48]; // what the buffer holds after a refusal
        DWORD pid;
        bool refused;
    };
    const unsigned count = std::max(4u, 2 * std::thread::hardware_concurrency());
    std::vector<std::vector<Argument>> arguments(count, std::vector<Argument>(64));
    for (unsigned t = 0; t < count; ++t) {
        for (DWORD i = 0; i < 64; ++i) {
            Argument &a = arguments[t][i];
            a.pid = (t + 1) << 24 | i << 4;
            a.refused = i % 2 == 1;
            if (a.refused) {
                wsprintfW(a.kept, L"0000000000%u%09u", a.pid, i); // above 4294967295
                wsprintfW(a.text, L" %s ", a.kept);
            } else {
                wsprintfW(a.text, i % 4 == 0 ? L"00000000000000000000%u" : L" 0x000000000000%x\t",
                          a.pid);
            }
        }
    }

    std::atomic<bool> stop{false};
    std::atomic<long> queries{0}, wrong{0};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < count; ++t) {
        threads.emplace_back([&, t] {
            wchar_t buffer[FunctionBufferChars];
            long done = 0, mistakes = 0;
            for (DWORD i = 0; !stop; ++i, ++done) {
                const Argument &a = arguments[t][i % 64];
                lstrcpyW(buffer, a.text);
                ExpectedPid = a.pid;
                OpenProcessCalls = 0;
                const int status = Plugin().f_tolvaris(buffer);
                const bool right =
                    a.refused
                        ? status == -1 && OpenProcessCalls == 0 && lstrcmpW(buffer, a.kept) == 0
                        : status == 0 && OpenProcessCalls == 1 && lstrcmpW(buffer, L"-1") == 0;
                mistakes += !right;
            }
            queries += done;
            wrong += mistakes;
        });
    }
    Sleep(3000);
    stop = true;
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(AskedAboutAnotherPid.load(), 0);
    EXPECT_EQ(wrong.load(), 0) << "of " << queries.load() << " queries";

    // Then the pair that meets inside the token read, as above.
    ImportSwap realOpenProcess(dll, "KERNEL32.dll", "OpenProcess", openProcess.Original());
    ImportSwap tokenRead(dll, "ADVAPI32.dll", "GetTokenInformation",
                         (void *)&MeetingGetTokenInformation);
    ASSERT_TRUE(realOpenProcess.Swapped() && tokenRead.Swapped());
    for (HANDLE *event : {&Inside[0], &Inside[1], &Told[0], &Told[1]})
        *event = CreateEventW(NULL, FALSE, FALSE, NULL);
    std::atomic<int> mixedUp{0};
    auto run = [&](DWORD side) {
        Side = side;
        for (int i = 0; i < 20; ++i) { // in turn elevated and not
            TokenSays = (i + side) % 2;
            std::wstring result;
            mixedUp += Query(L"", result) != 0 || result != (TokenSays ? L"1" : L"0");
        }
    };
    std::thread first(run, 0), second(run, 1);
    first.join();
    second.join();
    for (HANDLE event : {Inside[0], Inside[1], Told[0], Told[1]})
        CloseHandle(event);
    EXPECT_EQ(Stranded.load(), nullptr) << "a token read waited 10 s for " << Stranded.load();
    EXPECT_EQ(mixedUp.load(), 0) << "of 40 answers, each thread told its own";
}

TEST(Handles, NoneIsLeftOpenAfterThousandsOfQueries)
{
    // A child that is not elevated where one can be started, else any child.
    std::string tried;
    IdleChild child(LimitedRoad(tried) != NULL);
    ASSERT_TRUE(child.Started());
    const std::wstring arguments[] = {L"", std::to_wstring(child.Pid()), L"0", L"bad"};

    // The count must be able to see a handle at all.
    const size_t before = CountOwnHandles();
    HANDLE probe = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, GetCurrentProcessId());
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(CountOwnHandles(), before + 1);
    CloseHandle(probe);
    ASSERT_EQ(CountOwnHandles(), before);

    // The first round may leave what the system keeps once per process.
    StreamCapture err(STD_ERROR_HANDLE);
    for (const std::wstring &argument : arguments) {
        std::wstring result;
        Query(argument, result);
    }
    const size_t warm = CountOwnHandles();
    for (int i = 0; i < 4000; ++i) {
        std::wstring result;
        Query(arguments[i % 4], result);
    }
    EXPECT_EQ(CountOwnHandles(), warm);
}
} // namespace
