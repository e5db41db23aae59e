#pragma once
// The AccurateRip database's side of a rip: the disc's IDs and the path of its dBAR file, the dBAR file's
// format (one response per pressing of the disc), and the verdict on each ripped track.

#include <cstdint>
#include <string>
#include <vector>

#include "cd/TableOfContents.h"
#include "cd/TrackChecksums.h"

struct AccurateRipIds {
  int audioTracks = 0;
  std::uint32_t id1 = 0;
  std::uint32_t id2 = 0;
  std::uint32_t cddb = 0;
  // "dBAR-003-0001b0f6-00053a1e-1e02b503.bin", and the path on the server before it.
  std::string FileName() const;
  std::string Path() const;
};

AccurateRipIds AccurateRipIdsOf(const TableOfContents& toc);

struct DbarTrack {
  int confidence = 0;
  std::uint32_t checksum = 0;  // v1 or v2
  std::uint32_t checksum450 = 0;
};

using DbarPressing = std::vector<DbarTrack>;

// The pressings of a dBAR file; false (malformed) when its size or a header does not fit the disc.
bool ParseDbar(const std::string& bytes, const AccurateRipIds& ids, std::vector<DbarPressing>& pressings);

struct TrackVerdict {
  enum class Kind { Accurate, AccurateWithOffset, NotAccurate, NotInDatabase, NotVerified };
  Kind kind = Kind::NotVerified;
  int confidence = 0;
  int v2Confidence = 0;                  // of the pressings whose v2 checksum the track matches: a v1 match alone
                                         // may be a drive's damage that v1 cannot see
  int offset = 0;                        // frames, for AccurateWithOffset
  std::vector<std::uint32_t> database;   // what the database holds, for NotAccurate
  // "accurate (confidence 5)", "accurate with offset +6", "not accurate (database holds 1a2b3c4d)",
  // "not in database", "not verified".
  std::string Text() const;
};

// audioIndex counts the disc's audio tracks from 0. An empty list of pressings: the disc is not in the
// database.
TrackVerdict VerifyTrack(const std::vector<DbarPressing>& pressings, std::size_t audioIndex,
                         const TrackChecksums& checksums);

// A v2 checksum match that at least two submissions back.
bool ConfirmedByV2(const TrackVerdict& verdict);

// "accurate (3 of 3 tracks)", "not accurate (1 of 3 tracks accurate)", "not in database", "not verified".
std::string DiscVerdictText(const std::vector<TrackVerdict>& tracks);
