#pragma once
// What the fuzz harnesses share: a scratch folder of this process, and inputs that carry several files.

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace fuzzfiles {

// A folder of this process, in memory where the machine has /dev/shm, so that each run costs no disk write;
// removed when the process ends.
inline const std::filesystem::path& Scratch() {
  struct Folder {
    Folder() {
      std::filesystem::path base = std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                                             : std::filesystem::temp_directory_path();
      path = base / ("quillon-fuzz-" + std::to_string(getpid()));
      std::filesystem::create_directories(path);
    }
    ~Folder() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
  };
  static const Folder folder;
  return folder.path;
}

// The scratch folder emptied, so that no file of one run is seen by the next.
inline const std::filesystem::path& ClearScratch() {
  for (const auto& entry : std::filesystem::directory_iterator(Scratch())) std::filesystem::remove_all(entry.path());
  return Scratch();
}

inline void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A bundle of files: the first file's bytes, then for each further file the marker, its name, a line feed
// and its bytes. The first file has no name.
constexpr std::string_view kBundleMarker{"\0FILE ", 6};

struct BundledFile {
  std::string name;
  std::string bytes;
};

inline std::vector<BundledFile> Unbundle(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  std::vector<BundledFile> files;
  std::string name;
  for (;;) {
    std::size_t marker = rest.find(kBundleMarker);
    files.push_back({name, std::string(rest.substr(0, marker))});
    if (marker == std::string_view::npos) return files;
    rest.remove_prefix(marker + kBundleMarker.size());
    std::size_t end = rest.find('\n');
    name = std::string(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
  }
}

inline std::string Bundle(const std::vector<BundledFile>& files) {
  std::string bundle;
  for (const BundledFile& file : files) {
    if (!bundle.empty() || !file.name.empty()) bundle += std::string(kBundleMarker) + file.name + "\n";
    bundle += file.bytes;
  }
  return bundle;
}

// A name that stays inside the scratch folder.
inline bool PlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

}  // namespace fuzzfiles
