#include "support.h"

#include <vector>

// GetProcessHandleCount always says 0 under Wine, so the handles are counted
// in the system's handle list instead.
namespace {
struct HandleEntry {
    USHORT ProcessId;
    USHORT CreatorBackTraceIndex;
    UCHAR ObjectType;
    UCHAR Attributes;
    USHORT Value;
    void *Object;
    ULONG GrantedAccess;
};
struct HandleList {
    ULONG Count;
    HandleEntry Entries[1];
};
typedef LONG(WINAPI *QuerySystemInformationFn)(ULONG, void *, ULONG, ULONG *);
const ULONG SystemHandleInformation = 16;
const LONG StatusInfoLengthMismatch = (LONG)0xC0000004;
} // namespace

size_t CountOwnHandles()
{
    auto query = (QuerySystemInformationFn)(void *)GetProcAddress(
        GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation");
    std::vector<unsigned char> buffer(1 << 16);
    ULONG needed = 0;
    LONG status;
    while ((status = query(SystemHandleInformation, buffer.data(), (ULONG)buffer.size(), &needed)) ==
           StatusInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status < 0)
        return (size_t)-1;

    const HandleList *list = (const HandleList *)buffer.data();
    const USHORT self = (USHORT)GetCurrentProcessId();
    size_t count = 0;
    for (ULONG i = 0; i < list->Count; ++i)
        count += list->Entries[i].ProcessId == self;
    return count;
}
