// What passes between the host (TCC, or our stand-in for it) and a plug-in:
// the descriptor the host reads, the five exports it calls and the three
// services its TakeCmd.dll offers. Declared once, here: the plug-in's own
// definitions are compiled against these declarations, so that a definition
// that drifts from them does not build, and the stand-in host, the tests
// and the benchmark call the plug-in through them.
#ifndef TOLVARIS_HOST_CONTRACT_H
#define TOLVARIS_HOST_CONTRACT_H

#include <stddef.h>
#include <windows.h>

// The record GetPluginInfo returns. Its layout is the host's: six text
// pointers, three 32-bit numbers, then 20 bytes the host may keep for
// itself, which a plug-in only provides, zero-filled.
struct PluginDescriptor {
    const wchar_t *ModuleName;
    const wchar_t *Author;
    const wchar_t *Email;
    const wchar_t *WebPage;
    const wchar_t *Description;
    const wchar_t *Functions; // comma-separated; "@name" is a variable function
    int Major;
    int Minor;
    int BuildNumber;
    unsigned char HostReserved[20];
};
static_assert(sizeof(PluginDescriptor) == 80, "the host reads 80 bytes");
static_assert(offsetof(PluginDescriptor, Functions) == 40, "the host's layout");
static_assert(offsetof(PluginDescriptor, Major) == 48, "the host's layout");
static_assert(offsetof(PluginDescriptor, BuildNumber) == 56, "the host's layout");
static_assert(offsetof(PluginDescriptor, HostReserved) == 60, "the host's layout");

// A variable function's buffer, in wide characters, terminator included: it
// holds the argument on entry and the result on return. The one place this
// size is written: the plug-in, the stand-in host, the tests and the
// benchmark all take it from here.
enum { FunctionBufferChars = 8192 };

// A variable function @name, which the host reaches through the export
// f_name: it is passed a buffer of FunctionBufferChars and returns 0 once
// its result is in it, or -1 once it has reported an error.
typedef int (*VariableFunction)(wchar_t *buffer);

// The exports, called by the host with the platform's one x64 calling
// convention. A variable function @name is the export f_name; this
// plug-in's is f_tolvaris.
extern "C" {
PluginDescriptor *GetPluginInfo(void);
// Non-zero: the plug-in refuses to load, having said why.
int InitializePlugin(void);
// The host passes one number, whether its process is ending. A plug-in need
// not read it, and this one does not.
int ShutdownPlugin(int endProcess);
// 1 when the topic was the plug-in's and has been shown, 0 otherwise.
int Help(const wchar_t *topic);
int f_tolvaris(wchar_t *buffer);
}
// Converts only when the types are the same: f_tolvaris is a VariableFunction.
static_assert(sizeof(static_cast<VariableFunction>(&f_tolvaris)) != 0, "a variable function");

// The services of the host's TakeCmd.dll: imported by a plug-in, exported by
// the stand-in host's, which defines TOLVARIS_HOST_SERVICE before this file.
#ifndef TOLVARIS_HOST_SERVICE
#define TOLVARIS_HOST_SERVICE __declspec(dllimport)
#endif
extern "C" {
// Formats and writes to the given file handle.
TOLVARIS_HOST_SERVICE int Qprintf(HANDLE file, const wchar_t *format, ...);
// Formats and writes to the host's standard output.
TOLVARIS_HOST_SERVICE int Printf(const wchar_t *format, ...);
// Expands every variable reference in place. No capacity is passed: the
// host trusts the caller's buffer to be large enough for the expansion.
TOLVARIS_HOST_SERVICE int ExpandVariables(wchar_t *text, int flag);
}

#endif
