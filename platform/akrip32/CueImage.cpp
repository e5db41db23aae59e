#include "platform/akrip32/CueImage.h"

#include "platform/akrip32/akrip32.h"
#include "platform/files/FileChecks.h"
#include "platform/files/WaveChunks.h"

#include <fcntl.h>
#include <libcue.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

namespace {

constexpr std::int64_t kMaxSheetBytes = 1 << 20;

struct FileLine {
  std::string name;
  std::string type;
};

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

// libcue does not report a FILE's type, so the FILE lines are read for it.
std::vector<FileLine> ReadFileLines(const std::string& sheet) {
  std::vector<FileLine> lines;
  std::istringstream in(sheet);
  std::string line;
  while (std::getline(in, line)) {
    std::size_t pos = line.find_first_not_of(" \t");
    if (pos == std::string::npos || Upper(line.substr(pos, 5)) != "FILE ") continue;
    pos = line.find_first_not_of(" \t", pos + 5);
    if (pos == std::string::npos) continue;
    FileLine entry;
    std::size_t end;
    if (line[pos] == '"') {
      end = line.find('"', pos + 1);
      if (end == std::string::npos) continue;
      entry.name = line.substr(pos + 1, end - pos - 1);
      ++end;
    } else {
      end = line.find_first_of(" \t", pos);
      if (end == std::string::npos) continue;
      entry.name = line.substr(pos, end - pos);
    }
    std::istringstream rest(line.substr(end));
    rest >> entry.type;
    entry.type = Upper(entry.type);
    lines.push_back(entry);
  }
  return lines;
}

// libcue reports syntax errors on stderr; a bad sheet is reported to the user in our own words instead.
Cd* ParseQuietly(const std::string& sheet) {
  static std::mutex parserLock;  // the parser keeps global state
  std::lock_guard<std::mutex> lock(parserLock);
  std::fflush(stderr);
  int savedStderr = dup(STDERR_FILENO);
  int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (devNull >= 0) dup2(devNull, STDERR_FILENO);
  Cd* cd = cue_parse_string(sheet.c_str());
  std::fflush(stderr);
  if (savedStderr >= 0) {
    dup2(savedStderr, STDERR_FILENO);
    close(savedStderr);
  }
  if (devNull >= 0) close(devNull);
  return cd;
}

bool ReadExactly(int fd, void* buffer, std::size_t bytes, std::int64_t offset) {
  auto* p = static_cast<unsigned char*>(buffer);
  while (bytes > 0) {
    ssize_t got = pread(fd, p, bytes, offset);
    if (got <= 0) return false;
    p += got;
    bytes -= static_cast<std::size_t>(got);
    offset += got;
  }
  return true;
}

bool ReadSheet(const std::string& path, std::string& text, std::string& error) {
  int fd = OpenRegularFile(path);
  struct stat info {};
  if (fd < 0 || fstat(fd, &info) != 0) {
    if (fd >= 0) close(fd);
    error = "Cannot open file " + path;
    return false;
  }
  if (info.st_size > kMaxSheetBytes) {
    close(fd);
    error = "The CUE sheet " + path + " is too large";
    return false;
  }
  text.assign(static_cast<std::size_t>(info.st_size), '\0');
  bool read = ReadExactly(fd, text.data(), text.size(), 0);
  close(fd);
  if (!read) {
    error = "Cannot open file " + path;
    return false;
  }
  if (text.find('\0') != std::string::npos) {
    error = "The file " + path + " is not a CUE sheet";
    return false;
  }
  return true;
}

// Finds the PCM of a WAVE file; only CD audio (44,100 Hz, 16-bit, stereo) can stand for a disc.
bool LocateWaveData(CueImage::ImageFile& file, std::int64_t fileSize, std::string& error) {
  WaveChunks wave;
  if (!ReadWaveChunks(file.fd, fileSize, wave)) {
    error = "The file " + file.path + " is not a WAVE file with audio data";
    return false;
  }
  if (wave.formatTag != 1 || wave.channels != 2 || wave.sampleRate != 44100 || wave.bitsPerSample != 16) {
    error = "The WAVE file " + file.path + " is not 44,100 Hz 16-bit stereo PCM";
    return false;
  }
  file.dataOffset = wave.dataOffset;
  file.dataBytes = wave.dataBytes;
  return true;
}

bool OpenImageFile(CueImage::ImageFile& file, std::string& error) {
  file.fd = OpenRegularFile(file.path);
  struct stat info {};
  if (file.fd < 0 || fstat(file.fd, &info) != 0) {
    error = "Cannot open file " + file.path;
    return false;
  }
  if (file.format == CueImage::FileFormat::Wave) {
    if (!LocateWaveData(file, info.st_size, error)) return false;
  } else {
    file.dataOffset = 0;
    file.dataBytes = info.st_size;
  }
  std::int64_t blocks = (file.dataBytes + CD_BLOCK_BYTES - 1) / CD_BLOCK_BYTES;
  if (blocks > 100 * 60 * 75) {
    error = "The file " + file.path + " is longer than a CD";
    return false;
  }
  file.blocks = static_cast<std::int32_t>(blocks);
  return true;
}

}  // namespace

namespace {

bool FormatOf(const std::string& type, CueImage::FileFormat& format) {
  if (type == "BINARY") format = CueImage::FileFormat::Binary;
  else if (type == "MOTOROLA") format = CueImage::FileFormat::Motorola;
  else if (type == "WAVE") format = CueImage::FileFormat::Wave;
  else return false;
  return true;
}

bool HasRawBlocks(const Track* track) {
  switch (track_get_mode(track)) {
    case MODE_AUDIO:
    case MODE_MODE1_RAW:
    case MODE_MODE2_RAW:
      return true;
    default:
      return false;
  }
}

struct CdDeleter {
  void operator()(Cd* cd) const { cd_delete(cd); }
};

}  // namespace

std::unique_ptr<CueImage> CueImage::Load(const std::string& cueSheet, std::string& error) {
  std::string text;
  if (!ReadSheet(cueSheet, text, error)) return nullptr;
  std::vector<FileLine> fileLines = ReadFileLines(text);
  std::unique_ptr<Cd, CdDeleter> cd(ParseQuietly(text));
  if (!cd || cd_get_ntrack(cd.get()) < 1 || fileLines.empty()) {
    error = "The file " + cueSheet + " is not a valid CUE sheet";
    return nullptr;
  }
  int trackCount = cd_get_ntrack(cd.get());
  if (trackCount > MAXTOCENTRIES - 1 || fileLines.size() > MAXTOCENTRIES - 1) {
    error = "The CUE sheet " + cueSheet + " has more than 99 tracks";
    return nullptr;
  }

  std::unique_ptr<CueImage> image(new CueImage());
  std::filesystem::path folder = std::filesystem::path(cueSheet).parent_path();
  for (const FileLine& line : fileLines) {
    ImageFile file;
    file.path = (folder / line.name).string();
    if (!FormatOf(line.type, file.format)) {
      error = "The CUE sheet " + cueSheet + " names a file of the unsupported type " + line.type;
      return nullptr;
    }
    file.firstBlock = image->FFiles.empty() ? 0 : image->FFiles.back().firstBlock + image->FFiles.back().blocks;
    image->FFiles.push_back(file);  // the image closes what it opened, also on failure
    if (!OpenImageFile(image->FFiles.back(), error)) return nullptr;
  }

  std::size_t fileIndex = 0;
  for (int i = 1; i <= trackCount; ++i) {
    const Track* track = cd_get_track(cd.get(), i);
    const char* name = track_get_filename(track);
    while (fileIndex < fileLines.size() && (name == nullptr || fileLines[fileIndex].name != name)) ++fileIndex;
    if (fileIndex == fileLines.size()) {
      error = "The CUE sheet " + cueSheet + " could not be matched with its FILE lines";
      return nullptr;
    }
    if (!HasRawBlocks(track)) {
      error = "The CUE sheet " + cueSheet + " has a track without 2352-byte sectors";
      return nullptr;
    }
    const ImageFile& file = image->FFiles[fileIndex];
    long start = track_get_index(track, 1);
    std::int32_t absolute = file.firstBlock + static_cast<std::int32_t>(start);
    bool ordered = image->FLayout.tracks.empty() || absolute > image->FLayout.tracks.back().start;
    if (start < 0 || start >= file.blocks || !ordered) {
      error = "The CUE sheet " + cueSheet + " places track " + std::to_string(i) + " outside its file";
      return nullptr;
    }
    image->FLayout.tracks.push_back({i, absolute, track_get_mode(track) == MODE_AUDIO});
  }
  image->FLayout.leadout = image->FFiles.back().firstBlock + image->FFiles.back().blocks;
  return image;
}

CueImage::~CueImage() {
  for (const ImageFile& file : FFiles)
    if (file.fd >= 0) close(file.fd);
}

const CueImage::ImageFile* CueImage::FileAt(std::int32_t lba) const {
  for (const ImageFile& file : FFiles)
    if (lba >= file.firstBlock && lba < file.firstBlock + file.blocks) return &file;
  return nullptr;
}

bool CueImage::ReadBlocks(std::int32_t lba, std::int32_t count, std::uint8_t* out) {
  bool complete = true;
  while (count > 0) {
    const ImageFile* file = FileAt(lba);
    if (file == nullptr) {
      std::memset(out, 0, static_cast<std::size_t>(count) * CD_BLOCK_BYTES);
      return false;
    }
    std::int32_t here = std::min(count, file->firstBlock + file->blocks - lba);
    complete = ReadFromFile(*file, lba, here, out) && complete;
    lba += here;
    count -= here;
    out += static_cast<std::size_t>(here) * CD_BLOCK_BYTES;
  }
  return complete;
}

bool CueImage::ReadFromFile(const ImageFile& file, std::int32_t lba, std::int32_t count, std::uint8_t* out) {
  std::int64_t from = static_cast<std::int64_t>(lba - file.firstBlock) * CD_BLOCK_BYTES;
  std::int64_t wanted = static_cast<std::int64_t>(count) * CD_BLOCK_BYTES;
  // The last block of a file may be partial: the rest of it is silence.
  std::int64_t present = std::clamp<std::int64_t>(file.dataBytes - from, 0, wanted);
  bool ok = ReadExactly(file.fd, out, static_cast<std::size_t>(present), file.dataOffset + from);
  if (!ok) present = 0;
  std::memset(out + present, 0, static_cast<std::size_t>(wanted - present));
  if (file.format == FileFormat::Motorola)
    for (std::int64_t i = 0; i + 1 < present; i += 2) std::swap(out[i], out[i + 1]);
  return ok;
}
