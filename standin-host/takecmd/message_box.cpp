// takecmd/message_box.cpp, part of the stand-in TakeCmd.dll: a plug-in's
// help box, seen and closed without a display. Under Wine's null display
// driver a message box is a real window that nobody can see or click; a
// watcher thread finds it, writes what it shows to the console and closes it
// when a line (an Enter) arrives on standard input. With a real display the
// box can still be clicked: the watcher then just stops.
#include <vector>

#include "message_box.h"
#include "input.h"
#include "output.h"

namespace {
enum { PollMs = 20, ReplyMs = 2000, WatcherEndMs = 10000 };

struct Button {
    HWND window;
    int id;
    std::wstring text;
    bool isDefault;
};

// A window's text. The box belongs to the thread that is inside Help, and
// that thread answers only from its modal loop: once the box is gone it may
// never answer, so the asking is bounded.
std::wstring TextOf(HWND window)
{
    DWORD_PTR length = 0;
    if (!window ||
        !SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, ReplyMs, &length))
        return std::wstring();
    std::vector<wchar_t> text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), (LPARAM)text.data(), SMTO_ABORTIFHUNG,
                        ReplyMs, &copied);
    return std::wstring(text.data(), copied < length ? copied : length);
}

struct Search {
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter)
{
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (lstrcmpW(className, L"#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    ((Search *)parameter)->found = window;
    return FALSE;
}

// The open dialog (a message box's class) of the given thread, or NULL.
HWND OpenBox(DWORD thread)
{
    Search search = {NULL};
    EnumThreadWindows(thread, FindDialog, (LPARAM)&search);
    return search.found;
}

BOOL CALLBACK CollectButton(HWND child, LPARAM parameter)
{
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    if (lstrcmpiW(className, L"Button") != 0 || !IsWindowVisible(child))
        return TRUE;
    std::wstring text;
    for (wchar_t c : TextOf(child)) // "&Yes": the '&' marks the access key
        if (c != L'&')
            text += c;
    const bool isDefault = (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    ((std::vector<Button> *)parameter)->push_back({child, GetDlgCtrlID(child), text, isDefault});
    return TRUE;
}

// What Enter presses: the default button, else OK, else the first one.
const Button *EnterButton(const std::vector<Button> &buttons)
{
    for (const Button &button : buttons)
        if (button.isDefault)
            return &button;
    for (const Button &button : buttons)
        if (button.id == IDOK)
            return &button;
    return buttons.empty() ? NULL : &buttons[0];
}

// [Message box] CAPTION
// | each line of the text
// [OK]  Press Enter for OK.
std::wstring Description(HWND box, const std::vector<Button> &buttons, const Button *enter)
{
    std::wstring shown = L"[Message box] " + TextOf(box) + L"\r\n";
    std::wstring text = TextOf(GetDlgItem(box, 0xFFFF)); // the message's static control
    if (!text.empty() && text.back() == L'\n')
        text.pop_back(); // ends the last line; no empty line follows it
    if (!text.empty() && text.back() == L'\r')
        text.pop_back();
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = text.substr(start, end - start);
        shown += line.empty() ? L"|\r\n" : L"| " + line + L"\r\n";
        start = text.compare(end, 2, L"\r\n") == 0 ? end + 2 : end + 1;
    }
    std::wstring row;
    for (const Button &button : buttons)
        row += (row.empty() ? L"[" : L" [") + button.text + L"]";
    if (enter)
        row += L"  Press Enter for " + enter->text + L".";
    return shown + row + L"\r\n";
}
} // namespace

MessageBoxWatch::MessageBoxWatch(DWORD thread)
    : thread_(thread), stop_(CreateEventW(NULL, TRUE, FALSE, NULL)), watcher_(NULL)
{
    if (stop_)
        watcher_ = CreateThread(NULL, 0, Watch, this, 0, NULL);
}

MessageBoxWatch::~MessageBoxWatch()
{
    if (watcher_) {
        SetEvent(stop_);
        // It wakes within one poll, or from its wait for a line, at once.
        WaitForSingleObject(watcher_, WatcherEndMs);
        CloseHandle(watcher_);
    }
    if (stop_)
        CloseHandle(stop_);
}

DWORD WINAPI MessageBoxWatch::Watch(void *parameter)
{
    auto self = (MessageBoxWatch *)parameter;
    HWND handled = NULL; // the box already shown, until it is gone
    while (WaitForSingleObject(self->stop_, PollMs) == WAIT_TIMEOUT) {
        if (handled && !IsWindow(handled))
            handled = NULL;
        HWND box = OpenBox(self->thread_);
        if (!box || box == handled)
            continue;
        handled = box;

        std::vector<Button> buttons;
        EnumChildWindows(box, CollectButton, (LPARAM)&buttons);
        const Button *enter = EnterButton(buttons);
        WriteText(GetStdHandle(STD_OUTPUT_HANDLE), Description(box, buttons, enter));

        // A line, or the end of input (nobody will ever type again), closes
        // the box; the box closed some other way stops the wait.
        std::wstring line;
        if (NextInputLine(line, self->stop_) == WaitStopped)
            break;
        if (enter)
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(enter->id, BN_CLICKED), (LPARAM)enter->window);
        else
            PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    return 0;
}
