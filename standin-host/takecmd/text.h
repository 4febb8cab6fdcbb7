// takecmd/text.h, part of the stand-in TakeCmd.dll: small helpers on text
// that the interpreter, the session and the plug-in loader share.
#ifndef STANDIN_TEXT_H
#define STANDIN_TEXT_H

#include <string>

// Without its leading and trailing spaces and tabs.
std::wstring Trimmed(const std::wstring &text);

#endif
