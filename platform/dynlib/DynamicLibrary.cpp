#include "platform/dynlib/DynamicLibrary.h"

#include <dlfcn.h>

DynamicLibrary::~DynamicLibrary() { Release(); }

bool DynamicLibrary::Load(const std::string& name) {
  Release();
  // Released libraries stay mapped: a thread one of them started (a sound server's, say) may outlive
  // the handle, and unmapping its code under it would crash the program at its end.
  FHandle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  return FHandle != nullptr;
}

void DynamicLibrary::Release() {
  if (FHandle != nullptr) dlclose(FHandle);
  FHandle = nullptr;
}

void* DynamicLibrary::Symbol(const char* name) const { return FHandle != nullptr ? dlsym(FHandle, name) : nullptr; }
