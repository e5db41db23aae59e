#pragma once
// MP3-like files for the tag tests: made-up audio bytes and hand-built ID3v2 tags.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tagfiles {

// Bytes that stand for audio: no "ID3" at the start, no trailing tag of any kind at the end.
inline std::string Audio(std::size_t size = 4000) {
  std::string audio(size, '\0');
  for (std::size_t i = 0; i < size; ++i) audio[i] = static_cast<char>((i * 31 + 7) & 0xFF);
  return audio;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string BigEndian32(std::uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
          static_cast<char>(value)};
}

// A version-3 or -4 frame: identifier, plain 32-bit size, two flag bytes, then the data as given.
inline std::string Frame(const std::string& id, const std::string& data) {
  return id + BigEndian32(static_cast<std::uint32_t>(data.size())) + std::string(2, '\0') + data;
}

// A Latin-1 text frame: encoding byte 0, then the text.
inline std::string TextFrame(const std::string& id, const std::string& text) {
  return Frame(id, std::string(1, '\0') + text);
}

// A tag header of the given major version whose size field says `size`, followed by `body`.
inline std::string Tag(int version, const std::string& body, std::uint32_t size) {
  std::string header("ID3", 3);
  header += static_cast<char>(version);
  header += std::string(2, '\0');
  for (int shift = 21; shift >= 0; shift -= 7) header += static_cast<char>((size >> shift) & 0x7F);
  return header + body;
}

inline std::string Tag(int version, const std::string& body) {
  return Tag(version, body, static_cast<std::uint32_t>(body.size()));
}

inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// Another process holds a lock on the file for as long as this object lives.
class ForeignLock {
 public:
  explicit ForeignLock(const std::string& path) {
    int ready[2];
    if (pipe(ready) != 0 || pipe(FRelease) != 0) return;
    FChild = fork();
    if (FChild == 0) {
      int file = open(path.c_str(), O_RDONLY);
      struct flock lock {};
      lock.l_type = F_RDLCK;
      char byte = fcntl(file, F_SETLKW, &lock) == 0 ? 1 : 0;
      close(FRelease[1]);
      // The second read returns when the parent closes its end of the pipe.
      if (write(ready[1], &byte, 1) != 1 || read(FRelease[0], &byte, 1) < 0) _exit(1);
      _exit(0);
    }
    close(ready[1]);
    close(FRelease[0]);
    char locked = 0;
    FHolding = read(ready[0], &locked, 1) == 1 && locked == 1;
    close(ready[0]);
  }
  ~ForeignLock() {
    close(FRelease[1]);
    if (FChild > 0) waitpid(FChild, nullptr, 0);
  }
  ForeignLock(const ForeignLock&) = delete;
  ForeignLock& operator=(const ForeignLock&) = delete;
  bool Holding() const { return FHolding; }

 private:
  int FRelease[2] = {-1, -1};
  pid_t FChild = -1;
  bool FHolding = false;
};

}  // namespace tagfiles
