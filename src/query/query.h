// The elevation query's routines, below the exported f_tolvaris.
#ifndef TOLVARIS_QUERY_H
#define TOLVARIS_QUERY_H

#include <windows.h>

// Removes leading and trailing white space in place. -1 for a null text.
int TrimWhitespace(wchar_t *text);

// Converts a trimmed process ID: decimal, or hexadecimal after 0x or 0X,
// with digits in either case (f_tolvaris passes it upper-cased). 0 with
// *pid set, or -1 with *pid untouched.
int ParsePid(const wchar_t *text, DWORD *pid);

// Whether the process's token carries the elevation flag: 1 set, 0 clear,
// -1 when that cannot be found out.
int ProbeElevation(DWORD pid);

#endif
