// takecmd/plugins.cpp, part of the stand-in TakeCmd.dll: loads plug-ins as
// TCC does, keeps the ones in use, calls their variable functions and offers
// them help topics, and shuts them down and unloads them.
#include <vector>

#include "plugins.h"
#include "message_box.h"
#include "module_folder.h"
#include "output.h"
#include "text.h"

typedef decltype(&GetPluginInfo) GetPluginInfoFn;
typedef decltype(&InitializePlugin) InitializePluginFn;
typedef decltype(&ShutdownPlugin) ShutdownPluginFn;
typedef decltype(&Help) HelpFn;

struct ListedFunction {
    std::wstring name; // without the '@'
    VariableFunction call;
};

struct Plugin {
    HMODULE module;
    std::wstring name; // the descriptor's module name
    std::vector<ListedFunction> functions;
    HelpFn help; // NULL when the plug-in offers no help
};

static std::vector<Plugin> &Plugins(void)
{
    static std::vector<Plugin> plugins;
    return plugins;
}

// The host reaches @name through the export f_name.
static std::vector<ListedFunction> ListedFunctions(HMODULE module, const wchar_t *list)
{
    std::vector<ListedFunction> functions;
    std::wstring rest = list ? list : L"";
    while (!rest.empty()) {
        size_t comma = rest.find(L',');
        std::wstring entry = Trimmed(rest.substr(0, comma));
        rest = comma == std::wstring::npos ? std::wstring() : rest.substr(comma + 1);
        if (entry.size() < 2 || entry[0] != L'@')
            continue;
        std::string exportName = "f_";
        for (size_t i = 1; i < entry.size(); ++i)
            exportName += (char)entry[i];
        FARPROC call = GetProcAddress(module, exportName.c_str());
        if (call)
            functions.push_back({entry.substr(1), (VariableFunction)(void *)call});
    }
    return functions;
}

static const Plugin *PluginInUse(HMODULE module)
{
    for (const Plugin &plugin : Plugins())
        if (plugin.module == module)
            return &plugin;
    return NULL;
}

int HostLoadPlugin(const wchar_t *path)
{
    // Loading a module that is already loaded only counts one more
    // reference, whatever spelling of its path names it: comparing modules,
    // not paths, finds a plug-in in use however it is named again.
    HMODULE module = LoadLibraryW(path);
    if (!module) {
        WriteError(L"TCC: Cannot load plugin \"" + std::wstring(path) + L"\"\r\n");
        return -1;
    }
    if (const Plugin *loaded = PluginInUse(module)) {
        WriteText(HostOutput(), L"TCC: Plugin \"" + loaded->name + L"\" is already loaded\r\n");
        FreeLibrary(module); // the reference just taken
        return 0;
    }
    auto getInfo = (GetPluginInfoFn)(void *)GetProcAddress(module, "GetPluginInfo");
    auto initialize = (InitializePluginFn)(void *)GetProcAddress(module, "InitializePlugin");
    PluginDescriptor *descriptor = getInfo ? getInfo() : NULL;
    if (!descriptor || !initialize) {
        WriteError(L"TCC: Not a plugin: \"" + std::wstring(path) + L"\"\r\n");
        FreeLibrary(module);
        return -1;
    }
    if (initialize() != 0) { // the plug-in has said why
        FreeLibrary(module);
        return -1;
    }
    Plugins().push_back({module, descriptor->ModuleName ? descriptor->ModuleName : path,
                         ListedFunctions(module, descriptor->Functions),
                         (HelpFn)(void *)GetProcAddress(module, "Help")});
    return 0;
}

void HostLoadPluginFolder(void)
{
    HMODULE self = NULL;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       (LPCWSTR)(void *)&HostLoadPluginFolder, &self);
    // A build whose suite tests another build's plug-in names it here, in
    // place of the plug-ins folder, whose Tolvaris.dll is this build's own.
    wchar_t named[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"TOLVARIS_PLUGIN_DLL", named, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        HostLoadPlugin(named);
        return;
    }
    const std::wstring plugins = PluginsFolderOf(self);

    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((plugins + L"*.dll").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        HostLoadPlugin((plugins + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

static void ShutDown(const Plugin &plugin)
{
    auto shutdown = (ShutdownPluginFn)(void *)GetProcAddress(plugin.module, "ShutdownPlugin");
    if (shutdown)
        shutdown(0);
    FreeLibrary(plugin.module);
}

void HostUnloadPlugins(void)
{
    for (const Plugin &plugin : Plugins())
        ShutDown(plugin);
    Plugins().clear();
}

int HostUnloadPlugin(const wchar_t *name)
{
    std::vector<Plugin> &plugins = Plugins();
    for (auto each = plugins.begin(); each != plugins.end(); ++each) {
        if (lstrcmpiW(each->name.c_str(), name) != 0)
            continue;
        const Plugin plugin = *each;
        plugins.erase(each); // no command reaches it from here on
        ShutDown(plugin);
        return 0;
    }
    WriteError(L"TCC: Plugin \"" + std::wstring(name) + L"\" is not loaded\r\n");
    return -1;
}

bool CallPluginFunction(const std::wstring &name, const std::wstring &argument,
                        std::wstring &result)
{
    for (const Plugin &plugin : Plugins()) {
        for (const ListedFunction &function : plugin.functions) {
            if (lstrcmpiW(function.name.c_str(), name.c_str()) != 0)
                continue;
            // Cut to fit, the argument might read as one never written: it is
            // refused rather than passed on.
            if (argument.size() >= FunctionBufferChars) {
                WriteError(L"TCC: The argument of @" + name + L" is longer than its buffer's " +
                           std::to_wstring(FunctionBufferChars - 1) + L" characters\r\n");
                return false;
            }
            wchar_t buffer[FunctionBufferChars] = {};
            argument.copy(buffer, argument.size());
            int status = function.call(buffer);
            if (status != 0) {
                // -1: the plug-in has reported the error itself.
                if (status != -1)
                    WriteError(L"TCC: @" + name + L" failed (" + std::to_wstring(status) +
                               L")\r\n");
                return false;
            }
            buffer[FunctionBufferChars - 1] = L'\0';
            result = buffer;
            return true;
        }
    }
    WriteError(L"TCC: Unknown function \"@" + name + L"\"\r\n");
    return false;
}

bool ShowPluginHelp(const std::wstring &topic)
{
    // The first plug-in that knows the topic shows it; the others are not asked.
    for (const Plugin &plugin : Plugins()) {
        if (!plugin.help)
            continue;
        MessageBoxWatch watch(GetCurrentThreadId()); // for a box opened by Help
        if (plugin.help(topic.c_str()) != 0)
            return true;
    }
    WriteError(L"TCC: No help for \"" + topic + L"\"\r\n");
    return false;
}
