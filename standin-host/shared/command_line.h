// standin-host/shared/command_line.h, shared by the stand-in's programs
// (tcc.exe, runlimited.exe): their command line after the program's own name,
// as written (quoted or not), without the spaces before it.
#ifndef STANDIN_COMMAND_LINE_H
#define STANDIN_COMMAND_LINE_H

#include <windows.h>

static inline const wchar_t *ArgumentsAfterProgramName(void)
{
    const wchar_t *cursor = GetCommandLineW();
    if (*cursor == L'"') {
        for (++cursor; *cursor && *cursor != L'"'; ++cursor) {}
        if (*cursor)
            ++cursor;
    } else {
        while (*cursor && *cursor != L' ' && *cursor != L'\t')
            ++cursor;
    }
    while (*cursor == L' ' || *cursor == L'\t')
        ++cursor;
    return cursor;
}

#endif
