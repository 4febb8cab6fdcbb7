// Shared between the stand-in interpreter's own files.
#ifndef STANDIN_INTERNAL_H
#define STANDIN_INTERNAL_H

#include <string>

#include "takecmd.h"

// Writes text to a handle: WriteConsoleW on a console, UTF-8 otherwise.
void WriteText(HANDLE file, const std::wstring &text);
void WriteError(const std::wstring &text); // standard error, as of now
// Where the host's standard output goes now: where HostRedirectOutput sends
// it, else the process's standard output handle.
HANDLE HostOutput(void);

// Expands variables and variable functions. False when a function failed,
// which abandons the command.
bool Expand(const std::wstring &text, std::wstring &expanded);
std::wstring LookupVariable(const std::wstring &name);

// Without its leading and trailing spaces and tabs.
std::wstring Trimmed(const std::wstring &text);

// Calls the plug-in function @name with its argument. False when there is no
// such function or it refused.
bool CallPluginFunction(const std::wstring &name, const std::wstring &argument,
                        std::wstring &result);

// Offers a help topic to each plug-in's Help in turn. False, after saying so
// on standard error, when none of them knows it.
bool ShowPluginHelp(const std::wstring &topic);

struct BatchFrame {
    std::wstring name; // full path
    int line;          // 1 for the first line
};
const BatchFrame *CurrentBatch(void);
int BatchDepth(void);
bool IsTransient(void);

// The host's standard input, one line at a time, shared by the session and a
// help box's watcher. Waits until a line has been read, the input has ended
// or stop (which may be NULL) is set.
enum InputWait { LineRead, InputEnded, WaitStopped };
InputWait NextInputLine(std::wstring &line, HANDLE stop);
bool InputIsConsole(void);

// While it exists, what a message box opened by the given thread shows is
// also written to standard output, and the next line of standard input
// closes the box with its default button.
class MessageBoxWatch {
public:
    explicit MessageBoxWatch(DWORD thread);
    ~MessageBoxWatch();
    MessageBoxWatch(const MessageBoxWatch &) = delete;
    MessageBoxWatch &operator=(const MessageBoxWatch &) = delete;

private:
    DWORD thread_;
    HANDLE stop_;
    HANDLE watcher_;
    static DWORD WINAPI Watch(void *self);
};

#endif
