#include "platform/akrip32/CueImage.h"

#include "platform/akrip32/DiscSessions.h"
#include "platform/akrip32/akrip32.h"
#include "platform/files/AiffChunks.h"
#include "platform/files/FileChecks.h"
#include "platform/files/WaveChunks.h"

#include <fcntl.h>
#include <libcue.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>

namespace {

constexpr std::int64_t kMaxSheetBytes = 1 << 20;

using FileLine = CueImage::FileLine;

struct SheetTrack {
  int number = 0;
  std::size_t file = 0;  // the FILE line it follows
  long pregap = 0;       // blocks of silence the sheet adds before the track and after it
  long postgap = 0;
  bool index1 = false;   // its INDEX 01 has been read
  long index0 = -1;      // INDEX 00, in the file of FILE line index0File
  std::size_t index0File = 0;
  std::string isrc{};
  DiscTextEntry text{};
  bool preEmphasis = false;
  bool copyPermitted = false;
  bool fourChannel = false;
};

// What the sheet says in its own words: libcue reports neither a FILE's type nor a TRACK's number, and
// takes its keywords in capitals only.
struct SheetScan {
  std::vector<FileLine> files;
  std::vector<SheetTrack> tracks;
  std::string text;  // the sheet with its keywords in capitals, for libcue
  bool trackBeforeFile = false;
  std::string badTime;  // the first time whose seconds or frames are out of range, with where it stands
  std::string catalog;
  DiscTextEntry discText;  // the TITLE, PERFORMER and SONGWRITER lines before the first TRACK
};

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

// The words of a line; a quoted word keeps its blanks (without the quotes, quoted tells which were).
std::vector<std::string> Words(const std::string& line, std::vector<bool>& quoted) {
  std::vector<std::string> words;
  std::size_t pos = 0;
  while ((pos = line.find_first_not_of(" \t\r", pos)) != std::string::npos) {
    bool quote = line[pos] == '"';
    std::size_t end = quote ? line.find('"', pos + 1) : line.find_first_of(" \t\r", pos);
    if (end == std::string::npos) end = line.size();
    words.push_back(line.substr(pos + (quote ? 1 : 0), end - pos - (quote ? 1 : 0)));
    quoted.push_back(quote);
    pos = end + (quote && end < line.size() ? 1 : 0);
  }
  return words;
}

// Keywords, FILE types and TRACK modes in capitals; names, titles and the rest as they are.
std::string Capitalised(const std::vector<std::string>& words, const std::vector<bool>& quoted) {
  const std::string keyword = Upper(words[0]);
  std::string line;
  for (std::size_t i = 0; i < words.size(); ++i) {
    bool capitals = i == 0 || ((keyword == "FILE" || keyword == "TRACK") && i == words.size() - 1 && !quoted[i]) ||
                    keyword == "FLAGS";
    if (i > 0) line += ' ';
    if (quoted[i]) line += '"';
    line += capitals ? Upper(words[i]) : words[i];
    if (quoted[i]) line += '"';
  }
  return line;
}

// mm:ss:ff in blocks; 0 for anything else.
long Blocks(const std::string& msf) {
  int minutes = 0, seconds = 0, frames = 0;
  char end = 0;
  if (std::sscanf(msf.c_str(), "%d:%d:%d%c", &minutes, &seconds, &frames, &end) != 3) return 0;
  return (minutes * 60L + seconds) * 75 + frames;
}

// libcue takes mm:ss:ff with any number of seconds and frames: 00:00:100 would be block 100.
bool TimeInRange(const std::string& msf) {
  int minutes = 0, seconds = 0, frames = 0;
  char end = 0;
  if (std::sscanf(msf.c_str(), "%d:%d:%d%c", &minutes, &seconds, &frames, &end) != 3) return true;
  return seconds >= 0 && seconds < 60 && frames >= 0 && frames < 75;
}

// The time a line gives, where it stands in the sheet, when its seconds or frames are out of range.
std::string BadTime(const std::string& keyword, const std::vector<std::string>& words, int track) {
  bool index = keyword == "INDEX" && words.size() >= 3;
  bool gap = (keyword == "PREGAP" || keyword == "POSTGAP") && words.size() >= 2;
  if (!index && !gap) return {};
  const std::string& time = words[index ? 2 : 1];
  if (TimeInRange(time)) return {};
  std::string where = index ? "INDEX " + words[1] : keyword;
  return "the time " + time + " at " + where + (track > 0 ? " of track " + std::to_string(track) : std::string());
}

// A FILE line between a TRACK line and its INDEX 01 (the usual layout of a pregap at the end of the file
// before) moves the track into the new file.
void FollowFile(SheetScan& scan) {
  if (!scan.tracks.empty() && !scan.tracks.back().index1) scan.tracks.back().file = scan.files.size() - 1;
}

// The catalogue number, and of the track being read its ISRC, flags and indexes. Codes of another shape
// than a catalogue number's or an ISRC's are left out.
void ScanCodes(const std::string& keyword, const std::vector<std::string>& words, SheetScan& scan) {
  if (keyword == "CATALOG" && words.size() >= 2 && IsCatalogNumber(words[1])) scan.catalog = words[1];
  if (scan.tracks.empty() || words.size() < 2) return;
  SheetTrack& track = scan.tracks.back();
  if (keyword == "ISRC" && IsIsrc(Upper(words[1]))) track.isrc = Upper(words[1]);
  for (std::size_t i = 1; keyword == "FLAGS" && i < words.size(); ++i) {
    const std::string flag = Upper(words[i]);
    track.preEmphasis = track.preEmphasis || flag == "PRE";
    track.copyPermitted = track.copyPermitted || flag == "DCP";
    track.fourChannel = track.fourChannel || flag == "4CH";
  }
  if (keyword != "INDEX" || words.size() < 3 || scan.files.empty()) return;
  if (words[1] == "01" || words[1] == "1") track.index1 = true;
  if (words[1] != "00" && words[1] != "0") return;
  track.index0 = Blocks(words[2]);
  track.index0File = scan.files.size() - 1;
}

// A TITLE, PERFORMER or SONGWRITER line: of the disc before the first TRACK line, else of the track being read.
void ScanText(const std::string& keyword, const std::vector<std::string>& words, SheetScan& scan) {
  if (words.size() < 2) return;
  DiscTextEntry& entry = scan.tracks.empty() ? scan.discText : scan.tracks.back().text;
  std::string* field = keyword == "TITLE"       ? &entry.title
                       : keyword == "PERFORMER"  ? &entry.performer
                       : keyword == "SONGWRITER" ? &entry.songwriter
                                                 : nullptr;
  if (field == nullptr) return;
  // An unquoted value is the rest of the line's words.
  std::string value = words[1];
  for (std::size_t i = 2; i < words.size(); ++i) value += " " + words[i];
  *field = SafeDiscText(value);
}

SheetScan ScanSheet(const std::string& sheet) {
  SheetScan scan;
  std::istringstream in(sheet);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<bool> quoted;
    std::vector<std::string> words = Words(line, quoted);
    if (words.empty()) continue;
    const std::string keyword = Upper(words[0]);
    // The disc's texts are read here alone: libcue would refuse a value that is not quoted.
    bool text = keyword == "TITLE" || keyword == "PERFORMER" || keyword == "SONGWRITER";
    if (!text) scan.text += Capitalised(words, quoted) + "\n";
    if (scan.badTime.empty()) scan.badTime = BadTime(keyword, words, scan.tracks.empty() ? 0 : scan.tracks.back().number);
    if (keyword == "FILE" && words.size() >= 3) {
      scan.files.push_back({words[1], Upper(words.back())});
      FollowFile(scan);
    }
    ScanCodes(keyword, words, scan);
    ScanText(keyword, words, scan);
    if ((keyword == "PREGAP" || keyword == "POSTGAP") && words.size() >= 2 && !scan.tracks.empty())
      (keyword == "PREGAP" ? scan.tracks.back().pregap : scan.tracks.back().postgap) = Blocks(words[1]);
    if (keyword != "TRACK" || words.size() < 2) continue;
    if (scan.files.empty()) scan.trackBeforeFile = true;
    int number = 0;
    bool digits = words[1].find_first_not_of("0123456789") == std::string::npos && words[1].size() <= 3;
    if (digits && !words[1].empty()) number = std::stoi(words[1]);
    scan.tracks.push_back({number, scan.files.empty() ? 0 : scan.files.size() - 1});
  }
  return scan;
}

// The first reason the sheet's own TRACK and FILE lines cannot make a disc, or an empty text.
std::string SheetProblem(const SheetScan& scan, const std::string& cueSheet) {
  if (scan.files.empty() || scan.tracks.empty() || scan.trackBeforeFile)
    return "The file " + cueSheet + " is not a valid CUE sheet";
  if (scan.tracks.size() > 99) return "The CUE sheet " + cueSheet + " has more than 99 tracks";
  for (std::size_t k = 0; k < scan.tracks.size(); ++k) {
    int number = scan.tracks[k].number;
    if (number < 1 || number > 99 || (k > 0 && number != scan.tracks[k - 1].number + 1))
      return "The CUE sheet " + cueSheet + " numbers its tracks out of order at TRACK " + std::to_string(number);
  }
  if (!scan.badTime.empty())
    return "The CUE sheet " + cueSheet + " has " + scan.badTime +
           ": a time's seconds go from 00 to 59 and its frames from 00 to 74";
  return {};
}

// libcue reports syntax errors on stderr; a bad sheet is reported to the user in our own words instead.
// It also leaks memory on every sheet it cannot parse, and the main window's timer reads the current
// drive again and again: a sheet that failed is not handed to it again while its text stays the same.
Cd* ParseQuietly(const std::string& sheet) {
  static std::mutex parserLock;  // the parser keeps global state
  static std::set<std::string> unparsable;
  std::lock_guard<std::mutex> lock(parserLock);
  if (unparsable.count(sheet) > 0) return nullptr;
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
  if (cd == nullptr && unparsable.size() < 64) unparsable.insert(sheet);
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

// Finds the big-endian PCM of an AIFF file; as with WAVE, only CD audio is taken.
bool LocateAiffData(CueImage::ImageFile& file, std::int64_t fileSize, std::string& error) {
  AiffChunks aiff;
  if (!ReadAiffChunks(file.fd, fileSize, aiff)) {
    error = "The file " + file.path + " is not an AIFF file with audio data";
    return false;
  }
  if (aiff.compressed || aiff.channels != 2 || aiff.sampleRate != 44100 || aiff.bitsPerSample != 16) {
    error = "The AIFF file " + file.path + " is not uncompressed 44,100 Hz 16-bit stereo";
    return false;
  }
  file.dataOffset = aiff.dataOffset;
  file.dataBytes = aiff.dataBytes;
  return true;
}

bool LocateFlacData(CueImage::ImageFile& file, std::string& error) {
  int descriptor = file.fd;
  file.fd = -1;
  file.flac = FlacImageFile::Open(descriptor, file.path, error);
  if (!file.flac) return false;
  file.dataBytes = file.flac->Bytes();
  return true;
}

// Sheets name a FLAC file, and at times an AIFF one, with the type WAVE, as players accept: among these
// three the file's own first bytes tell what it is.
void TakeFormatOfContent(CueImage::ImageFile& file) {
  using Format = CueImage::FileFormat;
  if (file.format != Format::Wave && file.format != Format::Flac && file.format != Format::Aiff) return;
  char magic[4] = {};
  if (pread(file.fd, magic, sizeof magic, 0) != sizeof magic) return;
  if (std::memcmp(magic, "RIFF", 4) == 0) file.format = Format::Wave;
  if (std::memcmp(magic, "fLaC", 4) == 0) file.format = Format::Flac;
  if (std::memcmp(magic, "FORM", 4) == 0) file.format = Format::Aiff;
}

bool LocateData(CueImage::ImageFile& file, std::int64_t fileSize, std::string& error) {
  TakeFormatOfContent(file);
  switch (file.format) {
    case CueImage::FileFormat::Wave:
      return LocateWaveData(file, fileSize, error);
    case CueImage::FileFormat::Aiff:
      return LocateAiffData(file, fileSize, error);
    case CueImage::FileFormat::Flac:
      return LocateFlacData(file, error);
    case CueImage::FileFormat::Binary:
    case CueImage::FileFormat::Motorola:
      break;
  }
  file.dataOffset = 0;
  file.dataBytes = fileSize;
  return true;
}

bool OpenImageFile(CueImage::ImageFile& file, std::string& error) {
  file.fd = OpenRegularFile(file.path);
  struct stat info {};
  if (file.fd < 0 || fstat(file.fd, &info) != 0) {
    error = "Cannot open file " + file.path;
    return false;
  }
  if (!LocateData(file, info.st_size, error)) return false;
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
  else if (type == "FLAC") format = CueImage::FileFormat::Flac;
  else if (type == "AIFF") format = CueImage::FileFormat::Aiff;
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

// A track's pregap starts at its INDEX 00 (a disc address, -1 for none) or, when that comes later, with the
// silence of its PREGAP line; -1 when it has neither.
std::int32_t PregapStart(std::int32_t index0, std::int32_t start, long silence) {
  std::int32_t pregap = index0 < start ? index0 : -1;
  if (silence <= 0) return pregap;
  std::int32_t silent = static_cast<std::int32_t>(start - silence);
  return pregap < 0 ? silent : std::min(pregap, silent);
}

struct CdDeleter {
  void operator()(Cd* cd) const { cd_delete(cd); }
};

}  // namespace

std::unique_ptr<CueImage> CueImage::Load(const std::string& cueSheet, std::string& error) {
  std::string text;
  if (!ReadSheet(cueSheet, text, error)) return nullptr;
  SheetScan scan = ScanSheet(text);
  error = SheetProblem(scan, cueSheet);
  if (!error.empty()) return nullptr;
  std::unique_ptr<Cd, CdDeleter> cd(ParseQuietly(scan.text));
  if (!cd || cd_get_ntrack(cd.get()) != static_cast<int>(scan.tracks.size())) {
    error = "The file " + cueSheet + " is not a valid CUE sheet";
    return nullptr;
  }
  std::unique_ptr<CueImage> image(new CueImage());
  if (!image->OpenFiles(scan.files, cueSheet, error)) return nullptr;
  std::vector<PlacedTrack> tracks;
  for (std::size_t k = 0; k < scan.tracks.size(); ++k) {
    const Track* track = cd_get_track(cd.get(), static_cast<int>(k) + 1);
    if (!HasRawBlocks(track)) {
      error = "The CUE sheet " + cueSheet + " has a track without 2352-byte sectors";
      return nullptr;
    }
    const SheetTrack& line = scan.tracks[k];
    tracks.push_back({line.number, image->FFileOfLine[line.file], track_get_index(track, 1), line.pregap,
                      line.postgap, track_get_mode(track) == MODE_AUDIO});
  }
  if (!image->Place(tracks, cueSheet, error)) return nullptr;
  image->FCodes.catalog = scan.catalog;
  image->FText.disc = scan.discText;
  for (std::size_t k = 0; k < scan.tracks.size(); ++k) {
    const SheetTrack& line = scan.tracks[k];
    DiscTrack& placed = image->FLayout.tracks[k];
    placed.preEmphasis = line.preEmphasis;
    placed.copyPermitted = line.copyPermitted;
    placed.fourChannel = line.fourChannel;
    image->FCodes.isrcs.push_back(line.isrc);
    image->FText.tracks.push_back(line.text);
    std::int32_t index0 = line.index0 < 0 ? -1 : image->DiscAddressOf(image->FFileOfLine[line.index0File], line.index0);
    image->FCodes.pregaps.push_back(PregapStart(index0, placed.start, line.pregap));
  }
  SetSessionsFromSheet(text, image->FLayout);  // libcue passes over REM lines
  return image;
}

// Each FILE line's file, opened once: a FILE line that names the file of the line before it goes on in it.
bool CueImage::OpenFiles(const std::vector<FileLine>& lines, const std::string& cueSheet, std::string& error) {
  std::filesystem::path folder = std::filesystem::path(cueSheet).parent_path();
  for (std::size_t j = 0; j < lines.size(); ++j) {
    if (j > 0 && lines[j].name == lines[j - 1].name && lines[j].type == lines[j - 1].type) {
      FFileOfLine.push_back(FFileOfLine.back());
      continue;
    }
    ImageFile file;
    file.path = (folder / lines[j].name).string();
    if (!FormatOf(lines[j].type, file.format)) {
      error = "The CUE sheet " + cueSheet + " names a file of the unsupported type " + lines[j].type;
      return false;
    }
    FFiles.push_back(std::move(file));  // the image closes what it opened, also on failure
    if (!OpenImageFile(FFiles.back(), error)) return false;
    FFileOfLine.push_back(FFiles.size() - 1);
  }
  return true;
}

// Lays the files out as one disc: each track starts at its INDEX 01, and the silence of a PREGAP goes in
// front of it, that of a POSTGAP after the track's audio. Files before the first track's hold the audio before
// it (its INDEX 00 in a file of its own, as a rip of hidden audio writes it).
bool CueImage::Place(const std::vector<PlacedTrack>& tracks, const std::string& cueSheet, std::string& error) {
  std::int32_t disc = 0;
  auto addSegment = [&](int file, std::int32_t fileBlock, std::int32_t blocks) {
    if (blocks <= 0) return;
    FSegments.push_back({file, disc, blocks, fileBlock});
    disc += blocks;
  };
  for (int file = 0; file < tracks.front().file; ++file) addSegment(file, 0, FFiles[file].blocks);
  for (std::size_t k = 0; k < tracks.size(); ++k) {
    const PlacedTrack& track = tracks[k];
    const ImageFile& file = FFiles[track.file];
    bool newFile = k == 0 || tracks[k - 1].file != track.file;
    if (k > 0 && newFile) FinishFile(tracks[k - 1], addSegment);
    std::int32_t from = newFile ? 0 : static_cast<std::int32_t>(tracks[k - 1].start);
    if (track.start < from || track.start >= file.blocks || (!newFile && track.start == from)) {
      error = "The CUE sheet " + cueSheet + " places track " + std::to_string(track.number) + " outside its file";
      return false;
    }
    addSegment(track.file, from, static_cast<std::int32_t>(track.start) - from);
    addSegment(kSilence, 0, static_cast<std::int32_t>(track.pregap + (newFile ? 0 : tracks[k - 1].postgap)));
    FLayout.tracks.push_back({track.number, disc, track.audio});
  }
  FinishFile(tracks.back(), addSegment);
  FLayout.leadout = disc;
  return true;
}

template <typename AddSegment>
void CueImage::FinishFile(const PlacedTrack& last, AddSegment& addSegment) {
  const ImageFile& file = FFiles[last.file];
  addSegment(last.file, static_cast<std::int32_t>(last.start), file.blocks - static_cast<std::int32_t>(last.start));
  addSegment(kSilence, 0, static_cast<std::int32_t>(last.postgap));
}

CueImage::~CueImage() {
  for (const ImageFile& file : FFiles)
    if (file.fd >= 0) close(file.fd);
}

// Where a block of a file lies on the disc; -1 when it lies nowhere.
std::int32_t CueImage::DiscAddressOf(int file, long block) const {
  for (const Segment& segment : FSegments)
    if (segment.file == file && block >= segment.fileBlock && block < segment.fileBlock + segment.blocks)
      return static_cast<std::int32_t>(segment.firstBlock + block - segment.fileBlock);
  return -1;
}

const CueImage::Segment* CueImage::SegmentAt(std::int32_t lba) const {
  for (const Segment& segment : FSegments)
    if (lba >= segment.firstBlock && lba < segment.firstBlock + segment.blocks) return &segment;
  return nullptr;
}

BlockRead CueImage::ReadBlocks(std::int32_t lba, std::int32_t count, std::uint8_t* out, const std::atomic<bool>*) {
  BlockRead result;
  for (std::int32_t i = 0; i < count;) {
    const Segment* segment = SegmentAt(lba + i);
    std::int32_t here = segment == nullptr ? 1 : std::min(count - i, segment->firstBlock + segment->blocks - lba - i);
    std::uint8_t* blocks = out + static_cast<std::size_t>(i) * CD_BLOCK_BYTES;
    // A file that fails to read (cut short, an I/O error) fails like a damaged disc: block by block.
    if (segment == nullptr || !ReadSegment(*segment, lba + i, here, blocks))
      for (std::int32_t b = 0; b < here; ++b) {
        std::uint8_t* block = blocks + static_cast<std::size_t>(b) * CD_BLOCK_BYTES;
        if (segment != nullptr && ReadSegment(*segment, lba + i + b, 1, block)) continue;
        std::memset(block, 0, CD_BLOCK_BYTES);
        result.unreadable.push_back(lba + i + b);
      }
    i += here;
  }
  return result;
}

// Blocks of one segment: its file's audio, or silence.
bool CueImage::ReadSegment(const Segment& segment, std::int32_t lba, std::int32_t count, std::uint8_t* out) {
  if (segment.file != kSilence)
    return ReadFromFile(FFiles[segment.file], segment.fileBlock + lba - segment.firstBlock, count, out);
  std::memset(out, 0, static_cast<std::size_t>(count) * CD_BLOCK_BYTES);
  return true;
}

bool CueImage::ReadFromFile(const ImageFile& file, std::int32_t block, std::int32_t count, std::uint8_t* out) {
  std::int64_t from = static_cast<std::int64_t>(block) * CD_BLOCK_BYTES;
  std::int64_t wanted = static_cast<std::int64_t>(count) * CD_BLOCK_BYTES;
  // The last block of a file may be partial: the rest of it is silence.
  std::int64_t present = std::clamp<std::int64_t>(file.dataBytes - from, 0, wanted);
  bool ok = file.flac ? file.flac->Read(from, static_cast<std::size_t>(present), out)
                      : ReadExactly(file.fd, out, static_cast<std::size_t>(present), file.dataOffset + from);
  if (!ok) present = 0;
  std::memset(out + present, 0, static_cast<std::size_t>(wanted - present));
  if (file.format == FileFormat::Motorola || file.format == FileFormat::Aiff)
    for (std::int64_t i = 0; i + 1 < present; i += 2) std::swap(out[i], out[i + 1]);
  return ok;
}
