#include <stddef.h>
#include <windows.h>

#include "identity.h"

// The record the host reads through GetPluginInfo's result. Its layout is
// the host's: six text pointers, three 32-bit numbers, then 20 bytes the host
// may keep for itself, which we only provide, zero-filled.
struct PluginDescriptor {
    const wchar_t *ModuleName;
    const wchar_t *Author;
    const wchar_t *Email;
    const wchar_t *WebPage;
    const wchar_t *Description;
    const wchar_t *Functions;
    int Major;
    int Minor;
    int BuildNumber;
    unsigned char HostReserved[20];
};
static_assert(sizeof(PluginDescriptor) == 80, "the host reads 80 bytes");
static_assert(offsetof(PluginDescriptor, Major) == 48, "host layout");
static_assert(offsetof(PluginDescriptor, HostReserved) == 60, "host layout");

static PluginDescriptor Descriptor;

extern "C" PluginDescriptor *GetPluginInfo(void)
{
    // Rewritten on every call with the same values, so the host may call this
    // before or after InitializePlugin, as often as it likes.
    Descriptor.ModuleName = PluginName;
    Descriptor.Author = L"The Tolvaris developers";
    Descriptor.Email = L"tolvaris@users.noreply.example";
    Descriptor.WebPage = L"https://tolvaris.example/";
    Descriptor.Description = TOLVARIS_WIDEN(TOLVARIS_NAME " plugin");
    Descriptor.Functions = L"@tolvaris";
    Descriptor.Major = TOLVARIS_VERSION_MAJOR;
    Descriptor.Minor = TOLVARIS_VERSION_MINOR;
    Descriptor.BuildNumber = TOLVARIS_VERSION_BUILD;
    return &Descriptor;
}
