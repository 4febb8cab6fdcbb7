// Measures Tolvaris.dll as the host uses it: the cost of one @tolvaris call
// beside the bare system calls it makes, the time to load and initialise
// the plug-in, and its size. Prints figures; judges nothing.
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "module_folder.h"
#include "takecmd/takecmd.h"

namespace {
typedef decltype(&f_tolvaris) QueryFn;
typedef decltype(&InitializePlugin) InitializeFn;
typedef decltype(&ShutdownPlugin) ShutdownFn;

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

std::wstring PluginPath()
{
    return PluginsFolderOf(NULL) + L"Tolvaris.dll";
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

const int Rounds = 15, CallsPerRound = 2000;

// The median over rounds of the mean time per call, in microseconds.
template <typename Call>
double PerCall(Call call)
{
    std::vector<double> rounds;
    for (int r = 0; r < Rounds; ++r) {
        double start = Now();
        for (int i = 0; i < CallsPerRound; ++i)
            call();
        rounds.push_back((Now() - start) / CallsPerRound * 1e6);
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[Rounds / 2];
}

// The host fills its buffer with the argument before each call.
double QueryPerCall(QueryFn query, const wchar_t *argument)
{
    wchar_t buffer[8192];
    return PerCall([&] {
        lstrcpynW(buffer, argument, 8192);
        query(buffer);
    });
}
} // namespace

int main()
{
    const std::wstring path = PluginPath();
    HostOverrideVariable(L"noloadmsg", L"1"); // no announcement on every load
    // Refusals are written to standard error; NUL takes them.
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    SetStdHandle(STD_ERROR_HANDLE, nul);

    HMODULE plugin = LoadLibraryW(path.c_str());
    if (!plugin) {
        printf("Cannot load %ls\n", path.c_str());
        return 1;
    }
    auto query = (QueryFn)(void *)GetProcAddress(plugin, "f_tolvaris");
    const DWORD self = GetCurrentProcessId(), nobody = 4294967292u;
    wchar_t nobodyText[16];
    wsprintfW(nobodyText, L"%u", nobody);

    const double bareOwn = PerCall([&] { BareProbe(self); });
    const double pluginOwn = QueryPerCall(query, L"");
    const double bareNobody = PerCall([&] { BareProbe(nobody); });
    const double pluginNobody = QueryPerCall(query, nobodyText);
    const double pluginMalformed = QueryPerCall(query, L"abc");
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
    std::sort(loads.begin(), loads.end());

    WIN32_FILE_ATTRIBUTE_DATA file;
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &file);

    printf("Tolvaris.dll benchmark (median of %d rounds of %d calls)\n\n", Rounds, CallsPerRound);
    printf("| measure | plug-in | bare system calls | ratio |\n|---|---|---|---|\n");
    printf("| query, own process | %.2f us | %.2f us | %.3f |\n", pluginOwn, bareOwn,
           pluginOwn / bareOwn);
    printf("| query, no such process | %.2f us | %.2f us | %.3f |\n", pluginNobody, bareNobody,
           pluginNobody / bareNobody);
    printf("| query, malformed ID (error line to NUL) | %.2f us | - | - |\n", pluginMalformed);
    printf("| LoadLibraryW to finished InitializePlugin | %.1f us | - | - |\n",
           loads[loads.size() / 2]);
    printf("| Tolvaris.dll size | %lu bytes | - | - |\n", file.nFileSizeLow);
    CloseHandle(nul);
    return 0;
}
