// Fake module loading on scripted paths. Freeing a handle that is not loaded is
// a fault of the code under test and throws, as a double free of a block does.
#include "tests/fake/fake_modules.h"

#include <cstdint>
#include <stdexcept>

#include "runtime/platform/platform.h"

namespace {

struct Module {
  std::string path;
  std::map<std::string, void*> symbols;
};

struct ModuleState {
  std::map<std::string, std::map<std::string, void*>> scripts;  // path -> symbols
  std::map<std::uintptr_t, Module> loaded;                      // handle -> module
  std::uintptr_t lastHandle = 0;
  std::vector<std::string> calls;
};

ModuleState& State() {
  static ModuleState state;
  return state;
}

// The tests' paths and names are ASCII; anything else shows as '?'.
std::string Narrow(const std::u16string& text) {
  std::string narrow;
  for (char16_t c : text) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return narrow;
}

std::uintptr_t NumberOf(platform::ModuleHandle module) {
  return reinterpret_cast<std::uintptr_t>(module);
}

}  // namespace

namespace platform {

ModuleHandle OpenModule(const char16_t* path) {
  const std::string name = Narrow(path);
  auto script = State().scripts.find(name);
  if (script == State().scripts.end()) {
    State().calls.push_back("OpenModule " + name + " -> failed");
    return nullptr;
  }
  const std::uintptr_t handle = ++State().lastHandle;
  State().loaded[handle] = Module{name, script->second};
  State().calls.push_back("OpenModule " + name + " -> " + std::to_string(handle));
  return reinterpret_cast<ModuleHandle>(handle);
}

bool NarrowFunctionName(const char16_t* name, char (&narrow)[FunctionNameBytes]) {
  const std::string text = Narrow(name);
  if (text.size() + 1 > FunctionNameBytes) return false;
  text.copy(narrow, text.size());
  narrow[text.size()] = '\0';
  return true;
}

void* FindModuleSymbol(ModuleHandle module, const char* name) {
  State().calls.push_back("FindModuleSymbol " + std::to_string(NumberOf(module)) + " " + name);
  auto loaded = State().loaded.find(NumberOf(module));
  if (loaded == State().loaded.end()) {
    throw std::logic_error("FindModuleSymbol in a module that is not loaded");
  }
  auto symbol = loaded->second.symbols.find(name);
  return symbol == loaded->second.symbols.end() ? nullptr : symbol->second;
}

void CloseModule(ModuleHandle module) {
  State().calls.push_back("CloseModule " + std::to_string(NumberOf(module)));
  if (State().loaded.erase(NumberOf(module)) == 0) {
    throw std::logic_error("CloseModule of a module that is not loaded");
  }
}

}  // namespace platform

namespace fake {

void ScriptModule(const std::u16string& path, const std::map<std::string, void*>& symbols) {
  State().scripts[Narrow(path)] = symbols;
}

std::size_t LoadedModules() {
  return State().loaded.size();
}

const std::vector<std::string>& ModuleCalls() {
  return State().calls;
}

void ResetModules() {
  State() = ModuleState{};
}

}  // namespace fake
