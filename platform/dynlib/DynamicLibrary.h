#pragma once
// A shared library loaded by name at run time, released with the object.

#include <string>

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // False when the library cannot be loaded; an earlier library is released either way.
  bool Load(const std::string& name);
  void Release();
  bool Loaded() const { return FHandle != nullptr; }
  // The address of an entry point, or nullptr when the library lacks it.
  void* Symbol(const char* name) const;
  // Puts an entry point into a typed pointer; a missing one clears complete, so a caller that needs
  // every entry can treat the library as not loaded.
  template <typename Entry>
  void Resolve(const char* name, Entry& entry, bool& complete) const {
    entry = reinterpret_cast<Entry>(Symbol(name));
    complete = complete && entry != nullptr;
  }

 private:
  void* FHandle = nullptr;
};
