#include "error_prefix.h"

#include "host_contract.h"
#include "identity.h"

// Room for the batch location, in wide characters, terminator included. The
// host expands a batch file's name and line into it with no capacity given;
// as large as the host's own buffer for a variable function, it holds any
// text the host holds.
enum { PrefixChars = FunctionBufferChars };

int WriteErrorPrefix(void)
{
    // Zero-filled, then given its text: an initialiser would make some
    // compilers keep a zero-padded 16 KB copy of it in the DLL.
    wchar_t text[PrefixChars] = {};
    lstrcpynW(text, L"%_batch", PrefixChars);

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
