#include "query.h"

// Only ASCII digits are taken, in every script: a process ID written with
// other digits is refused rather than guessed at.
static int DigitValue(wchar_t c, unsigned base)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (base == 16 && c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    if (base == 16 && c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    return -1;
}

static bool IsHexPrefix(const wchar_t *text)
{
    return text[0] == L'0' && (text[1] == L'X' || text[1] == L'x');
}

int ParsePid(const wchar_t *text, DWORD *pid)
{
    if (!text || !pid)
        return -1;

    unsigned base;
    const wchar_t *start;
    if (IsHexPrefix(text) && DigitValue(text[2], 16) >= 0) {
        base = 16;
        start = text + 2;
    } else if (DigitValue(text[0], 10) >= 0) {
        base = 10; // a leading zero does not make it octal
        start = text;
    } else {
        return -1;
    }

    // Like the C library's unsigned conversion in base 16, one more 0x prefix
    // is skipped, so "0x0x1A" is 26.
    const wchar_t *cursor = start;
    if (base == 16 && IsHexPrefix(cursor))
        cursor += 2;

    unsigned long long value = 0;
    bool outOfRange = false;
    const wchar_t *digits = cursor;
    for (int digit; (digit = DigitValue(*cursor, base)) >= 0; ++cursor) {
        value = value * base + digit;
        if (value > 0xFFFFFFFFull) {
            outOfRange = true;
            value = 0xFFFFFFFFull; // keeps the product from wrapping round
        }
    }
    const wchar_t *end = cursor == digits ? start : cursor;

    if (outOfRange || *end != L'\0')
        return -1;
    *pid = (DWORD)value;
    return 0;
}
