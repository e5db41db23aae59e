#pragma once
// ID3v2 tags at the start of MP3 files: seven text items read from tags of versions 2, 3 and 4, any "ID3"
// tag measured, replaced or removed, and every tag written without padding, keeping the frames the items
// are not in: a version-4 tag as version 4, every other as version 3. Items are held as Latin-1 bytes and
// written as ISO-8859-1 (encoding 0); an item left as it was read keeps its frame as it was.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

constexpr int kFrameCount = 7;

// One file's tag as read or as built for writing. The header fields mirror the file's first 10 bytes.
struct TagInfo {
  std::array<char, 3> Magic{};
  std::uint8_t MajorVersion = 0;
  std::uint8_t Revision = 0;
  std::uint8_t Flags = 0;
  std::array<std::uint8_t, 4> SizeBytes{};
  std::int64_t FileSize = 0;  // wider than the header's numbers so that files past 2 GiB measure right
  std::array<std::string, kFrameCount> FrameTexts;
  std::array<std::string, kFrameCount> ItemFrames;  // the frame each text came from, whole, when it can be kept
  std::vector<std::string> OtherFrames;  // every other frame, whole, in version-3 form or as version 4 held it
};

// The frame identifiers in writing order; their index is the index of TagInfo::FrameTexts.
extern const std::array<const char*, kFrameCount> kFrameIds;

// Reads the first 10 bytes and the file's length; false when the file is shorter or cannot be read. Only
// regular files are read: a FIFO or a device would keep the reader waiting.
bool ReadTagHeader(const std::string& fileName, TagInfo& tag);
// The whole tag size, header included; 0 when that would not fit in the file.
std::int32_t TagTotalSize(const TagInfo& tag);
// Stores the data of the item frames (at most 250 bytes each, zero-filled to 250) in tag.FrameTexts and
// every other frame in tag.OtherFrames, from tags of version 2, 3 or 4.
void ReadFrames(const std::string& fileName, TagInfo& tag);
// Rebuilds the file with newTag in place of its old tag (newTag null: without a tag) through a buffer file
// that then replaces it. On failure the file keeps its content and the buffer file is gone.
bool ReplaceTagInFile(const std::string& fileName, const std::string* newTag);

// True for audio of another kind (WAV, Ogg, FLAC, AIFF, MP4) after any tag: a tag is never written there,
// since its players would not pass over it.
bool IsOtherAudioFile(const std::string& fileName);

// Integer conversion of tag and field texts: leading spaces, an optional sign, decimal digits or hexadecimal
// ones after "$", "x", "X" or "0x"; anything else (trailing blanks too) or a value beyond 32 bits fails.
bool TextToInteger(const std::string& text, std::int32_t& value);

// The step that puts the finished buffer file in the audio file's place. Tests replace it to fail there;
// an empty function restores the rename.
using TFileReplacer = std::function<bool(const std::string& bufferName, const std::string& fileName)>;
void SetFileReplacer(TFileReplacer replacer);

class TID3v2 {
 public:
  TID3v2() = default;

  void Clear();
  // False only when the file's first 10 bytes cannot be read; the properties are then cleared.
  bool ReadTag(const std::string& fileName);
  bool WriteTag(const std::string& fileName) const;
  bool RemoveTag(const std::string& fileName) const;

  bool TagExists() const { return FTagExists; }
  std::uint8_t Version() const { return FVersion; }
  std::int32_t Size() const { return FSize; }
  const std::string& Title() const { return FTitle; }
  const std::string& Artist() const { return FArtist; }
  const std::string& Album() const { return FAlbum; }
  std::uint8_t Track() const { return FTrack; }
  const std::string& Year() const { return FYear; }
  const std::string& Genre() const { return FGenre; }
  const std::string& Comment() const { return FComment; }
  // The frames a rewrite keeps besides the items, whole.
  const std::vector<std::string>& OtherFrames() const { return FOtherFrames; }

  // The text setters drop trailing characters of code 0 to 32; leading ones stay.
  void SetTitle(const std::string& value);
  void SetArtist(const std::string& value);
  void SetAlbum(const std::string& value);
  void SetTrack(std::uint8_t value) { FTrack = value; }
  void SetYear(const std::string& value);
  void SetGenre(const std::string& value);
  void SetComment(const std::string& value);

 private:
  void TakeFrameTexts(const TagInfo& tag);
  std::array<std::string, kFrameCount> ItemTexts() const;
  std::string BuildTag() const;

  bool FTagExists = false;
  std::uint8_t FVersion = 0;
  std::int32_t FSize = 0;
  std::string FTitle;
  std::string FArtist;
  std::string FAlbum;
  std::uint8_t FTrack = 0;
  std::string FYear;
  std::string FGenre;
  std::string FComment;
  std::vector<std::string> FOtherFrames;  // kept through a rewrite: pictures, other texts, other comments
  // An item left as it was read keeps its frame: the editor's Latin-1 would lose what UTF-16 held, and the
  // number shown would lose a track count ("3/12").
  std::array<std::string, kFrameCount> FReadTexts;
  std::array<std::string, kFrameCount> FItemFrames;
  // A version-4 tag is rewritten as one, with its frames as they were: its other readers rely on the
  // version; every other tag becomes version 3.
  std::uint8_t FWriteVersion = 3;
};
