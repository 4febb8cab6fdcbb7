#include "query.h"

int ProbeElevation(DWORD pid)
{
    // The limited query right is all that reading a token needs, and the one
    // right Windows grants on processes of other users and elevations.
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return -1;

    HANDLE token = NULL;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token)) {
        CloseHandle(process);
        return -1;
    }

    int answer = -1;
    TOKEN_ELEVATION elevation;
    DWORD returned = 0;
    if (GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &returned))
        answer = elevation.TokenIsElevated ? 1 : 0;

    CloseHandle(token);
    CloseHandle(process);
    return answer;
}
