#include "id3/ID3v2.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "id3/Id3Frames.h"
#include "platform/files/FileChecks.h"
#include "platform/files/ReplacementFile.h"

const std::array<const char*, kFrameCount> kFrameIds = {"TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON", "COMM"};

namespace {

constexpr int kHeaderSize = 10;
constexpr std::size_t kFrameDataLimit = 250;
constexpr std::uint64_t kLargestTagSize = 0x0FFFFFFF;  // what four seven-bit size bytes can hold
enum FrameIndex { fiTitle, fiArtist, fiAlbum, fiTrack, fiYear, fiGenre, fiComment };

// Closes the descriptor on every path out.
class FileHandle {
 public:
  explicit FileHandle(int descriptor) : FDescriptor(descriptor) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool Valid() const { return FDescriptor >= 0; }
  int Get() const { return FDescriptor; }
  bool Close() {
    if (FDescriptor < 0) return true;
    bool closed = ::close(FDescriptor) == 0;
    FDescriptor = -1;
    return closed;
  }

 private:
  int FDescriptor;
};

// Deletes the buffer file unless it has become the audio file.
class BufferRemoval {
 public:
  explicit BufferRemoval(std::string name) : FName(std::move(name)) {}
  ~BufferRemoval() {
    if (!FKept) ::unlink(FName.c_str());
  }
  BufferRemoval(const BufferRemoval&) = delete;
  BufferRemoval& operator=(const BufferRemoval&) = delete;
  void Keep() { FKept = true; }
  void Remove() { FKept = false; }

 private:
  std::string FName;
  bool FKept = false;
};

TFileReplacer gReplacer;

bool RenameOver(const std::string& bufferName, const std::string& fileName) {
  return std::rename(bufferName.c_str(), fileName.c_str()) == 0;
}

bool ReadAt(int descriptor, std::int64_t offset, void* data, std::size_t count) {
  auto* bytes = static_cast<char*>(data);
  while (count > 0) {
    ssize_t got = ::pread(descriptor, bytes, count, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    bytes += got;
    offset += got;
    count -= static_cast<std::size_t>(got);
  }
  return true;
}

// Copies everything from offset to the end of source into target.
bool CopyRest(int source, std::int64_t offset, int target) {
  std::vector<char> chunk(1 << 20);
  for (;;) {
    ssize_t got = ::pread(source, chunk.data(), chunk.size(), offset);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    if (!WriteFully(target, chunk.data(), static_cast<std::size_t>(got))) return false;
    offset += got;
  }
}

// A write lock keeps other cooperating writers out while the file is copied; it fails when any other
// process holds a lock on the file.
bool LockExclusively(int descriptor) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  return ::fcntl(descriptor, F_SETLK, &lock) == 0;
}

void AppendBigEndian32(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

// The rewritten file belongs to whom the old one did, with its mode; false where the system refuses that
// (another user's file tagged by someone who may not give files away).
bool TakeOwnerAndMode(int buffer, const struct stat& old) {
  struct stat mine {};
  if (::fstat(buffer, &mine) != 0) return false;
  if ((mine.st_uid != old.st_uid || mine.st_gid != old.st_gid) && ::fchown(buffer, old.st_uid, old.st_gid) != 0)
    return false;
  return ::fchmod(buffer, old.st_mode & 07777) == 0;
}

// A file with other hard links keeps its identity, so every name sees the new tag: the complete buffer is
// copied over it. The space is taken first, so a full disk fails before the file is touched; should the
// copy fail after all, the buffer file stays as the one complete copy.
bool RewriteInPlace(int file, int buffer, BufferRemoval& removal) {
  struct stat built {};
  if (::fstat(buffer, &built) != 0 || ::posix_fallocate(file, 0, built.st_size) != 0) return false;
  removal.Keep();
  if (::lseek(file, 0, SEEK_SET) != 0 || !CopyRest(buffer, 0, file) || ::ftruncate(file, built.st_size) != 0 ||
      ::fsync(file) != 0)
    return false;
  removal.Remove();
  return true;
}

// A Latin-1 frame (encoding 0) of a tag of version 3 (plain size) or 4 (size in seven-bit groups).
std::string TextFrame(const std::string& id, const std::string& data, bool four) {
  const auto size = static_cast<std::uint32_t>(data.size() + 1);
  std::string frame = id;
  if (four)
    for (int shift = 21; shift >= 0; shift -= 7) frame += static_cast<char>((size >> shift) & 0x7F);
  else
    AppendBigEndian32(frame, size);
  frame.append(3, '\0');  // two flag bytes, then encoding 0
  return frame + data;
}

bool IsDigits(const std::string& text, std::size_t from, std::size_t count) {
  return text.size() >= from + count &&
         std::all_of(text.begin() + from, text.begin() + from + count, [](char c) { return c >= '0' && c <= '9'; });
}

// Version 3 keeps four digits of year in TYER and the day and month ("DDMM") in TDAT: a date given as
// YYYY-MM or YYYY-MM-DD is split between them, any other text goes to TYER as it is. True for a date.
bool AppendVersion3Date(std::string& frames, const std::string& text) {
  bool date = IsDigits(text, 0, 4) && text.size() >= 7 && text[4] == '-' && IsDigits(text, 5, 2);
  frames += TextFrame("TYER", date ? text.substr(0, 4) : text, false);
  if (date && text.size() >= 10 && text[7] == '-' && IsDigits(text, 8, 2))
    frames += TextFrame("TDAT", text.substr(8, 2) + text.substr(5, 2), false);
  return date;
}

bool HasFooter(const TagInfo& tag) { return tag.MajorVersion == 4 && (tag.Flags & 0x10); }

// The item a frame holds, or -1. Version 4 keeps the year in TDRC.
int ItemIndex(const std::string& id, int version) {
  if (version == 4 && id == "TDRC") return fiYear;
  for (int index = 0; index < kFrameCount; ++index)
    if (id == kFrameIds[index]) return index;
  return -1;
}

// At most 250 bytes of an item frame are read, zero-filled to 250.
std::string Limited(const std::string& data) {
  std::string limited = data.substr(0, kFrameDataLimit);
  limited.resize(kFrameDataLimit, '\0');
  return limited;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string TrimRight(const std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return text.substr(0, end);
}

std::string Trim(const std::string& text) {
  std::string right = TrimRight(text);
  std::size_t start = 0;
  while (start < right.size() && IsBlank(right[start])) ++start;
  return right.substr(start);
}

bool IsId3(const TagInfo& tag) { return std::string_view(tag.Magic.data(), tag.Magic.size()) == "ID3"; }

int DigitValue(char c, int base) {
  int digit = -1;
  if (c >= '0' && c <= '9') digit = c - '0';
  if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
  if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
  return digit < base ? digit : -1;
}

std::uint8_t TrackFromText(const std::string& text) {
  std::string number = Trim(text);
  number = number.substr(0, number.find('/'));
  std::int32_t value = 0;
  if (!TextToInteger(number, value)) value = 0;
  return static_cast<std::uint8_t>(value & 0xFF);
}

std::string GenreFromText(const std::string& text) {
  std::string genre = Trim(text);
  std::size_t close = genre.rfind(')');
  return close == std::string::npos ? genre : genre.substr(close + 1);
}

}  // namespace

void SetFileReplacer(TFileReplacer replacer) { gReplacer = std::move(replacer); }

bool TextToInteger(const std::string& text, std::int32_t& value) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (text.compare(i, 2, "0x") == 0) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return false;
  std::int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    int digit = DigitValue(text[i], base);
    if (digit < 0) return false;
    magnitude = magnitude * base + digit;
    if (magnitude > std::int64_t{INT32_MAX} + 1) return false;
  }
  if (!negative && magnitude > INT32_MAX) return false;
  value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

bool ReadTagHeader(const std::string& fileName, TagInfo& tag) {
  FileHandle file(OpenRegularFile(fileName));
  if (!file.Valid()) return false;
  std::array<std::uint8_t, kHeaderSize> header;
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0 || !ReadAt(file.Get(), 0, header.data(), header.size())) return false;
  std::copy(header.begin(), header.begin() + 3, tag.Magic.begin());
  tag.MajorVersion = header[3];
  tag.Revision = header[4];
  tag.Flags = header[5];
  std::copy(header.begin() + 6, header.end(), tag.SizeBytes.begin());
  tag.FileSize = status.st_size;
  return true;
}

std::int32_t TagTotalSize(const TagInfo& tag) {
  // The bytes are taken whole, as they stand, even when a top bit is set.
  std::int64_t total = (std::int64_t{tag.SizeBytes[0]} << 21) + (std::int64_t{tag.SizeBytes[1]} << 14) +
                       (std::int64_t{tag.SizeBytes[2]} << 7) + tag.SizeBytes[3] + kHeaderSize;
  if (HasFooter(tag)) total += kHeaderSize;  // the footer repeats the header after the frames
  return total > tag.FileSize ? 0 : static_cast<std::int32_t>(total);
}

void ReadFrames(const std::string& fileName, TagInfo& tag) {
  FileHandle file(OpenRegularFile(fileName));
  const std::int64_t tagEnd = TagTotalSize(tag) - (HasFooter(tag) ? kHeaderSize : 0);
  if (!file.Valid() || tagEnd <= kHeaderSize) return;
  std::string body(static_cast<std::size_t>(tagEnd - kHeaderSize), '\0');
  if (!ReadAt(file.Get(), kHeaderSize, body.data(), body.size())) return;
  std::vector<Id3Frame> comments;
  const bool four = tag.MajorVersion == 4;
  for (Id3Frame& frame : ParseFrames(body, tag.MajorVersion, tag.Flags)) {
    int index = frame.opaque ? -1 : ItemIndex(frame.id, tag.MajorVersion);
    if (index == fiComment) {
      comments.push_back(std::move(frame));
    } else if (index >= 0) {
      tag.FrameTexts[index] = Limited(frame.body);  // the last frame of an item wins
      tag.ItemFrames[index] = four || frame.id == kFrameIds[index] ? frame.Bytes() : std::string();
    } else {
      tag.OtherFrames.push_back(frame.Bytes());
    }
  }
  // The comment is the one without a description, else the last; the other comments stay as they are.
  auto chosen = std::find_if(comments.begin(), comments.end(),
                             [](const Id3Frame& frame) { return CommentDescription(frame.body).empty(); });
  if (chosen == comments.end() && !comments.empty()) chosen = comments.end() - 1;
  for (auto comment = comments.begin(); comment != comments.end(); ++comment) {
    if (comment == chosen) {
      tag.FrameTexts[fiComment] = Limited(comment->body);
      tag.ItemFrames[fiComment] = comment->Bytes();
    } else tag.OtherFrames.push_back(comment->Bytes());
  }
}

bool ReplaceTagInFile(const std::string& fileName, const std::string* newTag) {
  // A symbolic link stands for the file it names: that file is rewritten and the link stays.
  const std::string target = WrittenFile(fileName);
  std::error_code error;
  if (target.empty() || !std::filesystem::exists(target, error)) return false;
  // Owner write permission stands in for plain attributes; it stays even when the rewrite gives up.
  std::filesystem::permissions(target, std::filesystem::perms::owner_write, std::filesystem::perm_options::add,
                               error);
  if (error) return false;
  TagInfo tag;
  if (!ReadTagHeader(target, tag)) return false;
  if (newTag == nullptr && !IsId3(tag)) return false;

  const std::string bufferName = target + "~";
  // Write access is needed for the lock, and for a file with other hard links, which is rewritten in place.
  FileHandle file(::open(target.c_str(), O_RDWR | O_CLOEXEC));
  struct stat status {};
  if (!file.Valid() || !LockExclusively(file.Get()) || ::fstat(file.Get(), &status) != 0) return false;
  // A leftover buffer file goes first, so that a link of that name cannot redirect the write.
  ::unlink(bufferName.c_str());
  FileHandle buffer(::open(bufferName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!buffer.Valid()) return false;
  BufferRemoval removal(bufferName);
  if (!TakeOwnerAndMode(buffer.Get(), status)) return false;
  if (newTag != nullptr && !WriteFully(buffer.Get(), newTag->data(), newTag->size())) return false;
  std::int64_t audioStart = IsId3(tag) ? TagTotalSize(tag) : 0;
  if (!CopyRest(file.Get(), audioStart, buffer.Get())) return false;
  if (::fsync(buffer.Get()) != 0) return false;
  if (status.st_nlink > 1) return RewriteInPlace(file.Get(), buffer.Get(), removal);
  if (!buffer.Close()) return false;
  // One rename puts the complete new file in place: at no moment is the audio only in the buffer file.
  bool replaced = gReplacer ? gReplacer(bufferName, target) : RenameOver(bufferName, target);
  if (!replaced) return false;
  removal.Keep();
  return true;
}

void TID3v2::Clear() { *this = TID3v2(); }

bool TID3v2::ReadTag(const std::string& fileName) {
  Clear();
  TagInfo tag;
  if (!ReadTagHeader(fileName, tag)) return false;
  if (!IsId3(tag)) return true;
  FTagExists = true;
  FVersion = tag.MajorVersion;
  FSize = TagTotalSize(tag);
  if (FVersion < 2 || FVersion > 4 || FSize == 0) return true;
  ReadFrames(fileName, tag);
  if (FVersion == 4) FWriteVersion = 4;
  TakeFrameTexts(tag);
  FReadTexts = ItemTexts();
  FItemFrames = std::move(tag.ItemFrames);
  FOtherFrames = std::move(tag.OtherFrames);
  return true;
}

// Latin-1 texts still hold the encoding byte and the zero filling, which the trimming drops.
void TID3v2::TakeFrameTexts(const TagInfo& tag) {
  const auto& texts = tag.FrameTexts;
  FTitle = Trim(FrameText(texts[fiTitle]));
  FArtist = Trim(FrameText(texts[fiArtist]));
  FAlbum = Trim(FrameText(texts[fiAlbum]));
  FTrack = TrackFromText(FrameText(texts[fiTrack]));
  FYear = Trim(FrameText(texts[fiYear]));
  FGenre = GenreFromText(FrameText(texts[fiGenre]));
  FComment = Trim(CommentText(texts[fiComment]));
}

bool IsOtherAudioFile(const std::string& fileName) {
  TagInfo tag;
  if (!ReadTagHeader(fileName, tag)) return false;
  FileHandle file(OpenRegularFile(fileName));
  std::array<char, 12> start{};
  if (!file.Valid() || !ReadAt(file.Get(), IsId3(tag) ? TagTotalSize(tag) : 0, start.data(), start.size()))
    return false;
  std::string_view head(start.data(), start.size());
  for (std::string_view magic : {"RIFF", "OggS", "fLaC", "FORM"})
    if (head.starts_with(magic)) return true;
  return head.substr(4, 4) == "ftyp";
}

bool TID3v2::WriteTag(const std::string& fileName) const {
  std::string tag = BuildTag();
  return !tag.empty() && !IsOtherAudioFile(fileName) && ReplaceTagInFile(fileName, &tag);
}

bool TID3v2::RemoveTag(const std::string& fileName) const { return ReplaceTagInFile(fileName, nullptr); }

std::array<std::string, kFrameCount> TID3v2::ItemTexts() const {
  return {FTitle, FArtist, FAlbum, FTrack != 0 ? std::to_string(FTrack) : std::string(), FYear, FGenre, FComment};
}

// The whole tag in memory, or an empty text when its size would not fit the header's size bytes.
std::string TID3v2::BuildTag() const {
  const std::array<std::string, kFrameCount> texts = ItemTexts();
  const bool four = FWriteVersion == 4;
  std::string frames;
  bool newDate = false;
  for (int index = 0; index < kFrameCount; ++index) {
    const std::string& text = texts[index];
    if (text.empty()) continue;
    if (text == FReadTexts[index] && !FItemFrames[index].empty()) {
      frames += FItemFrames[index];
    } else if (index == fiYear && !four) {
      newDate = AppendVersion3Date(frames, text);
    } else if (index == fiComment) {
      frames += TextFrame("COMM", std::string("eng\0", 4) + text, four);
    } else {
      frames += TextFrame(index == fiYear ? "TDRC" : kFrameIds[index], text, four);
    }
  }
  // A new date replaces the day and month of the old one.
  for (const std::string& frame : FOtherFrames)
    if (!newDate || frame.compare(0, 4, "TDAT") != 0) frames += frame;
  const std::uint64_t size = frames.size();
  if (size > kLargestTagSize) return {};
  std::string tag("ID3", 3);
  tag += static_cast<char>(FWriteVersion);
  tag += std::string(2, '\0');
  for (int shift = 21; shift >= 0; shift -= 7) tag += static_cast<char>((size >> shift) & 0x7F);
  return tag + frames;
}

void TID3v2::SetTitle(const std::string& value) { FTitle = TrimRight(value); }
void TID3v2::SetArtist(const std::string& value) { FArtist = TrimRight(value); }
void TID3v2::SetAlbum(const std::string& value) { FAlbum = TrimRight(value); }
void TID3v2::SetYear(const std::string& value) { FYear = TrimRight(value); }
void TID3v2::SetGenre(const std::string& value) { FGenre = TrimRight(value); }
void TID3v2::SetComment(const std::string& value) { FComment = TrimRight(value); }
