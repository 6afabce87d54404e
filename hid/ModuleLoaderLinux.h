#pragma once

#include <span>
#include <string>

// Loads a shared library by name and binds a table of its entries by name. The binding
// holds as a whole or not at all: when any entry is missing, the library is released and
// every slot of the table cleared.
class TModuleLoader {
 public:
  struct TEntry {
    const char* name;
    void** slot;
  };

  TModuleLoader() = default;
  ~TModuleLoader() { Release(); }
  TModuleLoader(const TModuleLoader&) = delete;
  TModuleLoader& operator=(const TModuleLoader&) = delete;

  bool Load(const std::string& library, std::span<const TEntry> entries);
  void Release();
  bool Loaded() const { return handle_ != nullptr; }
  // The entry that failed the last Load, or the loader's message when the library was
  // not found; empty after success.
  const std::string& LastFailure() const { return lastFailure_; }

 private:
  void* handle_ = nullptr;
  std::span<const TEntry> entries_;
  std::string lastFailure_;
};
