#include "host_contract.h"
#include "identity.h"

// Zero-filled at load; the host's 20 bytes at its end are never written.
static PluginDescriptor Descriptor;

extern "C" PluginDescriptor *GetPluginInfo(void)
{
    // Rewritten on every call with the same values, so the host may call this
    // before or after InitializePlugin, as often as it likes.
    Descriptor.ModuleName = PluginName;
    Descriptor.Author = TOLVARIS_WIDEN(TOLVARIS_AUTHOR);
    Descriptor.Email = TOLVARIS_WIDEN(TOLVARIS_EMAIL);
    Descriptor.WebPage = TOLVARIS_WIDEN(TOLVARIS_WEB_PAGE);
    Descriptor.Description = TOLVARIS_WIDEN(TOLVARIS_NAME " plugin");
    Descriptor.Functions = L"@tolvaris";
    Descriptor.Major = TOLVARIS_VERSION_MAJOR;
    Descriptor.Minor = TOLVARIS_VERSION_MINOR;
    Descriptor.BuildNumber = TOLVARIS_VERSION_BUILD;
    return &Descriptor;
}
