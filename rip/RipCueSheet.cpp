#include "rip/RipCueSheet.h"

#include <filesystem>

namespace {

// MP3 files are named so; every other format is taken as audio a player decodes (WAVE).
std::string FileType(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".mp3" ? "MP3" : "WAVE";
}

}  // namespace

std::string RipCueSheet(const std::vector<TrackResult>& tracks) {
  std::string sheet = "REM COMMENT \"Quillon " QUILLON_VERSION "\"\n";
  for (const TrackResult& track : tracks) {
    std::string name = std::filesystem::path(track.path).filename().string();
    sheet += "FILE \"" + name + "\" " + FileType(track.path) + "\n";
    sheet += "  TRACK " + track.number + " AUDIO\n";
    sheet += "    INDEX 01 00:00:00\n";
  }
  return sheet;
}
