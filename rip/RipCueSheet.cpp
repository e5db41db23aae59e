#include "rip/RipCueSheet.h"

#include "cd/TrackTable.h"

#include <cctype>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// MP3 files are named so; every other format is taken as audio a player decodes (WAVE).
std::string FileType(const std::string& path) {
  std::string extension = fs::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".mp3" ? "MP3" : "WAVE";
}

// A sheet's text has no way of escaping a quote or a line break: they become an apostrophe and a blank.
std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? '\'' : (static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
  return quoted + "\"";
}

std::string Msf(std::uint32_t blocks) {
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u", blocks / 75 / 60, blocks / 75 % 60, blocks % 75);
  return text;
}

const TocEntry* EntryOf(const TableOfContents& toc, const std::string& number) {
  for (std::size_t k = 0; k + 1 < toc.entries.size(); ++k)  // the tracks, without the lead-out
    if (toc.entries[k].trackNumber == std::stoi(number)) return &toc.entries[k];
  return nullptr;
}

// Whether path is folder or lies under it.
bool Within(const fs::path& path, const fs::path& folder) {
  fs::path relative = path.lexically_relative(folder);
  return !relative.empty() && *relative.begin() != "..";
}

std::string HeaderLines(const RipCueDisc& disc) {
  std::string text;
  if (!disc.genre.empty()) text += "REM GENRE " + Quoted(disc.genre) + "\n";
  if (!disc.date.empty()) text += "REM DATE " + Quoted(disc.date) + "\n";
  if (!disc.discId.empty()) text += "REM DISCID " + disc.discId + "\n";
  text += "REM COMMENT \"Quillon " QUILLON_VERSION "\"\n";
  if (!disc.toc.catalog.empty()) text += "CATALOG " + disc.toc.catalog + "\n";
  if (!disc.performer.empty()) text += "PERFORMER " + Quoted(disc.performer) + "\n";
  if (!disc.title.empty()) text += "TITLE " + Quoted(disc.title) + "\n";
  return text;
}

std::string TrackLines(const RipCueTrack& track, const TocEntry* entry) {
  std::string text = "  TRACK " + track.number + " AUDIO\n";
  if (!track.title.empty()) text += "    TITLE " + Quoted(track.title) + "\n";
  if (!track.performer.empty()) text += "    PERFORMER " + Quoted(track.performer) + "\n";
  if (entry == nullptr) return text;
  std::string flags = std::string(entry->copyPermitted ? " DCP" : "") + (entry->fourChannel ? " 4CH" : "") +
                      (entry->preEmphasis ? " PRE" : "");
  if (!flags.empty()) text += "    FLAGS" + flags + "\n";
  if (!entry->isrc.empty()) text += "    ISRC " + entry->isrc + "\n";
  return text;
}

std::string FileLine(const RipCueTrack& track, const std::string& folder) {
  return "FILE " + Quoted(fs::path(track.path).lexically_relative(folder).string()) + " " + FileType(track.path) + "\n";
}

// The pregap's audio is in the file before only when that file holds the disc's audio up to here.
bool PregapInFileBefore(const TocEntry* entry, const RipCueTrack* beforeFile) {
  if (entry == nullptr || !entry->pregap || beforeFile == nullptr) return false;
  return beforeFile->start + beforeFile->blocks == entry->start && *entry->pregap >= beforeFile->start;
}

}  // namespace

std::string RipCueSheet(const RipCueDisc& disc, const std::vector<RipCueTrack>& tracks, const std::string& folder) {
  std::string sheet = HeaderLines(disc);
  const RipCueTrack* previous = nullptr;
  std::uint32_t previousAt = 0;  // where the previous track starts in its file
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    const RipCueTrack& track = tracks[i];
    const TocEntry* entry = EntryOf(disc.toc, track.number);
    const bool sameFile = previous != nullptr && previous->path == track.path;
    const std::uint32_t at = sameFile ? previousAt + previous->blocks : 0;
    const bool pregapBefore = PregapInFileBefore(entry, previous);
    if (IsHiddenAudioRow(track.number)) {
      // No track of its own: it is named where the first track's INDEX 00 lies in it, as a sheet can say.
      const RipCueTrack* next = i + 1 < tracks.size() ? &tracks[i + 1] : nullptr;
      if (next != nullptr && (next->path == track.path || PregapInFileBefore(EntryOf(disc.toc, next->number), &track)))
        sheet += FileLine(track, folder);
    } else if (sameFile) {
      sheet += TrackLines(track, entry);
      if (pregapBefore) sheet += "    INDEX 00 " + Msf(at - (entry->start - *entry->pregap)) + "\n";
      sheet += "    INDEX 01 " + Msf(at) + "\n";
    } else if (pregapBefore) {
      sheet += TrackLines(track, entry) + "    INDEX 00 " + Msf(previousAt + *entry->pregap - previous->start) + "\n";
      sheet += FileLine(track, folder) + "    INDEX 01 00:00:00\n";
    } else {
      sheet += FileLine(track, folder) + TrackLines(track, entry) + "    INDEX 01 00:00:00\n";
    }
    previous = &track;
    previousAt = at;
  }
  return sheet;
}

std::string RipSheetFolder(const std::vector<std::string>& paths, const std::string& outputFolder) {
  const fs::path output = fs::path(outputFolder).lexically_normal();
  if (paths.empty()) return outputFolder;
  fs::path common = fs::path(paths.front()).lexically_normal().parent_path();
  for (const std::string& path : paths) {
    const fs::path folder = fs::path(path).lexically_normal().parent_path();
    while (!common.empty() && !Within(folder, common)) common = common.parent_path();
  }
  return Within(common, output) ? common.string() : outputFolder;
}
