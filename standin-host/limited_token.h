// The limited token linked to this process's own, made primary so that a
// program can be started with it: under Wine, as under UAC for an
// administrator, a process holds the elevated half of a pair of tokens.
// Shared by runlimited.exe and the tests' limited child process.
#ifndef STANDIN_LIMITED_TOKEN_H
#define STANDIN_LIMITED_TOKEN_H

#include <windows.h>

// The caller closes the token. NULL on failure, with *failure (if given)
// saying which step failed and GetLastError() why.
static inline HANDLE LimitedPrimaryToken(const char **failure)
{
    const char *failed = NULL;
    HANDLE own = NULL, limited = NULL;
    // The own token needs TOKEN_QUERY to read its linked token; the linked
    // token comes as an impersonation token and must be made primary.
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own)) {
        failed = "cannot open this process's token";
    } else {
        TOKEN_LINKED_TOKEN linked = {};
        DWORD length = 0;
        if (!GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &length)) {
            failed = "this process's token has no linked token";
        } else {
            if (!DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, NULL,
                                  SecurityImpersonation, TokenPrimary, &limited))
                failed = "cannot make the linked token a primary token";
            const DWORD error = GetLastError();
            CloseHandle(linked.LinkedToken);
            SetLastError(error);
        }
        const DWORD error = GetLastError();
        CloseHandle(own);
        SetLastError(error);
    }
    if (failure)
        *failure = failed;
    return limited;
}

#endif
