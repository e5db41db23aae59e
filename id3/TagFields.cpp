#include "id3/TagFields.h"

#include "id3/ID3v2.h"

namespace {

void AppendUtf8(std::string& out, unsigned char c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

int SequenceLength(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

std::string PictureTypeName(unsigned char type) {
  if (type == 3) return "front cover";
  if (type == 4) return "back cover";
  return "picture type " + std::to_string(type);
}

// An APIC frame's body: encoding, MIME type and its terminator, picture type, description, image.
std::string PictureText(const std::string& frame) {
  constexpr std::size_t kHeader = 10;
  const std::size_t typeAt = frame.find('\0', kHeader + 1);
  if (typeAt == std::string::npos || typeAt + 1 >= frame.size()) return "Picture: unreadable";
  const std::string mimeType = Latin1ToUtf8(frame.substr(kHeader + 1, typeAt - kHeader - 1));
  const std::string name = PictureTypeName(static_cast<unsigned char>(frame[typeAt + 1]));
  const std::size_t kib = (frame.size() - typeAt + 1023) / 1024;  // the image with its short description
  return "Picture: " + name + ", " + (mimeType.empty() ? "no type" : mimeType) + ", " + std::to_string(kib) + " KiB";
}

std::string FirstPictureText(const TID3v2& tag) {
  for (const std::string& frame : tag.OtherFrames())
    if (frame.compare(0, 4, "APIC") == 0) return PictureText(frame);
  return {};
}

}  // namespace

std::string Latin1ToUtf8(const std::string& latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (char c : latin1) AppendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

// One "?" per character that Latin-1 lacks, and one per byte that is not part of valid UTF-8.
std::string Utf8ToLatin1(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      ++i;
      continue;
    }
    int length = SequenceLength(lead);
    bool complete = length > 0 && i + length <= utf8.size();
    for (int k = 1; complete && k < length; ++k) complete = (static_cast<unsigned char>(utf8[i + k]) & 0xC0) == 0x80;
    if (!complete) {
      out += '?';
      ++i;
      continue;
    }
    // Two-byte sequences with leads C2 and C3 are exactly the code points 0x80 to 0xFF.
    out += length == 2 && lead <= 0xC3 ? static_cast<char>(((lead & 0x1F) << 6) | (utf8[i + 1] & 0x3F)) : '?';
    i += length;
  }
  return out;
}

TagDisplay DisplayTag(const TID3v2& tag) {
  TagDisplay display;
  if (!tag.TagExists()) {
    display.TagExists = "No";
    return display;
  }
  display.TagExists = "Yes";
  display.Version = "2." + std::to_string(tag.Version());
  display.Size = std::to_string(tag.Size()) + " bytes";
  TagFieldTexts& fields = display.Fields;
  fields.Title = Latin1ToUtf8(tag.Title());
  fields.Artist = Latin1ToUtf8(tag.Artist());
  fields.Album = Latin1ToUtf8(tag.Album());
  if (tag.Track() != 0) fields.Track = std::to_string(tag.Track());
  fields.Year = Latin1ToUtf8(tag.Year());
  fields.Genre = Latin1ToUtf8(tag.Genre());
  fields.Comment = Latin1ToUtf8(tag.Comment());
  display.Picture = FirstPictureText(tag);
  return display;
}

void StoreFields(const TagFieldTexts& fields, TID3v2& tag) {
  tag.SetTitle(Utf8ToLatin1(fields.Title));
  tag.SetArtist(Utf8ToLatin1(fields.Artist));
  tag.SetAlbum(Utf8ToLatin1(fields.Album));
  std::int32_t track = 0;
  bool isNumber = TextToInteger(Utf8ToLatin1(fields.Track), track);
  tag.SetTrack(isNumber && track > 0 ? static_cast<std::uint8_t>(track & 0xFF) : 0);
  tag.SetYear(Utf8ToLatin1(fields.Year));
  tag.SetGenre(Utf8ToLatin1(fields.Genre));
  tag.SetComment(Utf8ToLatin1(fields.Comment));
}
