#include "cd/Ctdb.h"

#include <algorithm>
#include <utility>

#include "cd/Crc32.h"

// The rip and verify read the audio around a track for AccurateRip's shifts; it serves these too.
static_assert(kCtdbShiftFrames <= TrackChecksums::kSearchFrames);

namespace {

constexpr std::uint64_t kAround = kCtdbShiftFrames;
constexpr std::size_t kWindowBytes = 2 * kAround * 4;

// The PCM of frames [from - kAround, from + kAround) of the run's first track, what lies before the track taken
// from before; empty when the track is too short for it or before does not reach.
std::vector<std::uint8_t> HeadWindow(const CtdbTrackPart& first, const std::vector<std::uint8_t>& before) {
  const std::size_t missing = first.from < kAround ? std::size_t(kAround - first.from) * 4 : 0;
  if (first.from + kAround > first.frames || before.size() < missing || first.head.size() + missing != kWindowBytes)
    return {};
  std::vector<std::uint8_t> window(before.end() - std::ptrdiff_t(missing), before.end());
  window.insert(window.end(), first.head.begin(), first.head.end());
  return window;
}

// The PCM of frames [to - kAround, to + kAround) of the run's last track, what lies after it taken from after.
std::vector<std::uint8_t> TailWindow(const CtdbTrackPart& last, const std::vector<std::uint8_t>& after) {
  const std::size_t missing = last.to + kAround > last.frames ? std::size_t(last.to + kAround - last.frames) * 4 : 0;
  if (last.to < last.from + kAround || after.size() < missing || last.tail.size() + missing != kWindowBytes) return {};
  std::vector<std::uint8_t> window(last.tail);
  window.insert(window.end(), after.begin(), after.begin() + std::ptrdiff_t(missing));
  return window;
}

// The shift nearest 0 (of a shift and its opposite, the later first) at whose CRC confidenceOf finds entries,
// and their confidence; a confidence of 0 when there is none.
std::pair<int, int> NearestMatch(const std::vector<std::uint32_t>& crcs, const std::function<int(std::uint32_t)>& confidenceOf) {
  if (crcs.size() != 2 * kAround + 1) return {0, 0};
  for (int distance = 1; distance <= int(kAround); ++distance)
    for (int shift : {distance, -distance})
      if (int confidence = confidenceOf(crcs[std::size_t(shift + int(kAround))]); confidence > 0) return {shift, confidence};
  return {0, 0};
}

}  // namespace

// A read shift frames later covers the head window from frame kAround + shift on, the CRC of the middle (known
// from the read itself: the body without the head window's second half), and the tail window up to frame
// kAround + shift. Both window parts grow or shrink by a frame a step, so each shift costs a few combines.
std::vector<std::uint32_t> CtdbCrcsAtShifts(const std::vector<const CtdbTrackPart*>& run, const AudioAround& around) {
  if (run.empty()) return {};
  const std::vector<std::uint8_t> head = HeadWindow(*run.front(), around.before);
  const std::vector<std::uint8_t> tail = TailWindow(*run.back(), around.after);
  if (head.empty() || tail.empty()) return {};
  std::uint32_t body = 0;  // of [first track's from, last track's to - kAround)
  std::uint64_t bodyBytes = 0;
  for (std::size_t i = 0; i < run.size(); ++i) {
    const bool last = i + 1 == run.size();
    const std::uint64_t bytes = ((last ? run[i]->to - kAround : run[i]->to) - run[i]->from) * 4;
    body = Crc32Combine(body, last ? run[i]->body : run[i]->crc, bytes);
    bodyBytes += bytes;
  }
  if (bodyBytes < kAround * 4) return {};
  const std::uint64_t middleBytes = bodyBytes - kAround * 4;
  const std::uint32_t middle = Crc32Combine(Crc32(0, head.data() + kAround * 4, kAround * 4), body, middleBytes);
  const std::uint32_t wholeHead = Crc32(0, head.data(), head.size());
  std::vector<std::uint32_t> crcs;
  crcs.reserve(2 * kAround + 1);
  std::uint32_t headBefore = 0, tailIn = 0;  // CRCs of the head window before the read, the tail window in it
  for (std::size_t frame = 0; frame <= 2 * kAround; ++frame) {
    const std::uint32_t headIn = Crc32Combine(headBefore, wholeHead, (2 * kAround - frame) * 4);
    crcs.push_back(Crc32Combine(Crc32Combine(headIn, middle, middleBytes), tailIn, frame * 4));
    if (frame == 2 * kAround) break;
    headBefore = Crc32(headBefore, head.data() + frame * 4, 4);
    tailIn = Crc32(tailIn, tail.data() + frame * 4, 4);
  }
  return crcs;
}

std::uint32_t CtdbDiscCrc(const std::vector<const CtdbTrackPart*>& tracks) {
  std::uint32_t crc = 0;
  for (const CtdbTrackPart* track : tracks) crc = Crc32Combine(crc, track->crc, (track->to - track->from) * 4);
  return crc;
}

TrackVerdict VerifyCtdbTrack(const std::vector<CtdbEntry>& entries, std::size_t audioTrack, const CtdbTrackPart& part,
                             const AudioAroundOf& around) {
  TrackVerdict verdict;
  verdict.kind = entries.empty() ? TrackVerdict::Kind::NotInDatabase : TrackVerdict::Kind::NotVerified;
  for (const CtdbEntry& entry : entries)
    if (audioTrack < entry.trackCrcs.size() &&
        std::find(verdict.database.begin(), verdict.database.end(), entry.trackCrcs[audioTrack]) == verdict.database.end())
      verdict.database.push_back(entry.trackCrcs[audioTrack]);
  if (verdict.database.empty()) return verdict;
  verdict.kind = TrackVerdict::Kind::NotAccurate;
  auto confidenceOf = [&](std::uint32_t crc) {
    int confidence = 0;
    for (const CtdbEntry& entry : entries)
      if (audioTrack < entry.trackCrcs.size() && entry.trackCrcs[audioTrack] == crc) confidence += entry.confidence;
    return confidence;
  };
  verdict.confidence = confidenceOf(part.crc);
  if (verdict.confidence > 0) {
    verdict.kind = TrackVerdict::Kind::Accurate;
  } else if (around) {
    std::tie(verdict.offset, verdict.confidence) = NearestMatch(CtdbCrcsAtShifts({&part}, around()), confidenceOf);
    if (verdict.confidence > 0) verdict.kind = TrackVerdict::Kind::AccurateWithOffset;
  }
  if (verdict.confidence > 0) verdict.database.clear();
  return verdict;
}

std::string CtdbDiscVerdictText(const std::vector<CtdbEntry>& entries, const std::vector<const CtdbTrackPart*>& tracks,
                                const std::vector<TrackVerdict>& verdicts) {
  if (entries.empty()) return DiscVerdictText(verdicts);
  TrackVerdict disc;
  disc.kind = TrackVerdict::Kind::NotAccurate;
  for (const CtdbEntry& entry : entries)
    if (std::find(disc.database.begin(), disc.database.end(), entry.crc) == disc.database.end())
      disc.database.push_back(entry.crc);
  if (!tracks.empty()) {
    auto confidenceOf = [&](std::uint32_t crc) {
      int confidence = 0;
      for (const CtdbEntry& entry : entries)
        if (entry.crc == crc) confidence += entry.confidence;
      return confidence;
    };
    disc.confidence = confidenceOf(CtdbDiscCrc(tracks));
    disc.kind = TrackVerdict::Kind::Accurate;
    if (disc.confidence == 0) {
      std::tie(disc.offset, disc.confidence) = NearestMatch(CtdbCrcsAtShifts(tracks, {}), confidenceOf);
      disc.kind = TrackVerdict::Kind::AccurateWithOffset;
    }
    if (disc.confidence > 0) return disc.Text();
    disc.kind = TrackVerdict::Kind::NotAccurate;
  }
  if (std::any_of(entries.begin(), entries.end(), [](const CtdbEntry& entry) { return !entry.trackCrcs.empty(); }))
    return DiscVerdictText(verdicts);
  // The entries hold the whole disc's CRC only: without every track it is not known.
  return tracks.empty() ? "not verified (the database holds the whole disc's CRC only)" : disc.Text();
}

bool ConfirmedByCtdb(const TrackVerdict& verdict) {
  return verdict.kind == TrackVerdict::Kind::Accurate && verdict.confidence >= 2;
}
