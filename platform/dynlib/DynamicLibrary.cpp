#include "platform/dynlib/DynamicLibrary.h"

#include <dlfcn.h>

DynamicLibrary::~DynamicLibrary() { Release(); }

bool DynamicLibrary::Load(const std::string& name) {
  Release();
  FHandle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  return FHandle != nullptr;
}

void DynamicLibrary::Release() {
  if (FHandle != nullptr) dlclose(FHandle);
  FHandle = nullptr;
}

void* DynamicLibrary::Symbol(const char* name) const { return FHandle != nullptr ? dlsym(FHandle, name) : nullptr; }
