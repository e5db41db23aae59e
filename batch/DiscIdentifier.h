#pragma once
// Names and tags a batch's disc without asking anyone: the sources the settings order (or the disc's CD-Text
// alone without a lookup), and of several MusicBrainz releases the one whose track lengths are nearest the
// disc's, the others kept for the report.

#include <atomic>
#include <string>
#include <vector>

#include "cd/CdDrives.h"
#include "rip/RipJob.h"

class TIniFile;

struct DiscIdentity {
  std::string metadataSource;  // "MusicBrainz", "CDDB", "CD-Text"; empty when none knew the disc
  std::string artist;
  std::string album;
  std::string otherReleases = "[]";  // the MusicBrainz releases not chosen, a JSON array
};

class DiscIdentifier {
 public:
  DiscIdentifier(TIniFile& settings, bool lookup, const std::atomic<bool>& stop);
  // Names and tags the rows (one per track, in order) of the disc in the drive; a lookup reads the disc again.
  DiscIdentity Identify(CdDrives& drives, OutputFormat format, std::vector<RipRow>& rows) const;

 private:
  enum class Source { CdText, MusicBrainz, Cddb };
  std::vector<Source> Sources() const;

  TIniFile& FSettings;
  bool FLookup;
  const std::atomic<bool>& FStop;
};

// Which of the releases' track lengths (milliseconds) lie nearest the disc's audio tracks (blocks): the least
// sum of differences, a release without a track's length counted a whole track off.
std::size_t NearestRelease(const std::vector<std::vector<int>>& releaseLengths, const std::vector<std::uint32_t>& blocks);
