#include "id3/Id3Frames.h"

#include <map>

#include "id3/TagFields.h"

namespace {

enum Encoding : char { kLatin1 = 0, kUtf16 = 1, kUtf16BigEndian = 2, kUtf8 = 3 };

std::uint32_t BigEndian(const std::string& bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

std::uint32_t SyncSafe(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = value << 7 | (static_cast<unsigned char>(bytes[at + i]) & 0x7F);
  return value;
}

// Unsynchronisation puts a zero after every 0xFF; this takes it out again.
std::string Resynchronised(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out += bytes[i];
    if (static_cast<unsigned char>(bytes[i]) == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == '\0') ++i;
  }
  return out;
}

std::size_t TerminatorWidth(char encoding) { return encoding == kUtf16 || encoding == kUtf16BigEndian ? 2 : 1; }

// Where the string starting at `from` ends (the terminator's position), or the data's size.
std::size_t StringEnd(const std::string& data, std::size_t from, char encoding) {
  std::size_t width = TerminatorWidth(encoding);
  for (std::size_t i = from; i + width <= data.size(); i += width)
    if (data[i] == '\0' && (width == 1 || data[i + 1] == '\0')) return i;
  return data.size();
}

std::string Utf16ToLatin1(const std::string& bytes, bool bigEndian) {
  std::size_t i = 0;
  if (bytes.size() >= 2) {
    auto first = static_cast<unsigned char>(bytes[0]), second = static_cast<unsigned char>(bytes[1]);
    if (first == 0xFF && second == 0xFE) bigEndian = false, i = 2;
    if (first == 0xFE && second == 0xFF) bigEndian = true, i = 2;
  }
  std::string out;
  for (; i + 1 < bytes.size(); i += 2) {
    auto high = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
    auto low = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
    if (high == 0xDC || high == 0xDD || high == 0xDE || high == 0xDF) continue;  // second half of a pair
    out += high == 0 ? static_cast<char>(low) : '?';
  }
  return out;
}

std::string ToLatin1(const std::string& text, char encoding) {
  if (encoding == kUtf16 || encoding == kUtf16BigEndian) return Utf16ToLatin1(text, encoding == kUtf16BigEndian);
  if (encoding == kUtf8) return Utf8ToLatin1(text);
  return text;
}

const std::map<std::string, std::string>& Version2Names() {
  static const std::map<std::string, std::string> names = {
      {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"}, {"TP1", "TPE1"}, {"TP2", "TPE2"}, {"TP3", "TPE3"},
      {"TP4", "TPE4"}, {"TAL", "TALB"}, {"TRK", "TRCK"}, {"TPA", "TPOS"}, {"TYE", "TYER"}, {"TDA", "TDAT"},
      {"TIM", "TIME"}, {"TCO", "TCON"}, {"TCM", "TCOM"}, {"TXT", "TEXT"}, {"TEN", "TENC"}, {"TCR", "TCOP"},
      {"TBP", "TBPM"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TOA", "TOPE"}, {"TOT", "TOAL"},
      {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TPB", "TPUB"}, {"TRC", "TSRC"}, {"TSS", "TSSE"}, {"TXX", "TXXX"},
      {"COM", "COMM"}, {"ULT", "USLT"}, {"WXX", "WXXX"}, {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WAF", "WOAF"},
      {"WCM", "WCOM"}, {"WCP", "WCOP"}, {"WPB", "WPUB"}, {"UFI", "UFID"}, {"CNT", "PCNT"}, {"POP", "POPM"},
      {"GEO", "GEOB"}, {"PIC", "APIC"}};
  return names;
}

// A version-2 picture names its image format in three letters where version 3 has a MIME type.
std::string PictureBody(const std::string& body) {
  if (body.size() < 5) return body;
  std::string format = body.substr(1, 3);
  std::string mime = format == "PNG" ? "image/png" : format == "JPG" ? "image/jpeg" : "image/" + format;
  return body.substr(0, 1) + mime + std::string(1, '\0') + body.substr(4);
}

std::size_t SkipExtendedHeader(const std::string& body, int version, std::uint8_t tagFlags) {
  if (version < 3 || !(tagFlags & 0x40) || body.size() < 4) return 0;
  return version == 4 ? SyncSafe(body, 0) : BigEndian(body, 0, 4) + 4;
}

}  // namespace

std::string Id3Frame::Bytes() const {
  if (!original.empty()) return original;
  std::string out = id;
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((body.size() >> shift) & 0xFF);
  out += static_cast<char>(flags >> 8);
  out += static_cast<char>(flags & 0xFF);
  return out + body;
}

std::vector<Id3Frame> ParseFrames(const std::string& tagBody, int version, std::uint8_t tagFlags) {
  std::vector<Id3Frame> frames;
  // Before version 4, unsynchronisation is a property of the whole tag.
  const std::string body = version < 4 && (tagFlags & 0x80) ? Resynchronised(tagBody) : tagBody;
  const std::size_t headerSize = version == 2 ? 6 : 10;
  const std::size_t idSize = version == 2 ? 3 : 4;
  std::size_t position = SkipExtendedHeader(body, version, tagFlags);
  while (position + headerSize <= body.size()) {
    std::string id = body.substr(position, idSize);
    if (id[0] < 'A' || id[0] > 'Z') break;  // padding or garbage
    std::uint32_t size = version == 2 ? BigEndian(body, position + 3, 3)
                         : version == 4 ? SyncSafe(body, position + 4)
                                        : BigEndian(body, position + 4, 4);
    if (size > body.size() - position - headerSize) break;
    Id3Frame frame{id, 0, body.substr(position + headerSize, size), {}, false};
    position += headerSize + size;
    if (version == 2) {
      auto name = Version2Names().find(id);
      if (name == Version2Names().end()) continue;
      frame.id = name->second;
      if (frame.id == "APIC") frame.body = PictureBody(frame.body);
    } else if (version == 3) {
      frame.flags = static_cast<std::uint16_t>(BigEndian(body, position - size - 2, 2));
    } else {
      frame.original = body.substr(position - size - headerSize, headerSize + size);
      if (tagFlags & 0x80) frame.original[9] = static_cast<char>(frame.original[9] | 0x02);
      auto format = static_cast<std::uint8_t>(frame.original[9]);
      frame.opaque = (format & 0x4C) != 0;
      if (frame.opaque) frame.body.clear();
      if (format & 0x02) frame.body = Resynchronised(frame.body);
      if (format & 0x01) frame.body.erase(0, std::min<std::size_t>(4, frame.body.size()));
    }
    frames.push_back(std::move(frame));
  }
  return frames;
}

std::string FrameText(const std::string& data) {
  if (data.empty()) return {};
  char encoding = data[0];
  if (encoding == kLatin1) return data;  // as it stands: the caller trims the blanks around it
  return ToLatin1(data.substr(1, StringEnd(data, 1, encoding) - 1), encoding);
}

std::string CommentDescription(const std::string& data) {
  if (data.size() < 4) return {};
  return ToLatin1(data.substr(4, StringEnd(data, 4, data[0]) - 4), data[0]);
}

std::string CommentText(const std::string& data) {
  if (data.size() < 4) return {};
  char encoding = data[0];
  std::size_t descriptionEnd = StringEnd(data, 4, encoding);
  std::size_t textStart = std::min(data.size(), descriptionEnd + TerminatorWidth(encoding));
  std::string text = data.substr(textStart);
  return ToLatin1(text.substr(0, StringEnd(text, 0, encoding)), encoding);
}
