// standin-host/shared/module_folder.h, shared by the stand-in host, the tests
// and the bench: where the host's files are, the programs and TakeCmd.dll side
// by side in one folder, the plug-ins in its plugins\ folder, as on a user's
// machine.
#ifndef STANDIN_MODULE_FOLDER_H
#define STANDIN_MODULE_FOLDER_H

#include <windows.h>

#include <string>

// The folder of a module (NULL: the program), with its closing backslash.
static inline std::wstring FolderOf(HMODULE module)
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    if (length >= MAX_PATH)
        length = 0; // cut short: no folder can be trusted
    while (length > 0 && path[length - 1] != L'\\')
        --length;
    return std::wstring(path, length);
}

static inline std::wstring PluginsFolderOf(HMODULE module)
{
    return FolderOf(module) + L"plugins\\";
}

#endif
