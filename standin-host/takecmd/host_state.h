// takecmd/host_state.h, part of the stand-in TakeCmd.dll: the host's state
// that expansion reads as built-in variables (the batch files being run,
// whether the host is transient), kept by the interpreter and tcc.exe. It
// also defines the export HostSetTransient, declared in takecmd.h.
#ifndef STANDIN_HOST_STATE_H
#define STANDIN_HOST_STATE_H

#include <string>

#include "takecmd.h"

struct BatchFrame {
    std::wstring name; // full path
    int line;          // 1 for the first line
};
// The batch file being run, the innermost one when they are nested; NULL
// outside any.
const BatchFrame *CurrentBatch(void);
int BatchDepth(void);
// A batch file starts, at line 0 until its first line is read; its next
// line is read; it ends.
void EnterBatch(const std::wstring &fullPath);
void NextBatchLine(void);
void LeaveBatch(void);
bool IsTransient(void);

#endif
