#include "id3/ID3v2Frames.h"

#include <cstdint>

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
