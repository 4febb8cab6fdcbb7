// takecmd/input.h, part of the stand-in TakeCmd.dll: the host's standard
// input, one line at a time, shared by the session and a help box's watcher.
#ifndef STANDIN_INPUT_H
#define STANDIN_INPUT_H

#include <string>

#include <windows.h>

// Waits until a line has been read, the input has ended or stop (which may
// be NULL) is set.
enum InputWait { LineRead, InputEnded, WaitStopped };
InputWait NextInputLine(std::wstring &line, HANDLE stop);
bool InputIsConsole(void);

#endif
