// takecmd/output.h, part of the stand-in TakeCmd.dll: where the host writes,
// for its other modules. It also defines the exports Qprintf and Printf (a
// plug-in's services) and HostRedirectOutput, declared in takecmd.h.
#ifndef STANDIN_OUTPUT_H
#define STANDIN_OUTPUT_H

#include <string>

#include "takecmd.h"

// Writes text to a handle: WriteConsoleW on a console, UTF-8 otherwise.
void WriteText(HANDLE file, const std::wstring &text);
void WriteError(const std::wstring &text); // standard error, as of now
// Where the host's standard output goes now: where HostRedirectOutput sends
// it, else the process's standard output handle.
HANDLE HostOutput(void);

#endif
