// The answers themselves, from real processes and tokens under Wine.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

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
    std::wstring result;
    EXPECT_EQ(Query(L"", result), 0);
    EXPECT_EQ(result, L"1");
    EXPECT_EQ(Answer(GetCurrentProcessId()), L"1");
}

TEST(Elevation, AProcessWithTheLimitedLinkedTokenIsNot)
{
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

// Several host threads at once, each with its own buffer, mixing answers and
// refusals (the conversion's range check included).
TEST(Concurrency, ThreadsQueryingAtOnceEachGetTheirOwnAnswer)
{
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

TEST(Handles, NoneIsLeftOpenAfterThousandsOfQueries)
{
    IdleChild limited(true);
    ASSERT_TRUE(limited.Started());
    const std::wstring arguments[] = {L"", std::to_wstring(limited.Pid()), L"0", L"bad"};

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
