// takecmd/plugins.h, part of the stand-in TakeCmd.dll: the plug-ins in use,
// for expansion and the interpreter. It also defines the exports
// HostLoadPlugin, HostUnloadPlugin, HostLoadPluginFolder and
// HostUnloadPlugins, declared in takecmd.h.
#ifndef STANDIN_PLUGINS_H
#define STANDIN_PLUGINS_H

#include <string>

#include "takecmd.h"

// Calls the plug-in function @name with its argument. False when there is no
// such function or it refused.
bool CallPluginFunction(const std::wstring &name, const std::wstring &argument,
                        std::wstring &result);

// Offers a help topic to each plug-in's Help in turn. False, after saying so
// on standard error, when none of them knows it.
bool ShowPluginHelp(const std::wstring &topic);

#endif
