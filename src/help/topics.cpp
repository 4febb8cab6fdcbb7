#include "help.h"

// The names are matched by Help as the host passes them, ignoring the case
// of ASCII letters only.
extern const wchar_t HelpTopicNames[HelpTopicCount][HelpNameChars] = {
    L"@tolvaris",
};

// Stored exactly as the box shows it: the first line ends with a space and
// "\r\n" and is followed by an empty line; later lines end with a bare "\n";
// the result rows are tab, right-aligned value, tab, meaning.
static const wchar_t TolvarisHelp[] =
    L"@TOLVARIS[pid] \r\n"
    L"\n"
    L"Tests whether a process is tolvaris:\n"
    L"\n"
    L"\t 1\ttolvaris\n"
    L"\t 0\tnot tolvaris\n"
    L"\t-1\terror\n"
    L"\n"
    L"The pid may be entered in decimal, or hexadecimal\n"
    L"with a leading 0x.  If pid is not specified, the current \n"
    L"instance of TCC is assumed.\n";

extern const wchar_t *const HelpTopicTexts[HelpTopicCount] = {
    TolvarisHelp,
};
