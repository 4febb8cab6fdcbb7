// Measures Tolvaris.dll as the host uses it: the cost of one @tolvaris call
// beside the bare system calls it makes, a whole buffer of argument beside
// an empty one, the time to load and initialise the plug-in, and its size.
// Prints a table and, after it, one machine-readable line per ratio; exits
// with 2 when a median ratio passes its bound (bounds.h).
//
//   tolvaris_bench TOOLCHAIN    the name the table and the lines carry
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bounds.h"
#include "module_folder.h"
#include "takecmd/takecmd.h"

namespace {
typedef decltype(&InitializePlugin) InitializeFn;
typedef decltype(&ShutdownPlugin) ShutdownFn;

// Each ratio comes from pairs of rounds, as many as fit in ComparisonSeconds
// (a plug-in gone slow must not hold CI up for long), at most Pairs. A round
// lasts about 0.1 ms: a thousand ticks of the clock (0.1 µs, on Windows and
// under Wine), so it is timed to 0.1%, and short enough that an
// interruption (another process's time slice, a wait on the Wine server)
// seldom falls on both halves of a pair. It spoils that pair's ratio, which
// the median passes over, and not the others.
const int Pairs = 10001;
const double RoundSeconds = 0.0001, ComparisonSeconds = 10;

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// What the plug-in does for one query, without the plug-in.
int BareProbe(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return -1;
    HANDLE token;
    int answer = -1;
    if (OpenProcessToken(process, TOKEN_QUERY, &token)) {
        TOKEN_ELEVATION elevation;
        DWORD returned;
        if (GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &returned))
            answer = elevation.TokenIsElevated ? 1 : 0;
        CloseHandle(token);
    }
    CloseHandle(process);
    return answer;
}

// One round of calls; microseconds per call.
template <typename Call>
double Round(Call call, int calls)
{
    const double start = Now();
    for (int i = 0; i < calls; ++i)
        call();
    return (Now() - start) / calls * 1e6;
}

// How many calls make a round of about RoundSeconds, judged by the fastest
// of a few rounds (a slow one was interrupted). Finding out warms the call up.
template <typename Call>
int CallsPerRound(Call call)
{
    int calls = 1;
    while (Round(call, calls) * calls < RoundSeconds * 1e6 / 4)
        calls *= 2;
    double fastest = Round(call, calls);
    for (int i = 0; i < 8; ++i)
        fastest = std::min(fastest, Round(call, calls));
    return std::max(1, (int)(RoundSeconds * 1e6 / fastest + 0.5));
}

// Medians of the time per call of each, and of the per-pair ratios.
struct Comparison {
    double measured, baseline;
    double ratio, firstQuartile, thirdQuartile;
    int pairs;
};

// Interleaved pairs, in this one process: a round of the baseline, then a
// round of the call measured.
template <typename Baseline, typename Measured>
Comparison Compare(Baseline baseline, Measured measured)
{
    const int calls = CallsPerRound(baseline);
    Round(measured, calls); // warm-up
    std::vector<double> baselines, measureds, ratios;
    const double end = Now() + ComparisonSeconds;
    while ((int)ratios.size() < Pairs && (ratios.size() < 3 || Now() < end)) {
        baselines.push_back(Round(baseline, calls));
        measureds.push_back(Round(measured, calls));
        ratios.push_back(measureds.back() / baselines.back());
    }
    std::sort(ratios.begin(), ratios.end());
    const size_t n = ratios.size();
    return {Median(measureds), Median(baselines), ratios[n / 2],
            ratios[n / 4],     ratios[n * 3 / 4], (int)n};
}

// The host copies the argument into its buffer before each call.
struct Query {
    VariableFunction query;
    const wchar_t *argument;
    size_t length;
    void operator()() const
    {
        static wchar_t buffer[FunctionBufferChars];
        memcpy(buffer, argument, (length + 1) * sizeof(wchar_t));
        query(buffer);
    }
};

Query QueryWith(VariableFunction query, const wchar_t *argument)
{
    return {query, argument, wcslen(argument)};
}

void PrintComparison(const char *measure, const Comparison &c, double bound)
{
    printf("| %s | %.2f | %.2f | %.3f | %.3f | %.3f | %d | %.2f |\n", measure, c.measured,
           c.baseline, c.ratio, c.firstQuartile, c.thirdQuartile, c.pairs, bound);
}

void PrintRatio(const char *toolchain, const char *row, const Comparison &c)
{
    printf("ratio %s %s %.3f %.3f %.3f\n", toolchain, row, c.ratio, c.firstQuartile,
           c.thirdQuartile);
}
} // namespace

int main(int argc, char **argv)
{
    const char *toolchain = argc > 1 ? argv[1] : "this";
    const std::wstring path = PluginsFolderOf(NULL) + L"Tolvaris.dll";
    HostOverrideVariable(L"noloadmsg", L"1"); // no announcement on every load
    // Refusals are written to standard error; NUL takes them.
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    SetStdHandle(STD_ERROR_HANDLE, nul);

    HMODULE plugin = LoadLibraryW(path.c_str());
    if (!plugin) {
        printf("Cannot load %ls\n", path.c_str());
        return 1;
    }
    const VariableFunction query = (VariableFunction)(void *)GetProcAddress(plugin, "f_tolvaris");
    const DWORD self = GetCurrentProcessId(), nobody = 4294967292u;
    wchar_t nobodyText[16];
    wsprintfW(nobodyText, L"%u", nobody);
    // The host's whole buffer: white space only, so that it reaches the same
    // probe as an empty argument, after trimming every character.
    static wchar_t spaces[FunctionBufferChars];
    wmemset(spaces, L' ', FunctionBufferChars - 1);

    const Comparison own = Compare([&] { BareProbe(self); }, QueryWith(query, L""));
    const Comparison noSuchProcess =
        Compare([&] { BareProbe(nobody); }, QueryWith(query, nobodyText));
    const Comparison longArgument = Compare(QueryWith(query, L""), QueryWith(query, spaces));
    const Query malformed = QueryWith(query, L"abc");
    std::vector<double> malformedRounds;
    const int malformedCalls = CallsPerRound(malformed);
    for (int r = 0; r < 1001; ++r)
        malformedRounds.push_back(Round(malformed, malformedCalls));
    FreeLibrary(plugin);

    // From LoadLibraryW to a finished InitializePlugin, the plug-in unloaded
    // in between (outside the clock).
    std::vector<double> loads;
    for (int i = 0; i < 100; ++i) {
        double start = Now();
        HMODULE module = LoadLibraryW(path.c_str());
        ((InitializeFn)(void *)GetProcAddress(module, "InitializePlugin"))();
        loads.push_back((Now() - start) * 1e6);
        ((ShutdownFn)(void *)GetProcAddress(module, "ShutdownPlugin"))(0);
        FreeLibrary(module);
    }

    WIN32_FILE_ATTRIBUTE_DATA file;
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &file);

    // The long argument's bound as a ratio: its time may be LongArgumentFactorBound
    // times the empty argument's, plus the allowance.
    const double longBound =
        LongArgumentFactorBound + LongArgumentAllowanceMicroseconds / longArgument.baseline;

    printf(
        "Tolvaris.dll, %s build, %lu bytes. Times: microseconds per call, this machine's "
        "median. Ratio: the median over pairs of rounds (the baseline, then the call measured, "
        "about %.1f ms each), with its quartiles.\n\n",
        toolchain, file.nFileSizeLow, RoundSeconds * 1e3);
    printf(
        "| measure | time | baseline's | ratio | 1st quartile | 3rd quartile | pairs | bound |\n"
        "|---|---|---|---|---|---|---|---|\n");
    PrintComparison("query, own process; baseline: the bare system calls", own, QueryRatioBound);
    PrintComparison("query, no such process; baseline: the bare system calls", noSuchProcess,
                    QueryRatioBound);
    char longMeasure[64];
    snprintf(longMeasure, sizeof longMeasure, "query, %d spaces; baseline: the empty argument",
             FunctionBufferChars - 1);
    PrintComparison(longMeasure, longArgument, longBound);
    printf("| query, malformed ID (error line to NUL) | %.2f | | | | | | |\n",
           Median(malformedRounds));
    printf("| LoadLibraryW to finished InitializePlugin | %.1f | | | | | | |\n", Median(loads));

    PrintRatio(toolchain, "own-process", own);
    PrintRatio(toolchain, "no-such-process", noSuchProcess);
    PrintRatio(toolchain, "long-argument", longArgument);

    int status = 0;
    const struct {
        const char *row;
        double ratio, bound;
    } judged[] = {{"own-process", own.ratio, QueryRatioBound},
                  {"no-such-process", noSuchProcess.ratio, QueryRatioBound},
                  {"long-argument", longArgument.ratio, longBound}};
    for (const auto &j : judged) {
        if (j.ratio > j.bound) {
            printf("bound passed: %s %s, median ratio %.3f above %.2f\n", toolchain, j.row, j.ratio,
                   j.bound);
            status = 2;
        }
    }
    CloseHandle(nul);
    return status;
}
