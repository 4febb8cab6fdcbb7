// takecmd/takecmd.h, what the stand-in TakeCmd.dll exports: the command
// interpreter that the host program (tcc.exe) and its plug-ins share. It
// exports the three services a plug-in imports, and a few entries of its own
// that the host program and the tests drive it with.
#ifndef STANDIN_TAKECMD_H
#define STANDIN_TAKECMD_H

#include <windows.h>

#ifdef TAKECMD_BUILD
#define TAKECMD_API __declspec(dllexport)
#else
#define TAKECMD_API __declspec(dllimport)
#endif

// The services for plug-ins, declared with the rest of what a plug-in and
// its host exchange. Text written to a console goes through WriteConsoleW;
// to a file or pipe it goes as UTF-8. No capacity is passed to
// ExpandVariables, so an expansion never writes more than
// ServiceExpansionChars wide characters, terminator included: the smallest
// buffer a plug-in may hand over.
#define TOLVARIS_HOST_SERVICE TAKECMD_API
#include "host_contract.h"

extern "C" {

// Runs one command line: echo, set, plugin /l or /u, help, call or a batch
// file's name. 0 on success.
TAKECMD_API int HostExecute(const wchar_t *line);
// Runs a batch file line by line. 0 when it could be read; it stops early
// at an `exit`.
TAKECMD_API int HostRunBatch(const wchar_t *path);
// Whether the last command run asked to end the session (`exit [code]`, in
// a batch file too); its exit status is then in *code.
TAKECMD_API int HostExitRequested(int *code);
// Reads commands from standard input, one a line, prompting with "> " when
// it is a console, until `exit` or the end of input (Ctrl-D on a console).
// Returns the session's exit status: `exit`'s code, otherwise the status of
// the last command run, 0 when none ran.
TAKECMD_API int HostRunSession(void);
// Loads a plug-in as the host does: GetPluginInfo, then InitializePlugin,
// whose non-zero result means the plug-in is not used. 0 when it is in use;
// a module already in use is not loaded or initialised again, and the host
// says so on standard output.
TAKECMD_API int HostLoadPlugin(const wchar_t *path);
// Calls ShutdownPlugin on the plug-in in use whose descriptor gives it this
// name (in any case) and unloads it; 0 when there was one, else -1, after
// saying so on standard error.
TAKECMD_API int HostUnloadPlugin(const wchar_t *name);
// Loads every DLL in the plugins folder beside TakeCmd.dll.
TAKECMD_API void HostLoadPluginFolder(void);
// Calls ShutdownPlugin on each plug-in in use and unloads it.
TAKECMD_API void HostUnloadPlugins(void);
// Whether the host runs one command and exits (tcc /c).
TAKECMD_API void HostSetTransient(int transient);
// Sends what the host writes to its standard output (echo, a plug-in's
// Printf, its own messages there) to the given file rather than to the
// process's standard output handle, which stays as it is: the host's own
// redirection, as a command's "> file" sets it. NULL ends it. For tests.
TAKECMD_API void HostRedirectOutput(HANDLE file);
// Makes a variable, built-in ones included, expand to the given text until
// it is overridden again; a null value removes the override. For tests.
TAKECMD_API void HostOverrideVariable(const wchar_t *name, const wchar_t *value);
}

enum { ServiceExpansionChars = 1024 };

#endif
