#include "support.h"

// GetProcessHandleCount always says 0 under Wine. The system's handle list
// (NtQuerySystemInformation) would do, but it has the Wine server walk the
// handle table of every process in one request, at a time when other test
// programs start and end; the one time the server crashed in a test run, it
// was answering this test. So each value a handle of ours can take is asked
// about instead: only our own table is looked at.
namespace {
// Handles are multiples of 4, the lowest free one given out first; the test
// process holds a few hundred at most.
const ULONG_PTR HighestHandleValue = 4 * 16384;
} // namespace

size_t CountOwnHandles()
{
    size_t count = 0;
    DWORD flags;
    for (ULONG_PTR value = 4; value <= HighestHandleValue; value += 4)
        count += GetHandleInformation((HANDLE)value, &flags) != 0;
    return count;
}
