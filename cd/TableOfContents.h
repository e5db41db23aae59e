#pragma once
// The disc's table of contents as the main window keeps it: one entry per track, then the lead-out.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TOC;
struct DiscCodes;

struct TocEntry {
  std::uint8_t trackNumber = 0;
  std::uint32_t start = 0;  // block number
  bool audio = true;
  std::uint8_t session = 0;  // 0: unknown
  bool preEmphasis = false;
  bool copyPermitted = false;
  bool fourChannel = false;
  std::string isrc{};  // empty when unknown
  std::optional<std::uint32_t> pregap{};  // the block of the track's INDEX 00, where known
};

// A row of the track list: a track, or the audio before the first track (number 0, from block 0).
struct TocRow {
  int number = 0;
  std::uint32_t start = 0;
  std::uint32_t blocks = 0;
  bool audio = true;
};

struct TableOfContents {
  std::uint8_t firstTrack = 0;
  std::uint8_t lastTrack = 0;
  std::vector<TocEntry> entries;  // last - first + 2 entries: the tracks and the lead-out
  std::string catalog;  // the media catalogue number, empty when unknown
  // The blocks before the first track hold audio that is not silence (hidden track one audio); its track's
  // INDEX 00 is then block 0.
  bool hiddenAudio = false;

  int TrackCount() const { return lastTrack - firstTrack + 1; }
  std::uint32_t Leadout() const { return entries.back().start; }
  // Blocks of the track at entry k: up to the next track or the lead-out. A track before a later session
  // (an enhanced CD's data session) ends with its own session, before the gap.
  std::uint32_t BlocksOf(int k) const;
  // The track list's rows in disc order: the hidden audio first where there is some, then every track.
  std::vector<TocRow> Rows() const;
};

// Takes the library's record read with block addressing; false when it is inconsistent.
bool TableOfContentsFromRecord(const TOC& record, TableOfContents& toc);

// Adds the disc's catalogue number, ISRCs and pregaps (one per track, in track order) to the tracks.
void AddDiscCodes(const DiscCodes& codes, TableOfContents& toc);

// The CDDB disc ID in lowercase hexadecimal without leading zeros.
std::string CddbDiscId(const TableOfContents& toc);
