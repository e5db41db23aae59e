#include "cd/TrackNaming.h"

#include <algorithm>
#include <set>

#include "platform/inifile/TIniFile.h"
#include "platform/text/Utf8.h"

namespace {

bool ValidUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = Utf8SequenceLength(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string Latin1ToUtf8(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The end of an escape sequence starting at text[i] (ESC), as terminals read them: CSI runs to its final
// byte, OSC to BEL or ST, any other to the character after ESC.
std::size_t EscapeEnd(const std::string& text, std::size_t i) {
  if (i + 1 >= text.size()) return text.size();
  char kind = text[i + 1];
  if (kind == '[') {
    std::size_t k = i + 2;
    while (k < text.size() && !(text[k] >= 0x40 && text[k] <= 0x7E)) ++k;
    return std::min(k + 1, text.size());
  }
  if (kind == ']') {
    std::size_t bell = text.find('\a', i);
    std::size_t terminator = text.find("\x1b\\", i + 2);
    std::size_t end = std::min(bell == std::string::npos ? text.size() : bell + 1,
                               terminator == std::string::npos ? text.size() : terminator + 2);
    return end;
  }
  std::size_t next = Utf8SequenceLength(text, i + 1);  // ESC and the one character after it, however long
  return i + 1 + (next == 0 ? 1 : next);
}

// C0 and C1 controls, DEL, and the bidirectional overrides and isolates that can make a name read backwards.
bool IsControl(const std::string& text, std::size_t i, std::size_t length) {
  unsigned char c = static_cast<unsigned char>(text[i]);
  if (length == 1) return c < 0x20 || c == 0x7F;
  if (length == 2) return c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
  if (length != 3 || c != 0xE2) return false;
  unsigned char second = static_cast<unsigned char>(text[i + 1]), third = static_cast<unsigned char>(text[i + 2]);
  return (second == 0x80 && third >= 0xAA && third <= 0xAE) || (second == 0x81 && third >= 0xA6 && third <= 0xA9);
}

std::string Trimmed(const std::string& text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Cuts text to at most limit bytes without splitting a character.
std::string CutAtCharacter(const std::string& text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// One path component from text: printable, "/" replaced, optionally Windows-safe, without surrounding blanks.
// A double quote becomes an apostrophe: a cue sheet has no way of naming a file that holds one.
std::string Component(const std::string& text, bool windowsSafe) {
  std::string out = PrintableText(text);
  std::replace(out.begin(), out.end(), '/', '-');
  if (windowsSafe)
    for (char& c : out)
      if (std::string("\\:*?\"<>|").find(c) != std::string::npos) c = '_';
  std::replace(out.begin(), out.end(), '"', '\'');
  return Trimmed(out);
}

std::string Fitted(std::string base, const std::string& extension) {
  if (!base.empty() && base[0] == '.') base = "_" + base;  // ".", ".." and hidden files
  std::size_t room = kLongestFileName > extension.size() ? kLongestFileName - extension.size() : 0;
  return CutAtCharacter(base, room) + extension;
}

std::string Extension(const std::string& name) {
  std::size_t dot = name.rfind('.');
  std::size_t slash = name.rfind('/');
  if (dot == std::string::npos || dot == 0 || (slash != std::string::npos && dot < slash)) return {};
  return name.substr(dot);
}

// The album's artist for a folder; the track's where the lookup named none.
std::string AlbumArtist(const TrackTags& tags) {
  if (!tags.albumArtist.empty()) return tags.albumArtist;
  return tags.artist.empty() ? "Unknown Artist" : tags.artist;
}

}  // namespace

std::string PrintableText(const std::string& text) {
  const std::string utf8 = ValidUtf8(text) ? text : Latin1ToUtf8(text);
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    if (utf8[i] == '\x1b') {
      i = EscapeEnd(utf8, i);
      continue;
    }
    std::size_t length = Utf8SequenceLength(utf8, i);
    if (length == 2 && static_cast<unsigned char>(utf8[i]) == 0xC2 && static_cast<unsigned char>(utf8[i + 1]) == 0x9B) {
      i += EscapeEnd("\x1b[" + utf8.substr(i + 2), 0);  // the one-character CSI: two bytes, as ESC [ is
      continue;
    }
    if (!IsControl(utf8, i, length)) out.append(utf8, i, length);
    i += length;
  }
  return out;
}

std::string TrackFileName(const std::string& title, const std::string& number, const std::string& extension,
                          bool windowsSafe) {
  std::string base = Component(title, windowsSafe);
  if (base.empty()) base = "Track-" + number;
  return Fitted(base, extension);
}

void MakeNamesUnique(std::vector<std::string>& names) {
  std::set<std::string> taken;
  for (std::string& name : names) {
    std::string trimmed = Trimmed(name);
    if (taken.insert(LowerAscii(trimmed)).second) continue;
    std::string extension = Extension(trimmed);
    std::string base = trimmed.substr(0, trimmed.size() - extension.size());
    for (int count = 2;; ++count) {
      std::string suffix = " (" + std::to_string(count) + ")";
      std::string candidate = Fitted(base, suffix + extension);
      if (taken.insert(LowerAscii(candidate)).second) {
        name = candidate;
        break;
      }
    }
  }
}

NamingOptions ReadNamingOptions(TIniFile* settings) {
  NamingOptions options;
  if (settings == nullptr) return options;
  try {
    options.nameTemplate = settings->ReadString("Rip", "name template", "");
    options.windowsSafe = settings->ReadString("Rip", "Windows-safe names", "False") != "False";
  } catch (const EIniFileError&) {
    return NamingOptions{};
  }
  return options;
}

std::string TemplateFileName(const std::string& nameTemplate, const TrackTags& tags, const std::string& number,
                             const std::string& extension, bool windowsSafe) {
  std::vector<std::string> folders(1);
  for (std::size_t i = 0; i < nameTemplate.size(); ++i) {
    char c = nameTemplate[i];
    if (c == '/') {
      folders.emplace_back();
      continue;
    }
    if (c != '%' || i + 1 == nameTemplate.size()) {
      folders.back() += c;
      continue;
    }
    char token = nameTemplate[++i];
    std::string value = token == 'n'   ? number
                        : token == 't' ? (tags.title.empty() ? "Track-" + number : tags.title)
                        : token == 'a' ? (tags.artist.empty() ? "Unknown Artist" : tags.artist)
                        : token == 'A' ? (tags.album.empty() ? "Unknown Album" : tags.album)
                        : token == 'y' ? tags.year
                        : token == 'g' ? tags.genre
                        : token == 'd' ? std::to_string(std::max(tags.disc, 1))
                        : token == 'D' ? std::to_string(std::max(tags.discTotal, 1))
                        : token == 'b' ? AlbumArtist(tags)
                        : token == '%' ? "%"
                                       : std::string("%") + token;
    folders.back() += Component(value, windowsSafe);
  }
  std::string path;
  for (std::size_t k = 0; k + 1 < folders.size(); ++k) {
    std::string folder = Component(folders[k], windowsSafe);
    if (folder.empty()) continue;
    path += Fitted(folder, "") + "/";
  }
  return path + TrackFileName(folders.back(), number, extension, windowsSafe);
}

int TracksAmong(const std::vector<TrackRow>& rows) {
  return static_cast<int>(rows.size()) - (!rows.empty() && IsHiddenAudioRow(rows.front().number) ? 1 : 0);
}

std::vector<std::string> LookedUpNames(const DiscMetadata& metadata, const std::vector<TrackRow>& rows,
                                       OutputFormat format, const NamingOptions& options) {
  std::vector<std::string> names;
  const std::string extension = FormatExtension(format);
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const std::size_t track = TrackOfRow(rows.front().number, k);
    const int number = std::stoi(rows[k].number);
    if (options.nameTemplate.empty()) {
      std::string title = number != 0 && track < metadata.titles.size() ? metadata.titles[track] : std::string();
      names.push_back(TrackFileName(title, rows[k].number, extension, options.windowsSafe));
    } else {
      TrackTags tags = TrackTagsOf(std::optional<DiscMetadata>(metadata), track, rows[k].name, number, TracksAmong(rows));
      names.push_back(TemplateFileName(options.nameTemplate, tags, rows[k].number, extension, options.windowsSafe));
    }
  }
  MakeNamesUnique(names);
  return names;
}

void NameFreshRows(std::vector<TrackRow>& rows, OutputFormat format, const NamingOptions& options) {
  if (options.nameTemplate.empty()) return;
  std::vector<std::string> names;
  const int total = TracksAmong(rows);
  for (std::size_t k = 0; k < rows.size(); ++k) {
    TrackTags tags = TrackTagsOf(std::nullopt, k, rows[k].name, std::stoi(rows[k].number), total);
    names.push_back(
        TemplateFileName(options.nameTemplate, tags, rows[k].number, FormatExtension(format), options.windowsSafe));
  }
  MakeNamesUnique(names);
  for (std::size_t k = 0; k < rows.size(); ++k) rows[k].name = names[k];
}

