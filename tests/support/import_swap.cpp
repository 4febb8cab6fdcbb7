#include "support.h"

ImportSwap::ImportSwap(HMODULE module, const char *dll, const char *function, void *replacement)
{
    auto base = (unsigned char *)module;
    auto dos = (IMAGE_DOS_HEADER *)base;
    auto nt = (IMAGE_NT_HEADERS64 *)(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory.VirtualAddress)
        return;

    for (auto import = (IMAGE_IMPORT_DESCRIPTOR *)(base + directory.VirtualAddress); import->Name;
         ++import) {
        if (lstrcmpiA((const char *)(base + import->Name), dll) != 0)
            continue;
        auto names = (IMAGE_THUNK_DATA64 *)(base + import->OriginalFirstThunk);
        auto slots = (IMAGE_THUNK_DATA64 *)(base + import->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL64(names->u1.Ordinal))
                continue;
            auto byName = (IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData);
            if (lstrcmpA((const char *)byName->Name, function) != 0)
                continue;
            slot_ = (void **)&slots->u1.Function;
            original_ = *slot_;
            DWORD protection;
            VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &protection);
            *slot_ = replacement;
            VirtualProtect(slot_, sizeof *slot_, protection, &protection);
            return;
        }
    }
}

ImportSwap::~ImportSwap()
{
    if (!slot_)
        return;
    DWORD protection;
    VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &protection);
    *slot_ = original_;
    VirtualProtect(slot_, sizeof *slot_, protection, &protection);
}
