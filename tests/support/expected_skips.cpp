// The skips each place that runs the suite expects, and only those. A test
// that skips where its place does not list it fails the run, named with its
// reason: a skip where a test should run is a fault as much as a failure.
// The test program judges each skip as it happens (main.cpp).
//
// The places, named by the test presets (TOLVARIS_TEST_PLACE) or told from
// this process's token (TestPlace below):
//   wine          under Wine, where every program gets the full half of a
//                 split token, elevated (Wine 8; as "Run as administrator"):
//                 the suite runs as bash scripts/test starts it; no skips
//   uac-on        under Wine, where a program gets the limited half of a
//                 split token, not elevated (Wine 10; as Windows with UAC on
//                 for an administrator): the suite runs elevated through
//                 runelevated.exe, whose manifest asks for it, as Windows
//                 elevates a program; no skips
//   native        under Wine taken for Windows (TOLVARIS_TEST_NATIVE=1):
//                 nothing Wine-only is used; elevated, through runelevated.exe
//                 where a program gets the limited half
//   not-elevated  as native, or on Windows, from a process that is not
//                 elevated (the not_elevated.* tests, run by runlimited.exe:
//                 under Wine, the limited half of a split token, its linked
//                 token the full one)
//   windows       natively on Windows, elevated: the GitHub Windows runner,
//                 whose token, split or not (UAC on or off), the Windows
//                 job's first step writes to its log
#include "support.h"

#include <string.h>

namespace {

struct ExpectedSkip {
    const char *places; // separated by spaces
    const char *test;   // Suite.Name
    const char *reason; // a text its reason says
};

const ExpectedSkip ExpectedSkips[] = {
    {"native not-elevated windows", "InHost.RefusesToLoadOnWindowsXp", "exists only under Wine"},
    {"native not-elevated windows", "InHost.LoadsOnWindows7And10", "exists only under Wine"},

    // Started by runlimited.exe or by CTest on Windows, not by wine-run --log.
    {"not-elevated windows",
     "StandinHost.AProgramThatCannotStartFailsTheTestSayingWhyAndWhereWinesWordsAre",
     "not run through wine-run --log"},

    // Tests that expect their own process to read 1.
    {"not-elevated", "StandinHost.EchoesTheAnswersOfAQuery", "this test process is not elevated"},
    {"not-elevated", "InHost.AnnouncesItselfInABatchSession", "this test process is not elevated"},
    {"not-elevated", "InHost.StaysQuietButLoadsForOneCommandInAPipeOrWithNoloadmsg",
     "this test process is not elevated"},
    {"not-elevated", "Elevation.TheHostsOwnProcessIsElevated", "this test process is not elevated"},
    {"not-elevated", "Elevation.AProcessWithALimitedTokenIsNot",
     "this test process is not elevated"},
    {"not-elevated", "Concurrency.ThreadsQueryingAtOnceEachGetTheirOwnAnswer",
     "this test process is not elevated"},
    {"not-elevated", "Arguments.EmptyOrBlankMeansTheHostsOwnProcess",
     "this test process is not elevated"},

    // Where the runner's token is not split (UAC off), neither is a token
    // restricted from it (the not-elevated road there).
    {"not-elevated windows",
     "SplitToken.TheLimitedHalfAnswersZeroItsFullHalfOneAndSoDoTheirChildren",
     "TokenElevationTypeDefault"},
    {"not-elevated windows",
     "SplitToken.TheLimitedHalfAnswersZeroItsFullHalfOneAndSoDoTheirChildren",
     "has no linked token"},
    // Windows with UAC on lends a process that is not elevated its linked
    // full token for identification only: no process can be started with it.
    {"not-elevated", "SplitToken.TheLimitedHalfAnswersZeroItsFullHalfOneAndSoDoTheirChildren",
     "for identification only"},
};

bool ListsPlace(const char *places, const std::string &place)
{
    const std::string padded = std::string(" ") + places + " ";
    return padded.find(" " + place + " ") != std::string::npos;
}

} // namespace

const char *const TestPlaces[] = {"wine", "uac-on", "native", "not-elevated", "windows"};

bool IsTestPlace(const std::string &place)
{
    for (const char *known : TestPlaces)
        if (place == known)
            return true;
    return false;
}

std::string TestPlace()
{
    // A place named, but for "wine", which is told from the token below: a
    // preset names the places it means whatever the token (native,
    // not-elevated, windows), or none.
    char named[32];
    const DWORD length = GetEnvironmentVariableA("TOLVARIS_TEST_PLACE", named, sizeof named);
    if (length > 0 && length < sizeof named && strcmp(named, "wine") != 0)
        return named;
    // Under Wine, the token a program gets says which Wine it is; elsewhere,
    // run by hand, the place it looks like.
    if (RunsOnWine() && UnderWine()) {
        if (SelfElevationType() == TokenElevationTypeLimited)
            return "uac-on";
        if (SelfIsElevated())
            return "wine";
    }
    if (!SelfIsElevated())
        return "not-elevated";
    if (RunsOnWine())
        return UnderWine() ? "wine" : "native";
    return "windows";
}

bool SkipIsExpected(const std::string &place, const std::string &test, const std::string &reason)
{
    for (const ExpectedSkip &skip : ExpectedSkips)
        if (test == skip.test && ListsPlace(skip.places, place) &&
            reason.find(skip.reason) != std::string::npos)
            return true;
    return false;
}
