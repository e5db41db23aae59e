#include "rip/RipPlaylist.h"

#include <filesystem>

namespace fs = std::filesystem;

// Names and paths hold no line breaks: the lookups' text has no control characters, nor have file names.
std::string RipPlaylistText(const std::vector<PlaylistEntry>& entries, const std::string& folder) {
  std::string text = "#EXTM3U\n";
  const fs::path base = fs::path(folder).lexically_normal();
  for (const PlaylistEntry& entry : entries) {
    const std::string name = entry.artist.empty() ? entry.title : entry.artist + " - " + entry.title;
    text += "#EXTINF:" + std::to_string(entry.seconds) + "," + name + "\n";
    text += fs::path(entry.path).lexically_normal().lexically_relative(base).string() + "\n";
  }
  return text;
}
