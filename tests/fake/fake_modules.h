// The scripted modules of the fake platform: a test names the paths that load and
// the symbols each exports; every other path fails to load. Each load hands out
// a handle of its own (1, 2, 3, ... in load order), so tests can tell loads apart.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace fake {

// Makes `path` loadable; `symbols` maps a narrow function name to its address.
void ScriptModule(const std::u16string& path, const std::map<std::string, void*>& symbols = {});

// Loads not yet freed.
std::size_t LoadedModules();

// One line per module call, in order: "OpenModule a.dll -> 1", "OpenModule x.dll
// -> failed", "FindModuleSymbol 1 Name", "CloseModule 1".
const std::vector<std::string>& ModuleCalls();

// Forgets every script, load and call; fake::Reset() calls it.
void ResetModules();

}  // namespace fake
