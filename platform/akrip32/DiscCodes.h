#pragma once
// What a disc says of itself beyond its layout, where its source knows it: the media catalogue number, and
// per track its ISRC and where its pregap (INDEX 00) starts.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

struct DiscCodes {
  std::string catalog;                // 13 digits, empty when none
  std::vector<std::string> isrcs;     // per track of the layout: 12 letters and digits, empty when none
  std::vector<std::int32_t> pregaps;  // per track of the layout: block address, -1 when unknown
};

// A catalogue number as a disc holds it: 13 digits, not all zero (what drives report for none).
inline bool IsCatalogNumber(const std::string& text) {
  return text.size() == 13 && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }) &&
         text != std::string(13, '0');
}

// An ISRC: country and registrant (5 letters or digits), year and designation (7 digits), in capitals.
inline bool IsIsrc(const std::string& text) {
  auto upperOrDigit = [](unsigned char c) { return std::isdigit(c) || (c >= 'A' && c <= 'Z'); };
  return text.size() == 12 && std::all_of(text.begin(), text.begin() + 5, upperOrDigit) &&
         std::all_of(text.begin() + 5, text.end(), [](unsigned char c) { return std::isdigit(c); });
}
