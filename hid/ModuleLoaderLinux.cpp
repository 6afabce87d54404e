#include "ModuleLoaderLinux.h"

#include <dlfcn.h>

bool TModuleLoader::Load(const std::string& library, std::span<const TEntry> entries) {
  Release();
  lastFailure_.clear();
  handle_ = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* why = dlerror();
    lastFailure_ = why ? why : library;
    return false;
  }
  entries_ = entries;
  for (const TEntry& entry : entries) {
    *entry.slot = dlsym(handle_, entry.name);
    if (!*entry.slot) {
      lastFailure_ = entry.name;
      Release();
      return false;
    }
  }
  return true;
}

void TModuleLoader::Release() {
  for (const TEntry& entry : entries_) *entry.slot = nullptr;
  entries_ = {};
  if (handle_) dlclose(handle_);
  handle_ = nullptr;
}
