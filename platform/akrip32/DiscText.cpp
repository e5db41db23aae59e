#include "platform/akrip32/DiscText.h"

#include <algorithm>

namespace {

// The length of the valid UTF-8 sequence starting at text[i], 0 when none starts there.
std::size_t SequenceLength(const std::string& text, std::size_t i) {
  unsigned char lead = static_cast<unsigned char>(text[i]);
  std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                       : lead >= 0xF0 && lead < 0xF5                   ? 4
                                                                       : 0;
  if (length == 0 || i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k)
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  unsigned char second = static_cast<unsigned char>(text[i + 1 < text.size() ? i + 1 : i]);
  if (length == 3 && lead == 0xE0 && second < 0xA0) return 0;  // overlong
  if (length == 3 && lead == 0xED && second >= 0xA0) return 0;  // a surrogate
  if (length == 4 && lead == 0xF0 && second < 0x90) return 0;
  if (length == 4 && lead == 0xF4 && second >= 0x90) return 0;  // beyond U+10FFFF
  return length;
}

// One character as UTF-8, or nothing for a control character; a blank for tabs and line ends.
std::string Character(const std::string& text, std::size_t i, std::size_t length) {
  unsigned char c = static_cast<unsigned char>(text[i]);
  if (length == 0) {  // a Latin-1 byte
    if (c < 0xA0) return {};
    return {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
  }
  if (length == 1 && (c == '\t' || c == '\n' || c == '\r')) return " ";
  if (length == 1 && (c < 0x20 || c == 0x7F)) return {};
  if (length == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) return {};
  return text.substr(i, length);
}

}  // namespace

bool DiscText::Empty() const {
  return disc.Empty() && std::all_of(tracks.begin(), tracks.end(), [](const DiscTextEntry& track) { return track.Empty(); });
}

std::string SafeDiscText(const std::string& text) {
  std::string safe;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = SequenceLength(text, i);
    std::string character = Character(text, i, length);
    if (safe.size() + character.size() > kMostDiscTextBytes) break;
    if (character != " " || !safe.empty()) safe += character;
    i += length == 0 ? 1 : length;
  }
  while (!safe.empty() && safe.back() == ' ') safe.pop_back();
  return safe;
}
