#include "support.h"

#include <vector>

#include "identity.h"
#include "module_folder.h"

std::string VersionText()
{
    return std::to_string(TOLVARIS_VERSION_MAJOR) + "." + std::to_string(TOLVARIS_VERSION_MINOR) +
           "." + std::to_string(TOLVARIS_VERSION_BUILD);
}

std::string FullVersionText()
{
    return VersionText() + "." + std::to_string(TOLVARIS_VERSION_REVISION);
}

std::string Announcement()
{
    return "Tolvaris v" + VersionText() + " loaded.\r\n";
}

const char TooOld[] =
    "Tolvaris plugin: Windows Vista or later is required.  Plugin not loaded.\r\n";

std::string BadPid(const std::string &shown, const std::string &location)
{
    return "Tolvaris plugin: " + location + "Bad PID: \"" + shown + "\"\r\n";
}

std::wstring BinFolder()
{
    return FolderOf(NULL);
}

std::wstring ThisProgram()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    const std::wstring whole(path, length < MAX_PATH ? length : 0);
    return whole.substr(whole.rfind(L'\\') + 1);
}

// The build names the DLL it tests in the environment (TOLVARIS_PLUGIN_DLL
// and TOLVARIS_STACK_PROBE_DLL, its own or another build's); run by hand
// without them, the tests take this build's own.
static std::wstring FromEnvironment(const wchar_t *variable, const std::wstring &otherwise)
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(variable, path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(path, length) : otherwise;
}

std::wstring PluginPath()
{
    return FromEnvironment(L"TOLVARIS_PLUGIN_DLL", PluginsFolderOf(NULL) + L"Tolvaris.dll");
}

std::wstring StackProbePath()
{
    return FromEnvironment(L"TOLVARIS_STACK_PROBE_DLL", BinFolder() + L"stack_probe.dll");
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
    std::vector<wchar_t> buffer(FunctionBufferChars, L'\0');
    argument.copy(buffer.data(), FunctionBufferChars - 1);
    int status = Plugin().f_tolvaris(buffer.data());
    result.assign(buffer.data());
    return status;
}
