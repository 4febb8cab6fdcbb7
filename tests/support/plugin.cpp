#include "support.h"

#include <vector>

std::wstring BinFolder()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    while (length > 0 && path[length - 1] != L'\\')
        --length;
    return std::wstring(path, length);
}

std::wstring PluginPath()
{
    return BinFolder() + L"plugins\\Tolvaris.dll";
}

template <typename Function>
static void Bind(HMODULE module, Function &function, const char *name)
{
    function = (Function)(void *)GetProcAddress(module, name);
}

const PluginExports &Plugin()
{
    static PluginExports exports = [] {
        PluginExports loaded = {};
        loaded.module = LoadLibraryW(PluginPath().c_str());
        if (loaded.module) {
            Bind(loaded.module, loaded.GetPluginInfo, "GetPluginInfo");
            Bind(loaded.module, loaded.InitializePlugin, "InitializePlugin");
            Bind(loaded.module, loaded.ShutdownPlugin, "ShutdownPlugin");
            Bind(loaded.module, loaded.Help, "Help");
            Bind(loaded.module, loaded.f_tolvaris, "f_tolvaris");
        }
        return loaded;
    }();
    return exports;
}

int Query(const std::wstring &argument, std::wstring &result)
{
    std::vector<wchar_t> buffer(8192, L'\0');
    argument.copy(buffer.data(), 8191);
    int status = Plugin().f_tolvaris(buffer.data());
    result.assign(buffer.data());
    return status;
}

std::string Utf8(const std::wstring &text)
{
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string utf8(bytes, '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &utf8[0], bytes, NULL, NULL);
    return utf8;
}
