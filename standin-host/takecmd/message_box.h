// takecmd/message_box.h, part of the stand-in TakeCmd.dll: a plug-in's help
// box, seen and closed without a display, for the plug-in loader.
#ifndef STANDIN_MESSAGE_BOX_H
#define STANDIN_MESSAGE_BOX_H

#include <windows.h>

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
