#include "cd/AccurateRip.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "platform/akrip32/CddbClient.h"

namespace {

constexpr std::size_t kHeaderBytes = 13;
constexpr std::size_t kTrackBytes = 9;

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
  auto byte = [&](std::size_t i) { return std::uint32_t(static_cast<unsigned char>(bytes[at + i])); };
  return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

std::string Hex8(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

}  // namespace

std::string AccurateRipIds::FileName() const {
  char text[64];
  std::snprintf(text, sizeof text, "dBAR-%03d-%08x-%08x-%08x.bin", audioTracks, id1, id2, cddb);
  return text;
}

std::string AccurateRipIds::Path() const {
  char folders[16];
  std::snprintf(folders, sizeof folders, "%x/%x/%x/", id1 & 0xF, id1 >> 4 & 0xF, id1 >> 8 & 0xF);
  return "accuraterip/" + std::string(folders) + FileName();
}

AccurateRipIds AccurateRipIdsOf(const TableOfContents& toc) {
  AccurateRipIds ids;
  for (int k = 0; k < toc.TrackCount(); ++k) {
    if (!toc.entries[k].audio) continue;
    ++ids.audioTracks;
    ids.id1 += toc.entries[k].start;
    ids.id2 += std::max<std::uint32_t>(toc.entries[k].start, 1) * static_cast<std::uint32_t>(ids.audioTracks);
  }
  ids.id1 += toc.Leadout();
  ids.id2 += toc.Leadout() * static_cast<std::uint32_t>(ids.audioTracks + 1);
  CddbDisc disc;
  for (int k = 0; k < toc.TrackCount(); ++k) disc.trackStarts.push_back(toc.entries[k].start);
  disc.leadout = toc.Leadout();
  ids.cddb = CddbDiscIdOf(disc);
  return ids;
}

bool ParseDbar(const std::string& bytes, const AccurateRipIds& ids, std::vector<DbarPressing>& pressings) {
  pressings.clear();
  const std::size_t size = kHeaderBytes + kTrackBytes * static_cast<std::size_t>(ids.audioTracks);
  if (ids.audioTracks == 0 || bytes.size() % size != 0) return false;
  for (std::size_t at = 0; at < bytes.size(); at += size) {
    if (static_cast<unsigned char>(bytes[at]) != ids.audioTracks || Le32(bytes, at + 1) != ids.id1 ||
        Le32(bytes, at + 5) != ids.id2 || Le32(bytes, at + 9) != ids.cddb)
      return false;
    DbarPressing pressing;
    for (std::size_t track = at + kHeaderBytes; track < at + size; track += kTrackBytes)
      pressing.push_back({static_cast<unsigned char>(bytes[track]), Le32(bytes, track + 1), Le32(bytes, track + 5)});
    pressings.push_back(pressing);
  }
  return true;
}

std::vector<int> OffsetCandidates(const std::vector<DbarPressing>& pressings, std::size_t discTrack,
                                  const TrackChecksums& checksums, bool withZero) {
  std::vector<int> shifts;
  auto take = [&](int shift) {
    const std::uint32_t sum = checksums.Ar450At(shift);
    bool matches = std::any_of(pressings.begin(), pressings.end(), [&](const DbarPressing& pressing) {
      const DbarTrack* entry = discTrack < pressing.size() ? &pressing[discTrack] : nullptr;
      return entry != nullptr && entry->confidence > 0 && entry->checksum450 != 0 && entry->checksum450 == sum;
    });
    if (matches && shifts.size() < kMostCandidates) shifts.push_back(shift);
  };
  if (withZero) take(0);
  for (int distance = 1; distance <= TrackChecksums::kSearchFrames && shifts.size() < kMostCandidates; ++distance) {
    take(distance);
    take(-distance);
  }
  return shifts;
}

int ConfidenceOf(const std::vector<DbarPressing>& pressings, std::size_t discTrack, std::uint32_t checksum) {
  int confidence = 0;
  for (const DbarPressing& pressing : pressings) {
    if (discTrack >= pressing.size()) continue;
    const DbarTrack& entry = pressing[discTrack];
    if (entry.confidence > 0 && entry.checksum == checksum) confidence = std::max(confidence, entry.confidence);
  }
  return confidence;
}

TrackVerdict VerifyTrack(const std::vector<DbarPressing>& pressings, std::size_t discTrack,
                         const TrackChecksums& checksums, const ShiftedSumsOf& sumsAt,
                         const std::vector<int>& discOffsets) {
  TrackVerdict verdict;
  verdict.kind = TrackVerdict::Kind::NotInDatabase;
  const TrackSums& sums = checksums.Sums();
  for (const DbarPressing& pressing : pressings) {
    if (discTrack >= pressing.size() || pressing[discTrack].confidence == 0) continue;
    verdict.kind = TrackVerdict::Kind::NotAccurate;
    verdict.database.push_back(pressing[discTrack].checksum);
    verdict.entries.push_back(pressing[discTrack]);
  }
  if (verdict.kind == TrackVerdict::Kind::NotInDatabase) return verdict;
  verdict.v2Confidence = ConfidenceOf(pressings, discTrack, sums.arV2);
  verdict.confidence = std::max(verdict.v2Confidence, ConfidenceOf(pressings, discTrack, sums.arV1));
  if (verdict.confidence > 0) {
    verdict.kind = TrackVerdict::Kind::Accurate;
    verdict.database.clear();
    return verdict;
  }
  // A drive whose read offset is set wrongly gives a track that matches a pressing only when read some frames
  // later or earlier: block 450 finds the shifts worth proving, the whole track proves one.
  const std::vector<int> matches450 = OffsetCandidates(pressings, discTrack, checksums);
  std::vector<int> candidates = matches450;
  for (int offset : discOffsets)
    if (offset != 0 && std::find(candidates.begin(), candidates.end(), offset) == candidates.end()) candidates.push_back(offset);
  std::stable_sort(candidates.begin(), candidates.end(), [](int a, int b) { return std::abs(a) < std::abs(b); });
  if (candidates.empty() || !sumsAt) return verdict;
  for (const ShiftedTrackSums::Sums& shifted : sumsAt(candidates)) {
    const int v2 = ConfidenceOf(pressings, discTrack, shifted.v2);
    const int confidence = std::max(v2, ConfidenceOf(pressings, discTrack, shifted.v1));
    if (confidence == 0) continue;
    verdict.kind = TrackVerdict::Kind::AccurateWithOffset;
    verdict.offset = shifted.shift;
    verdict.confidence = confidence;
    verdict.v2Confidence = v2;
    verdict.database.clear();
    return verdict;
  }
  verdict.possibleOffsets = matches450;
  return verdict;
}

std::string TrackVerdict::Text() const {
  switch (kind) {
    case Kind::Accurate:
      return "accurate (confidence " + std::to_string(confidence) + ")";
    case Kind::AccurateWithOffset:
      return "accurate with offset " + SignedOffset(offset) + " (confidence " + std::to_string(confidence) + ")";
    case Kind::NotAccurate: {
      std::string held;
      for (std::uint32_t checksum : database) held += (held.empty() ? "" : ", ") + Hex8(checksum);
      return "not accurate (database holds " + held + ")";
    }
    case Kind::NotInDatabase:
      return "not in database";
    case Kind::HiddenAudio:
      return "hidden audio, not in the databases";
    case Kind::NotVerified:
      break;
  }
  return "not verified";
}

std::string SignedOffset(int offset) {
  std::string text = std::to_string(offset);
  return offset > 0 ? "+" + text : text;
}

bool ConfirmedByV2(const TrackVerdict& verdict) {
  return verdict.kind == TrackVerdict::Kind::Accurate && verdict.v2Confidence >= 2;
}

namespace {

std::string Tracks(std::size_t count, std::size_t of) {
  return std::to_string(count) + " of " + std::to_string(of) + (of == 1 ? " track" : " tracks");
}

}  // namespace

std::string DiscVerdictText(const std::vector<TrackVerdict>& tracks) {
  std::size_t accurate = 0, shifted = 0, contradicted = 0, absent = 0, unknown = 0;
  std::set<int> offsets;
  for (const TrackVerdict& track : tracks) {
    switch (track.kind) {
      case TrackVerdict::Kind::Accurate:
        ++accurate;
        break;
      case TrackVerdict::Kind::AccurateWithOffset:
        ++shifted;
        offsets.insert(track.offset);
        break;
      case TrackVerdict::Kind::NotAccurate:
        ++contradicted;
        break;
      case TrackVerdict::Kind::NotInDatabase:
        ++absent;
        break;
      case TrackVerdict::Kind::NotVerified:
      case TrackVerdict::Kind::HiddenAudio:
        ++unknown;
        break;
    }
  }
  const std::size_t all = tracks.size();
  if (all == 0 || unknown == all) return "not verified";
  if (absent == all) return "not in database";
  if (accurate == all) return "accurate (" + Tracks(all, all) + ")";
  if (shifted == all && offsets.size() == 1)
    return "accurate with offset " + SignedOffset(*offsets.begin()) + " (" + Tracks(all, all) + ")";
  // Say what is known, part by part.
  std::vector<std::string> parts;
  if (accurate > 0) parts.push_back(Tracks(accurate, all) + " accurate");
  if (shifted > 0) {
    std::string with;
    for (int offset : offsets) with += (with.empty() ? "" : ", ") + SignedOffset(offset);
    parts.push_back((parts.empty() ? Tracks(shifted, all) : std::to_string(shifted)) + " accurate with offset " + with);
  }
  if (contradicted > 0)
    parts.push_back((parts.empty() ? Tracks(contradicted, all) : std::to_string(contradicted)) + " not accurate");
  if (absent > 0) parts.push_back(std::to_string(absent) + " not in database");
  if (unknown > 0) parts.push_back(std::to_string(unknown) + " not verified");
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}
