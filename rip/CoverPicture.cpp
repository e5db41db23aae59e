#include "rip/CoverPicture.h"

namespace {

std::uint32_t BigEndian(const std::string& bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

void AppendBigEndian32(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

// PNG colour types by their channels: grey, -, RGB, palette, grey and alpha, -, RGBA.
constexpr std::uint32_t kPngChannels[] = {1, 0, 3, 1, 2, 0, 4};

PictureSize PngSize(const std::string& bytes) {
  if (bytes.size() < 26 || bytes.compare(12, 4, "IHDR") != 0) return {};
  auto colourType = static_cast<unsigned char>(bytes[25]);
  std::uint32_t channels = colourType < 7 ? kPngChannels[colourType] : 0;
  return {BigEndian(bytes, 16, 4), BigEndian(bytes, 20, 4), channels * static_cast<unsigned char>(bytes[24])};
}

// The first start-of-frame marker (C0 to CF but for C4, C8 and CC, which are no frames) holds the size.
PictureSize JpegSize(const std::string& bytes) {
  std::size_t at = 2;
  while (at + 4 <= bytes.size() && static_cast<unsigned char>(bytes[at]) == 0xFF) {
    auto marker = static_cast<unsigned char>(bytes[at + 1]);
    std::uint32_t length = BigEndian(bytes, at + 2, 2);
    bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame && at + 10 <= bytes.size()) {
      std::uint32_t depth = static_cast<unsigned char>(bytes[at + 4]) * static_cast<unsigned char>(bytes[at + 9]);
      return {BigEndian(bytes, at + 7, 2), BigEndian(bytes, at + 5, 2), depth};
    }
    at += 2 + length;
  }
  return {};
}

}  // namespace

PictureSize PictureSizeOf(const CoverArt& art) {
  return art.mimeType == "image/png" ? PngSize(art.bytes) : JpegSize(art.bytes);
}

std::string FlacPictureStructure(const CoverArt& art) {
  constexpr std::uint32_t kFrontCover = 3;
  PictureSize size = PictureSizeOf(art);
  std::string out;
  AppendBigEndian32(out, kFrontCover);
  AppendBigEndian32(out, static_cast<std::uint32_t>(art.mimeType.size()));
  out += art.mimeType;
  AppendBigEndian32(out, 0);  // no description
  AppendBigEndian32(out, size.width);
  AppendBigEndian32(out, size.height);
  AppendBigEndian32(out, size.depth);
  AppendBigEndian32(out, 0);  // a palette's colours: not read, and 0 says so
  AppendBigEndian32(out, static_cast<std::uint32_t>(art.bytes.size()));
  return out + art.bytes;
}

std::string Base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 2]);
    out += kDigits[(group >> 18) & 63];
    out += kDigits[(group >> 12) & 63];
    out += i + 1 < bytes.size() ? kDigits[(group >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kDigits[group & 63] : '=';
  }
  return out;
}
