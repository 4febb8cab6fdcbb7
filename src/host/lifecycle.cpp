#include "error_prefix.h"
#include "host_contract.h"
#include "identity.h"

// Room for the expansion that decides the load announcement, in wide
// characters, terminator included: three short host variables.
enum { LoadCheckChars = 1024 };

// Filled by InitializePlugin; only the major version is consulted.
static OSVERSIONINFOEXW OsVersion;

typedef LONG(WINAPI *RtlGetVersionFn)(OSVERSIONINFOEXW *);

// GetVersionExW may report an older Windows than runs, to programs that do
// not declare the newer one in their manifest; RtlGetVersion tells the truth
// and is asked first. Returns -1 for a null record, 1 when a version was
// obtained, 0 when the fallback failed too.
static int QueryOsVersion(OSVERSIONINFOEXW *version)
{
    if (!version)
        return -1;

    // Already loaded in every process: no loading, no reference taken.
    HMODULE ntdll = GetModuleHandleW(L"NtDll.dll");

    *version = OSVERSIONINFOEXW();
    version->dwOSVersionInfoSize = sizeof *version;
    if (ntdll) {
        auto rtlGetVersion = (RtlGetVersionFn)(void *)GetProcAddress(ntdll, "RtlGetVersion");
        if (rtlGetVersion) {
            rtlGetVersion(version); // its status says nothing the record does not
            if (version->dwMajorVersion >= 6)
                return 1;
        }
    }

    *version = OSVERSIONINFOEXW();
    version->dwOSVersionInfoSize = sizeof *version;
    return GetVersionExW((OSVERSIONINFOW *)version) ? 1 : 0;
}

extern "C" int InitializePlugin(void)
{
    QueryOsVersion(&OsVersion); // a failed query leaves major version 0
    if (OsVersion.dwMajorVersion < 6) {
        WriteErrorPrefix();
        Qprintf(GetStdHandle(STD_ERROR_HANDLE),
                L"Windows Vista or later is required.  Plugin not loaded.\r\n");
        return -1;
    }

    // The host shows load messages only in an interactive or batch session
    // (not for one transient command, nor inside a pipe), and the user can
    // silence them by setting noloadmsg: all three must expand to "00".
    // Filled as WriteErrorPrefix fills its text, and for the same reason.
    wchar_t loadCheck[LoadCheckChars] = {};
    lstrcpynW(loadCheck, L"%[_transient]%[_pipe]%[noloadmsg]", LoadCheckChars);
    ExpandVariables(loadCheck, 1);
    if (loadCheck[0] == L'0' && loadCheck[1] == L'0' && loadCheck[2] == L'\0')
        Printf(L"%s v%u.%u.%u loaded.\r\n", PluginName, TOLVARIS_VERSION_MAJOR,
               TOLVARIS_VERSION_MINOR, TOLVARIS_VERSION_BUILD);
    return 0;
}

// There is nothing to release.
extern "C" int ShutdownPlugin(int)
{
    return 0;
}

// The plug-in starts nothing and keeps nothing per process or thread.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, void *)
{
    return TRUE;
}
