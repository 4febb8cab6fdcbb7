// The three services the host library (TakeCmd.dll) exports to its plug-ins.
// The plug-in ignores their results.
#ifndef TOLVARIS_HOST_SERVICES_H
#define TOLVARIS_HOST_SERVICES_H

#include <windows.h>

extern "C" {
// Formats and writes to the given file handle.
__declspec(dllimport) int Qprintf(HANDLE file, const wchar_t *format, ...);
// Formats and writes to the host's standard output.
__declspec(dllimport) int Printf(const wchar_t *format, ...);
// Expands every variable reference in place. No capacity is passed: the
// host trusts the caller's buffer to be large enough for the expansion.
__declspec(dllimport) int ExpandVariables(wchar_t *text, int flag);
}

#endif
