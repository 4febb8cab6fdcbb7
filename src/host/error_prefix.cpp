#include "error_prefix.h"

#include "host_services.h"
#include "identity.h"

int WriteErrorPrefix(void)
{
    wchar_t text[PrefixChars] = L"%_batch";

    // The standard error handle is fetched anew for each write: the host may
    // have redirected it since the last one.
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"%s plugin: ", PluginName);

    ExpandVariables(text, 1);
    if (text[0] == L'0')
        return 0; // no batch file is running

    lstrcpynW(text, L"%_batchname [%_batchline]  ", PrefixChars);
    ExpandVariables(text, 1);
    // Passed as an argument, never as the format: a batch file's name may
    // hold '%'.
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"%s", text);
    return 0;
}
