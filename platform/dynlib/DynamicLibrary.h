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

 private:
  void* FHandle = nullptr;
};
