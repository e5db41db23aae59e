#include "id3/ID3v2Frames.h"

#include <algorithm>
#include <cstdint>
#include <fstream>

#include "id3/ID3v2.h"
#include "id3/Id3Frames.h"

namespace {

constexpr std::uint64_t kLargestTagSize = 0x0FFFFFFF;

// The code points of UTF-8 text; a byte that starts no valid sequence stands for itself (Latin-1).
std::vector<std::uint32_t> CodePoints(const std::string& text) {
  std::vector<std::uint32_t> points;
  for (std::size_t i = 0; i < text.size();) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    bool valid = length != 0 && i + length <= text.size();
    std::uint32_t point = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    for (std::size_t k = 1; valid && k < length; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      point = (point << 6) | (next & 0x3F);
    }
    if (!valid) {
      points.push_back(lead);
      ++i;
      continue;
    }
    points.push_back(point);
    i += length;
  }
  return points;
}

bool FitsLatin1(const std::vector<std::uint32_t>& points) {
  for (std::uint32_t point : points)
    if (point > 0xFF) return false;
  return true;
}

std::string Latin1(const std::vector<std::uint32_t>& points) {
  std::string out;
  for (std::uint32_t point : points) out += static_cast<char>(point);
  return out;
}

// UTF-16, little-endian after its byte order mark.
std::string Utf16(const std::vector<std::uint32_t>& points) {
  std::string out("\xFF\xFE", 2);
  auto unit = [&out](std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
  };
  for (std::uint32_t point : points) {
    if (point < 0x10000) {
      unit(point);
    } else {
      unit(0xD800 + ((point - 0x10000) >> 10));
      unit(0xDC00 + ((point - 0x10000) & 0x3FF));
    }
  }
  return out;
}

// The frame's data: encoding byte, then the description and its terminator for TXXX, then the text. A COMM
// frame has its language (English) before its description. A UFID frame holds its owner in Latin-1, a
// terminator and the identifier's bytes.
std::string FrameData(const Id3TextFrame& frame) {
  if (frame.id == "UFID") return Latin1(CodePoints(frame.description)) + std::string(1, '\0') + frame.text;
  std::vector<std::uint32_t> text = CodePoints(frame.text);
  std::vector<std::uint32_t> description = CodePoints(frame.description);
  bool latin1 = FitsLatin1(text) && FitsLatin1(description);
  auto encode = latin1 ? Latin1 : Utf16;
  std::string data(1, latin1 ? '\0' : '\x01');
  if (frame.id == "COMM") data += "eng";
  if (frame.id == "TXXX" || frame.id == "COMM") data += encode(description) + std::string(latin1 ? 1 : 2, '\0');
  return data + encode(text);
}

void AppendBigEndian32(std::string& out, std::uint64_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

}  // namespace

std::string Id3FrontCoverFrame(const std::string& mimeType, const std::string& image) {
  constexpr char kFrontCover = 3;
  std::string data = std::string(1, '\0') + mimeType + std::string(1, '\0') + kFrontCover + std::string(1, '\0') + image;
  std::string frame = "APIC";
  AppendBigEndian32(frame, data.size());
  frame.append(2, '\0');  // flags
  return frame + data;
}

std::string BuildId3v23Tag(const std::vector<Id3TextFrame>& frames, const std::string& otherFrames) {
  std::string body;
  for (const Id3TextFrame& frame : frames) {
    if (frame.text.empty() || frame.id.size() != 4) continue;
    std::string data = FrameData(frame);
    body += frame.id;
    AppendBigEndian32(body, data.size());
    body.append(2, '\0');  // flags
    body += data;
  }
  body += otherFrames;
  if (body.size() > kLargestTagSize) return {};
  std::string tag("ID3\x03\x00\x00", 6);
  for (int shift = 21; shift >= 0; shift -= 7) tag += static_cast<char>((body.size() >> shift) & 0x7F);
  return tag + body;
}

namespace {

// The description of a TXXX frame's data (encoding, description, text) as far as it is plain ASCII, which
// the names we look for are.
std::string UserTextDescription(const std::string& data) {
  if (data.empty()) return {};
  std::string description;
  if (data[0] == 1 || data[0] == 2) {
    std::size_t i = data[0] == 1 ? 3 : 1;  // past the byte order mark
    const bool littleEndian = data[0] == 1 && data.size() > 2 && static_cast<unsigned char>(data[1]) == 0xFF;
    for (; i + 1 < data.size() && (data[i] != 0 || data[i + 1] != 0); i += 2)
      description += littleEndian ? data[i] : data[i + 1];
    return description;
  }
  return data.substr(1, data.find('\0', 1) - 1);
}

bool Replaced(const Id3Frame& frame, const std::vector<Id3TextFrame>& frames) {
  if (frame.id != "TXXX") return false;
  const std::string description = UserTextDescription(frame.body);
  return std::any_of(frames.begin(), frames.end(),
                     [&](const Id3TextFrame& replacement) { return replacement.description == description; });
}

}  // namespace

std::string SetUserTextFrames(const std::string& fileName, const std::vector<Id3TextFrame>& frames) {
  TagInfo tag;
  if (!ReadTagHeader(fileName, tag)) return "the file cannot be read";
  std::string kept;
  const bool tagged = std::string(tag.Magic.data(), 3) == "ID3";
  if (tagged) {
    if (tag.MajorVersion != 3) return "its ID3 tag is of version 2." + std::to_string(tag.MajorVersion) + ", not 2.3";
    const std::int32_t size = TagTotalSize(tag);
    if (size < 10) return "its ID3 tag is damaged";
    std::string body(std::size_t(size - 10), '\0');
    std::ifstream in(fileName, std::ios::binary);
    if (!in.seekg(10) || !in.read(body.data(), std::streamsize(body.size()))) return "the file cannot be read";
    for (const Id3Frame& frame : ParseFrames(body, 3, tag.Flags))
      if (!Replaced(frame, frames)) kept += frame.Bytes();
  }
  const std::string newTag = BuildId3v23Tag(frames, kept);
  if (newTag.empty()) return "the tag would be too large";
  if (!ReplaceTagInFile(fileName, &newTag)) return "the file cannot be rewritten";
  return {};
}
