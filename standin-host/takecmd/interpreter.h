// takecmd/interpreter.h, part of the stand-in TakeCmd.dll: the commands, one
// line or a batch file at a time. Its entries are exports, declared in
// takecmd.h: HostExecute, HostRunBatch and HostExitRequested.
#ifndef STANDIN_INTERPRETER_H
#define STANDIN_INTERPRETER_H

#include "takecmd.h"

#endif
