// standin-host/shared: a primary token that is not elevated, for starting a program with it:
// runlimited.exe's and the tests' limited child process. Shared by both.
//
// There are three roads to one, tried in turn; the first whose token reads
// TokenIsElevated 0 is used:
//   linked      the limited half of this process's split token (an
//               administrator's, under UAC): the linked token when this
//               process has the full half (elevated: Wine 8 gives every
//               process that half), this process's own token when it has the
//               limited half (not elevated: what Wine 10 gives a program, as
//               Windows with UAC on does); none when the token is not split
//               (TokenElevationTypeDefault: UAC off, or the built-in
//               Administrator), whose linked token, if any, is no limited
//               half, so the roads below are tried;
//   restricted  CreateRestrictedToken(LUA_TOKEN | DISABLE_MAX_PRIVILEGE),
//               for an elevated process with no split token (a CI runner);
//   safer       SaferComputeTokenFromLevel(SAFER_LEVELID_NORMALUSER).
// Where each road leads differs between Windows, its editions and Wine, so
// none is assumed to work: each token made is read before it is used.
// TOLVARIS_LIMITED_ROADS (comma-separated names) limits and orders the roads.
#ifndef STANDIN_LIMITED_TOKEN_H
#define STANDIN_LIMITED_TOKEN_H

#include <windows.h>
#include <winsafer.h>

#include <stdio.h>
#include <string.h>

// 1 or 0 as the token's TokenIsElevated reads, -1 when it cannot be read.
static inline int TokenElevationOf(HANDLE token)
{
    TOKEN_ELEVATION elevation = {};
    DWORD length = 0;
    if (!GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &length))
        return -1;
    return elevation.TokenIsElevated ? 1 : 0;
}

// How the token's elevation is split: TokenElevationTypeDefault (1, not
// split), TokenElevationTypeFull (2, the full half of a split token, the
// limited half linked) or TokenElevationTypeLimited (3, the limited half,
// the full half linked); 0 when it cannot be read.
static inline int TokenElevationTypeOf(HANDLE token)
{
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD length = 0;
    if (!GetTokenInformation(token, TokenElevationType, &type, sizeof type, &length))
        return 0;
    return (int)type;
}

// Each road returns a primary token the caller closes, or NULL with *failure
// saying which step failed and GetLastError() why.
static inline HANDLE LinkedLimitedToken(const char **failure)
{
    HANDLE own = NULL, limited = NULL;
    *failure = NULL;
    // The own token needs TOKEN_QUERY to read its linked token, and
    // TOKEN_DUPLICATE to be copied when it is the limited half itself; the
    // linked token comes as an impersonation token and must be made primary.
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &own)) {
        *failure = "cannot open this process's token";
        return NULL;
    }
    TOKEN_LINKED_TOKEN linked = {};
    DWORD length = 0;
    const int type = TokenElevationTypeOf(own);
    if (type == TokenElevationTypeLimited) {
        if (!DuplicateTokenEx(own, TOKEN_ALL_ACCESS, NULL, SecurityImpersonation, TokenPrimary,
                              &limited))
            *failure = "cannot copy this process's own token, the limited half";
    } else if (type != TokenElevationTypeFull) {
        *failure = type == 0 ? "cannot read how this process's token is split"
                             : "this process's token is not split (TokenElevationTypeDefault)";
        if (type != 0) // what Windows says when asked for such a token's linked token
            SetLastError(ERROR_NO_SUCH_LOGON_SESSION);
    } else if (!GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &length)) {
        *failure = "this process's token has no linked token";
    } else {
        if (!DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, NULL, SecurityImpersonation,
                              TokenPrimary, &limited))
            *failure = "cannot make the linked token a primary token";
        const DWORD error = GetLastError();
        CloseHandle(linked.LinkedToken);
        SetLastError(error);
    }
    const DWORD error = GetLastError();
    CloseHandle(own);
    SetLastError(error);
    return limited;
}

// A default DACL that grants the token's own user, and SYSTEM, all access:
// set on the token, for the objects a process started with it makes (its
// own process and thread among them), and on the token itself. The token
// CreateRestrictedToken makes keeps the elevated token's default DACL, which
// may grant only Administrators and SYSTEM; in the restricted token
// Administrators is for deny only, so a child started with it could not
// open its own process (OpenProcess, for the query of the host's own
// process, as the plug-in makes it) nor its token.
// Returns NULL, or which step failed, GetLastError() saying why.
static inline const char *GrantOwnUser(HANDLE token)
{
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } user;
    DWORD length = 0;
    if (!GetTokenInformation(token, TokenUser, &user, sizeof user, &length))
        return "cannot read the restricted token's user";
    union {
        SID sid;
        BYTE bytes[SECURITY_MAX_SID_SIZE];
    } system;
    DWORD systemSize = sizeof system;
    union {
        ACL acl;
        DWORD aligned[(sizeof(ACL) + 2 * (sizeof(ACCESS_ALLOWED_ACE) + SECURITY_MAX_SID_SIZE)) /
                      sizeof(DWORD)];
    } dacl;
    if (!CreateWellKnownSid(WinLocalSystemSid, NULL, &system, &systemSize) ||
        !InitializeAcl(&dacl.acl, sizeof dacl, ACL_REVISION) ||
        !AddAccessAllowedAce(&dacl.acl, ACL_REVISION, GENERIC_ALL, user.user.User.Sid) ||
        !AddAccessAllowedAce(&dacl.acl, ACL_REVISION, GENERIC_ALL, &system))
        return "cannot make a DACL for the restricted token's user";
    TOKEN_DEFAULT_DACL defaultDacl = {&dacl.acl};
    if (!SetTokenInformation(token, TokenDefaultDacl, &defaultDacl, sizeof defaultDacl))
        return "cannot set the restricted token's default DACL";
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, &dacl.acl, FALSE) ||
        !SetKernelObjectSecurity(token, DACL_SECURITY_INFORMATION, &descriptor))
        return "cannot set the restricted token's own DACL";
    return NULL;
}

// This process's token with Administrators for deny only (LUA_TOKEN) and no
// privilege but SeChangeNotifyPrivilege: not elevated, whatever kind of
// token it is made from, which is read before it is used all the same.
// Where UAC is off, an administrator's process has a single token
// (TokenElevationType 1, TokenElevationTypeDefault), elevated, with no
// linked token: the linked road fails there and this one leads from it,
// with the administrator's default DACL, which may grant Administrators and
// SYSTEM alone: hence GrantOwnUser. Nothing here gives such a token (Wine
// gives every process one half of a split token, type 2 or 3), so the
// Windows job's first step writes the runner's token to its log.
static inline HANDLE RestrictedLimitedToken(const char **failure)
{
    HANDLE own = NULL, limited = NULL;
    *failure = NULL;
    // The new token's handle may have only the rights this one has (under
    // Wine it does): those to set its DACLs too.
    const DWORD rights =
        TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT | WRITE_DAC;
    if (!OpenProcessToken(GetCurrentProcess(), rights, &own)) {
        *failure = "cannot open this process's token";
        return NULL;
    }
    if (!CreateRestrictedToken(own, LUA_TOKEN | DISABLE_MAX_PRIVILEGE, 0, NULL, 0, NULL, 0, NULL,
                               &limited)) {
        *failure = "CreateRestrictedToken failed";
        limited = NULL;
    } else if ((*failure = GrantOwnUser(limited)) != NULL) {
        const DWORD error = GetLastError();
        CloseHandle(limited);
        SetLastError(error);
        limited = NULL;
    }
    const DWORD error = GetLastError();
    CloseHandle(own);
    SetLastError(error);
    return limited;
}

static inline HANDLE SaferLimitedToken(const char **failure)
{
    SAFER_LEVEL_HANDLE level = NULL;
    HANDLE limited = NULL;
    *failure = NULL;
    if (!SaferCreateLevel(SAFER_SCOPEID_USER, SAFER_LEVELID_NORMALUSER, SAFER_LEVEL_OPEN, &level,
                          NULL)) {
        *failure = "SaferCreateLevel failed";
        return NULL;
    }
    if (!SaferComputeTokenFromLevel(level, NULL, &limited, 0, NULL)) {
        *failure = "SaferComputeTokenFromLevel failed";
        limited = NULL;
    }
    const DWORD error = GetLastError();
    SaferCloseLevel(level);
    SetLastError(error);
    return limited;
}

struct TokenRoad {
    const char *name;
    HANDLE (*make)(const char **failure);
};

static const TokenRoad LimitedTokenRoads[] = {
    {"linked", LinkedLimitedToken},
    {"restricted", RestrictedLimitedToken},
    {"safer", SaferLimitedToken},
};
enum { LimitedTokenRoadCount = sizeof LimitedTokenRoads / sizeof LimitedTokenRoads[0] };

// What the roads gave: the token (NULL when none reads 0), the road it came
// by, and, road by road, what each gave, for a skip or an error to show.
struct LimitedToken {
    HANDLE token;
    const char *road;
    char tried[512];
};

// Tries the roads in turn, reading each token with elevationOf, and keeps
// the first that reads 0; the tokens of the others are closed.
static inline LimitedToken ChooseLimitedToken(const TokenRoad *roads, int count,
                                              int (*elevationOf)(HANDLE))
{
    LimitedToken chosen = {NULL, NULL, ""};
    for (int i = 0; i < count && !chosen.token; ++i) {
        const char *failure = NULL;
        HANDLE token = roads[i].make(&failure);
        char outcome[160];
        if (!token) {
            snprintf(outcome, sizeof outcome, "%s: %s (error %lu)", roads[i].name,
                     failure ? failure : "no token", GetLastError());
        } else {
            const int elevation = elevationOf(token);
            snprintf(outcome, sizeof outcome, "%s: TokenIsElevated reads %d", roads[i].name,
                     elevation);
            if (elevation == 0) {
                chosen.token = token;
                chosen.road = roads[i].name;
            } else {
                CloseHandle(token);
            }
        }
        const size_t used = strlen(chosen.tried);
        snprintf(chosen.tried + used, sizeof chosen.tried - used, "%s%s", used ? "; " : "",
                 outcome);
    }
    return chosen;
}

// The roads named in TOLVARIS_LIMITED_ROADS, in its order, or all of them;
// an unknown name is left out and said in tried.
static inline LimitedToken LimitedPrimaryToken(void)
{
    char names[128];
    const DWORD length = GetEnvironmentVariableA("TOLVARIS_LIMITED_ROADS", names, sizeof names);
    if (length == 0 || length >= sizeof names)
        return ChooseLimitedToken(LimitedTokenRoads, LimitedTokenRoadCount, TokenElevationOf);

    TokenRoad roads[LimitedTokenRoadCount];
    int count = 0;
    char unknown[128] = "";
    for (char *name = strtok(names, ","); name; name = strtok(NULL, ",")) {
        int known = -1;
        for (int i = 0; i < LimitedTokenRoadCount; ++i)
            if (strcmp(name, LimitedTokenRoads[i].name) == 0)
                known = i;
        if (known >= 0 && count < LimitedTokenRoadCount)
            roads[count++] = LimitedTokenRoads[known];
        else if (known < 0)
            snprintf(unknown + strlen(unknown), sizeof unknown - strlen(unknown), " %s", name);
    }
    LimitedToken chosen = ChooseLimitedToken(roads, count, TokenElevationOf);
    if (unknown[0]) {
        const size_t used = strlen(chosen.tried);
        snprintf(chosen.tried + used, sizeof chosen.tried - used,
                 "%sTOLVARIS_LIMITED_ROADS names no road:%s", used ? "; " : "", unknown);
    }
    return chosen;
}

#endif
