#include "platform/ProgramFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

struct Override {
  std::string folder;
  bool writable = true;
};

Override& TheOverride() {
  static Override override;
  return override;
}

// An XDG base folder: the variable when it holds an absolute path, otherwise the fallback under $HOME.
fs::path BaseFolder(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  if (value != nullptr && value[0] == '/') return value;
  const char* home = std::getenv("HOME");
  return fs::path(home != nullptr ? home : "/") / fallback;
}

// Copies the file whole or not at all: a half copy would read as settings with keys missing.
void CopyWhole(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::create_directories(to.parent_path(), ec);
  fs::path part = to;
  part += ".part";
  if (fs::copy_file(from, part, fs::copy_options::overwrite_existing, ec)) fs::rename(part, to, ec);
  if (ec) fs::remove(part, ec);
}

// PREFIX/share/SUB for a program folder PREFIX/lib/quillon/, when that folder exists.
std::string InstalledShareFolder(const std::string& sub) {
  fs::path program = fs::path(ProgramFolder()).parent_path();
  if (program.filename() != "quillon" || program.parent_path().filename() != "lib") return {};
  fs::path share = program.parent_path().parent_path() / "share" / sub;
  std::error_code ec;
  return fs::is_directory(share, ec) ? share.string() + "/" : std::string();
}

}  // namespace

std::string ProgramFolder() {
  if (!TheOverride().folder.empty()) return TheOverride().folder;
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("./") : exe.parent_path().string() + "/";
}

bool ProgramFolderWritable() {
  if (!TheOverride().folder.empty()) return TheOverride().writable;
  std::string folder = ProgramFolder();
  return folder.rfind("/usr/", 0) != 0 && access(folder.c_str(), W_OK) == 0;
}

std::string DataFolder() {
  std::string installed = InstalledShareFolder("quillon");
  return installed.empty() ? ProgramFolder() : installed;
}

std::string HelpFile() {
  std::string installed = InstalledShareFolder("doc/quillon");
  return (installed.empty() ? ProgramFolder() : installed) + "Quillon.html";
}

std::string SettingsFile() {
  fs::path shipped = DataFolder() + "settings.ini";
  fs::path own = ProgramFolderWritable() ? fs::path(ProgramFolder() + "settings.ini")
                                         : BaseFolder("XDG_CONFIG_HOME", ".config") / "quillon" / "settings.ini";
  std::error_code ec;
  if (own != shipped && !fs::exists(own, ec) && fs::exists(shipped, ec)) CopyWhole(shipped, own);
  return own.string();
}

std::string CacheFolder(const std::string& settingsFile) {
  if (ProgramFolderWritable()) return fs::path(settingsFile).parent_path().string();
  return (BaseFolder("XDG_CACHE_HOME", ".cache") / "quillon").string();
}

void OverrideProgramFolder(const std::string& folder, bool writable) {
  TheOverride().folder = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  TheOverride().writable = writable;
}
