#include <windows.h>

#include "../host/host_contract.h"
#include "../host/identity.h"
#include "help.h"

// Room for the help box's caption, in wide characters, terminator included.
enum { HelpTitleChars = 1024 };

static wchar_t LowerAscii(wchar_t c)
{
    return c >= L'A' && c <= L'Z' ? (wchar_t)(c - L'A' + L'a') : c;
}

// Only 'A'-'Z' and 'a'-'z' are folded; every other character compares by
// its code. A locale-aware compare (lstrcmpiW) would not do: its casing of
// I, U+0130 and U+0131 depends on the user's locale, and it skips some
// characters altogether, so that "@tol\u00ADvaris" (soft hyphen) matches.
// The walk stops at the row's terminator, so at most HelpNameChars
// characters of the topic are read.
static bool IsTopicName(const wchar_t *topic, const wchar_t *name)
{
    for (int i = 0; i < HelpNameChars; ++i) {
        if (LowerAscii(topic[i]) != LowerAscii(name[i]))
            return false;
        if (name[i] == L'\0')
            return true;
    }
    return false; // a name filling its whole field: never stored
}

// The host offers each help request to its plug-ins in turn. Shows the
// topic's text in a modal box and returns 1 once it is closed; returns 0,
// showing nothing, for a name that is not ours.
extern "C" int Help(const wchar_t *topic)
{
    wchar_t title[HelpTitleChars] = {};
    wsprintfW(title, L"%s Plugin Help", PluginName);

    if (!topic) // not expected from the host, and nothing to compare
        return 0;
    for (int row = 0; row < HelpTopicCount; ++row) {
        if (!IsTopicName(topic, HelpTopicNames[row]))
            continue;
        // Owned by whatever window is in front, as the host's own help is;
        // the box's answer is always OK and is not needed.
        MessageBoxW(GetForegroundWindow(), HelpTopicTexts[row], title, MB_OK);
        return 1;
    }
    return 0;
}
