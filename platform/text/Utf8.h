#pragma once
// UTF-8 as the program takes it from discs, lookups and users: a sequence is valid only in its shortest form,
// never a surrogate, never beyond U+10FFFF.

#include <cstddef>
#include <string>

// The length of the valid UTF-8 sequence starting at text[i], 0 when none starts there.
inline std::size_t Utf8SequenceLength(const std::string& text, std::size_t i) {
  const unsigned char lead = static_cast<unsigned char>(text[i]);
  const std::size_t length = lead < 0x80                  ? 1
                             : lead >= 0xC2 && lead < 0xE0 ? 2
                             : lead >= 0xE0 && lead < 0xF0 ? 3
                             : lead >= 0xF0 && lead < 0xF5 ? 4
                                                           : 0;
  if (length == 0 || i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k)
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  const unsigned char second = length > 1 ? static_cast<unsigned char>(text[i + 1]) : 0;
  if (length == 3 && lead == 0xE0 && second < 0xA0) return 0;   // overlong
  if (length == 3 && lead == 0xED && second >= 0xA0) return 0;  // a surrogate
  if (length == 4 && lead == 0xF0 && second < 0x90) return 0;   // overlong
  if (length == 4 && lead == 0xF4 && second >= 0x90) return 0;  // beyond U+10FFFF
  return length;
}
