#pragma once
// The AccurateRip database's side of a rip: the disc's IDs and the path of its dBAR file, the dBAR file's
// format (one response per pressing of the disc), and the verdict on each ripped track.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cd/ShiftedTrackSums.h"
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
  // HiddenAudio: the audio before the first track, which no database holds.
  enum class Kind { Accurate, AccurateWithOffset, NotAccurate, NotInDatabase, NotVerified, HiddenAudio };
  Kind kind = Kind::NotVerified;
  int confidence = 0;
  int v2Confidence = 0;                  // of the pressings whose v2 checksum the track matches: a v1 match alone
                                         // may be a drive's damage that v1 cannot see
  int offset = 0;                        // frames, for AccurateWithOffset
  std::vector<std::uint32_t> database;   // what the database holds, for NotAccurate
  std::vector<DbarTrack> entries;        // each pressing's entry for the track that rips back
  std::vector<int> possibleOffsets;      // NotAccurate: shifts at which block 450 alone matches a pressing
  // "accurate (confidence 5)", "accurate with offset +6 (confidence 5)", "not accurate (database holds
  // 1a2b3c4d)", "not in database", "not verified", "hidden audio, not in the databases".
  std::string Text() const;
};

// The track's whole-track v1 and v2 sums read at each of the shifts (frames; see ShiftedTrackSums).
using ShiftedSumsOf = std::function<std::vector<ShiftedTrackSums::Sums>(const std::vector<int>& shifts)>;

// The shifts other than 0 (with withZero, 0 too) at which the track's block-450 sum equals a pressing's,
// nearest 0 first (a shift and its opposite: the later one first), at most kMostCandidates of them. discTrack
// counts the disc's tracks from 0, data tracks included: the database lists each pressing's tracks by their
// place on the disc.
constexpr std::size_t kMostCandidates = 64;
std::vector<int> OffsetCandidates(const std::vector<DbarPressing>& pressings, std::size_t discTrack,
                                  const TrackChecksums& checksums, bool withZero = false);

// The highest confidence of a pressing that holds checksum (v1 or v2) for the track; 0 when none does.
int ConfidenceOf(const std::vector<DbarPressing>& pressings, std::size_t discTrack, std::uint32_t checksum);

// The track's verdict. Its sums as read decide "accurate"; where no pressing holds them, a shift at which
// its block-450 sum matches a pressing's, or at which other tracks of the disc proved out (discOffsets: a
// track too short for block 450 has only those), is proved on the whole track's sums at that shift; the
// candidate nearest 0 that proves out is taken. An empty list of pressings: the disc is not in the database.
TrackVerdict VerifyTrack(const std::vector<DbarPressing>& pressings, std::size_t discTrack,
                         const TrackChecksums& checksums, const ShiftedSumsOf& sumsAt,
                         const std::vector<int>& discOffsets = {});

// An offset as the verdicts write it: "+6", "0", "-1200".
std::string SignedOffset(int offset);

// A v2 checksum match that at least two submissions back.
bool ConfirmedByV2(const TrackVerdict& verdict);

// What the tracks say of the disc: "accurate (3 of 3 tracks)", "accurate with offset +6 (3 of 3 tracks)",
// "8 of 99 tracks accurate, 91 not in database", "1 of 3 tracks accurate, 2 not accurate", "not in database",
// "not verified".
std::string DiscVerdictText(const std::vector<TrackVerdict>& tracks);
