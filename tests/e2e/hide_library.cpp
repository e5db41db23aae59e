// Preloaded into the programs to make libraries look absent: dlopen fails for every name listed, blank
// separated, in QUILLON_HIDE_LIBRARIES, as on a machine where they are not installed.

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

extern "C" void* dlopen(const char* file, int mode) {
  using Open = void* (*)(const char*, int);
  static const auto real = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "dlopen"));
  const char* hidden = std::getenv("QUILLON_HIDE_LIBRARIES");
  if (file != nullptr && hidden != nullptr) {
    std::istringstream names(hidden);
    for (std::string name; names >> name;)
      if (name == file) return nullptr;
  }
  return real(file, mode);
}
