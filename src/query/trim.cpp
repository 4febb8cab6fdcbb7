#include "query.h"

static bool IsWhiteSpace(wchar_t c)
{
    if ((c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0xA0)
        return true;
    if (c <= 0xFF)
        return false;
    WORD type = 0;
    return GetStringTypeW(CT_CTYPE1, &c, 1, &type) && (type & C1_SPACE);
}

int TrimWhitespace(wchar_t *text)
{
    if (!text)
        return -1;

    int first = -1, last = -1;
    for (int i = 0; text[i]; ++i) {
        if (!IsWhiteSpace(text[i])) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first < 0) { // empty, or white space only
        text[0] = L'\0';
        return 0;
    }

    text[last + 1] = L'\0';
    if (first > 0) {
        // Moving towards the start, so a forward copy never overwrites what it
        // has yet to read. The terminator comes along.
        for (int i = first; i <= last + 1; ++i)
            text[i - first] = text[i];
    }
    return 0;
}
