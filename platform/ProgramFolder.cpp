#include "platform/ProgramFolder.h"

#include <filesystem>

namespace {
std::string& Override() {
  static std::string folder;
  return folder;
}
}  // namespace

std::string ProgramFolder() {
  if (!Override().empty()) return Override();
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("./") : exe.parent_path().string() + "/";
}

void OverrideProgramFolder(const std::string& folder) {
  Override() = folder.empty() || folder.back() == '/' ? folder : folder + "/";
}
