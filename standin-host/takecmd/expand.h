// takecmd/expand.h, part of the stand-in TakeCmd.dll: variables and variable
// functions expanded, for the interpreter. It also defines the exports
// ExpandVariables (a plug-in's service) and HostOverrideVariable, declared in
// takecmd.h.
#ifndef STANDIN_EXPAND_H
#define STANDIN_EXPAND_H

#include <string>

#include "takecmd.h"

// Expands variables and variable functions. False when a function failed,
// which abandons the command.
bool Expand(const std::wstring &text, std::wstring &expanded);

#endif
