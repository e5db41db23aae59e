#include "cd/AccurateRip.h"

#include <algorithm>
#include <cstdio>

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

TrackVerdict VerifyTrack(const std::vector<DbarPressing>& pressings, std::size_t audioIndex,
                         const TrackChecksums& checksums) {
  TrackVerdict verdict;
  verdict.kind = TrackVerdict::Kind::NotInDatabase;
  const TrackSums& sums = checksums.Sums();
  for (const DbarPressing& pressing : pressings) {
    const DbarTrack& entry = pressing[audioIndex];
    if (entry.confidence == 0) continue;
    if (entry.checksum == sums.arV1 || entry.checksum == sums.arV2) {
      verdict.kind = TrackVerdict::Kind::Accurate;
      verdict.confidence = std::max(verdict.confidence, entry.confidence);
      if (entry.checksum == sums.arV2) verdict.v2Confidence = std::max(verdict.v2Confidence, entry.confidence);
    } else if (verdict.kind == TrackVerdict::Kind::NotInDatabase) {
      verdict.kind = TrackVerdict::Kind::NotAccurate;
    }
    if (verdict.kind == TrackVerdict::Kind::NotAccurate) verdict.database.push_back(entry.checksum);
  }
  if (verdict.kind != TrackVerdict::Kind::NotAccurate) return verdict;
  // A rip that matches a pressing only when read some frames later or earlier came from a drive whose read
  // offset is set wrongly; the block-450 sums find that shift.
  for (int shift = -TrackChecksums::kSearchFrames; shift <= TrackChecksums::kSearchFrames; ++shift) {
    if (shift == 0) continue;
    std::uint32_t sum = checksums.Ar450At(shift);
    for (const DbarPressing& pressing : pressings) {
      const DbarTrack& entry = pressing[audioIndex];
      if (entry.confidence == 0 || entry.checksum450 == 0 || entry.checksum450 != sum) continue;
      verdict.kind = TrackVerdict::Kind::AccurateWithOffset;
      verdict.offset = shift;
      verdict.confidence = entry.confidence;
      return verdict;
    }
  }
  return verdict;
}

std::string TrackVerdict::Text() const {
  switch (kind) {
    case Kind::Accurate:
      return "accurate (confidence " + std::to_string(confidence) + ")";
    case Kind::AccurateWithOffset:
      return std::string("accurate with offset ") + (offset > 0 ? "+" : "") + std::to_string(offset);
    case Kind::NotAccurate: {
      std::string held;
      for (std::uint32_t checksum : database) held += (held.empty() ? "" : ", ") + Hex8(checksum);
      return "not accurate (database holds " + held + ")";
    }
    case Kind::NotInDatabase:
      return "not in database";
    case Kind::NotVerified:
      break;
  }
  return "not verified";
}

bool ConfirmedByV2(const TrackVerdict& verdict) {
  return verdict.kind == TrackVerdict::Kind::Accurate && verdict.v2Confidence >= 2;
}

std::string DiscVerdictText(const std::vector<TrackVerdict>& tracks) {
  std::size_t accurate = 0, unknown = 0, absent = 0;
  for (const TrackVerdict& track : tracks) {
    if (track.kind == TrackVerdict::Kind::Accurate) ++accurate;
    if (track.kind == TrackVerdict::Kind::NotVerified) ++unknown;
    if (track.kind == TrackVerdict::Kind::NotInDatabase) ++absent;
  }
  std::string count = std::to_string(accurate) + " of " + std::to_string(tracks.size()) + " tracks";
  if (tracks.empty() || unknown == tracks.size()) return "not verified";
  if (absent == tracks.size()) return "not in database";
  if (accurate == tracks.size()) return "accurate (" + count + ")";
  return "not accurate (" + count + " accurate)";
}
