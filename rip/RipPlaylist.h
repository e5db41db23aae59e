#pragma once
// The play list of a rip: an extended M3U in UTF-8 (.m3u8) of the files the rip finished, in disc order, each
// with its length and "Artist - Title" as players show them, its path relative to the list's folder.

#include <string>
#include <vector>

struct PlaylistEntry {
  std::string path;
  int seconds = 0;
  std::string artist;  // empty: the line names the title alone
  std::string title;
};

std::string RipPlaylistText(const std::vector<PlaylistEntry>& entries, const std::string& folder);
