#include "platform/akrip32/DiscText.h"

#include <algorithm>

#include "platform/text/Utf8.h"

namespace {

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
    std::size_t length = Utf8SequenceLength(text, i);
    std::string character = Character(text, i, length);
    if (safe.size() + character.size() > kMostDiscTextBytes) break;
    if (character != " " || !safe.empty()) safe += character;
    i += length == 0 ? 1 : length;
  }
  while (!safe.empty() && safe.back() == ' ') safe.pop_back();
  return safe;
}
