#include "platform/akrip32/SecureReader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/VerboseNotes.h"

namespace {

std::atomic<std::chrono::milliseconds::rep> gBlockTimeLimit{5000};

bool Same(const std::uint8_t* a, const std::uint8_t* b) { return std::memcmp(a, b, CD_BLOCK_BYTES) == 0; }

}  // namespace

SecureReader::SecureReader(SectorReader& reader, const DiscLayout& layout) : FReader(reader) {
  for (std::size_t i = 0; i < layout.tracks.size(); ++i) {
    FTrackStarts.push_back(layout.tracks[i].start);
    if (layout.tracks[i].audio) FAudio.emplace_back(layout.tracks[i].start, layout.AudioEnd(i));
  }
}

void SecureReader::SetBlockTimeLimit(std::chrono::milliseconds limit) { gBlockTimeLimit = limit.count(); }

void SecureReader::Forget() {
  FVerified.clear();
  FUnreadable.clear();
}

BlockRead SecureReader::Read(std::int32_t lba, std::int32_t count, std::int32_t readAhead, bool quick,
                             std::uint8_t* out, const std::atomic<bool>* cancel) {
  FCancel = cancel;
  BlockRead result;
  const std::int32_t end = std::max(readAhead, lba + count);
  for (std::int32_t block = lba; block < lba + count; ++block) {
    if (FVerified.count(block) == 0 && FUnreadable.count(block) == 0) {
      Outcome outcome = ReadWindow(block, std::min(end, block + kWindowBlocks), quick);
      if (outcome != Outcome::Done) {
        result.delivered = false;
        result.cancelled = outcome == Outcome::Cancelled;
        result.unreadable.clear();
        return result;
      }
    }
    std::uint8_t* to = out + static_cast<std::size_t>(block - lba) * CD_BLOCK_BYTES;
    auto found = FVerified.find(block);
    if (found != FVerified.end()) {
      std::memcpy(to, found->second.data(), CD_BLOCK_BYTES);
    } else {
      std::memset(to, 0, CD_BLOCK_BYTES);
      result.unreadable.push_back(block);
    }
  }
  Delivered(lba, count, out, result.unreadable);
  return result;
}

void SecureReader::Delivered(std::int32_t lba, std::int32_t count, const std::uint8_t* data,
                             const std::vector<std::int32_t>& unreadable) {
  const std::int32_t last = lba + count - 1;
  if (FLastDelivered >= 0 && FLastDelivered != last && !NearTrackStart(FLastDelivered)) FReferences.erase(FLastDelivered);
  for (std::int32_t block = lba; block <= last; ++block) {
    if (std::binary_search(unreadable.begin(), unreadable.end(), block)) {
      FReferences.erase(block);
      continue;
    }
    if (block != last && !NearTrackStart(block)) continue;
    Block& kept = FReferences[block];
    std::memcpy(kept.data(), data + static_cast<std::size_t>(block - lba) * CD_BLOCK_BYTES, CD_BLOCK_BYTES);
  }
  FLastDelivered = last;
}

// The reads of a window are checked against the block before it. When that block is audio but not known, the
// window holds it too: it is tried as long as the others, but never reported, as nobody asked for it.
SecureReader::Outcome SecureReader::ReadWindow(std::int32_t start, std::int32_t end, bool quick) {
  FVerified.erase(FVerified.begin(), FVerified.lower_bound(start - 1));
  FUnreadable.erase(FUnreadable.begin(), FUnreadable.lower_bound(start));
  Window window;
  window.asked = start;
  window.quick = quick;
  window.first = IsAudio(start - 1) && Known(window, start - 1) == nullptr ? start - 1 : start;
  window.blocks.resize(static_cast<std::size_t>(end - window.first));
  for (int pass = 0; pass < 2; ++pass) {
    if (pass > 0 && DefeatCache(window) != Outcome::Done) return Outcome::Cancelled;
    Outcome outcome = Sweep(window, window.first, end, false);
    if (outcome != Outcome::Done) return outcome;
  }
  Settle(window);
  for (int round = 1; Unsettled(window); ++round) {
    NoteRound(window, round);
    Outcome outcome = DefeatCache(window);
    if (outcome == Outcome::Done) outcome = Round(window);
    if (outcome != Outcome::Done) return outcome;
    Settle(window);
  }
  Keep(window);
  return Outcome::Done;
}

// Reads [from, to) once, each drive command checked against the block before it: the block this sweep read
// last, or one known already. A read that follows nothing known (at the start of the audio, past a block
// that failed, past a read that started off) is checked afterwards: its reads count once the next read, which
// starts with its last block, gives that block as it gave it; until then they count only together with a
// checked read, as a drive that starts off at one place by another amount each time may start off twice
// alike. Past a failed block the first read is of one block, so that the next read checks it even where
// another failed block follows soon. A pass reads on past a read that started off; a round (carefully) stops
// there, and the blocks after it wait for the next round.
SecureReader::Outcome SecureReader::Sweep(Window& window, std::int32_t from, std::int32_t to, bool carefully) {
  std::optional<Block> previous;
  if (const Block* known = Known(window, from - 1)) previous = *known;
  std::vector<std::pair<std::int32_t, std::size_t>> unchecked;  // blocks and the versions their reads gave
  bool alone = false;  // past a failed block: one block, so that the next read checks it before the next failure
  for (std::int32_t at = from; at < to;) {
    const std::int32_t count = alone ? 1 : std::min(to - at, window.At(at).runLimit);
    alone = false;
    const bool anchored = previous.has_value();
    long got = 0;
    Outcome outcome = DriveRead(anchored ? at - 1 : at, count + (anchored ? 1 : 0), got);
    if (outcome != Outcome::Done) return outcome;
    if (anchored && got == 0) {  // the block before failed this time: read on without it
      if (!FReader.DiscPresent()) return Outcome::Gone;
      previous.reset();
      unchecked.clear();
      continue;
    }
    const std::uint8_t* data = FBuffer.data() + (anchored ? CD_BLOCK_BYTES : 0);
    if (anchored && StartedOff(FBuffer.data(), previous->data())) {
      // None of the read is taken, and its blocks are read in smaller pieces from now on.
      for (std::int32_t block = at; block < at + count; ++block) {
        Attempted(window.At(block));
        window.At(block).runLimit = std::max(1, count / 2);
      }
      if (carefully) return Outcome::Done;
      previous.reset();
      unchecked.clear();
      at += count;
      continue;
    }
    if (anchored) {
      for (const auto& [block, version] : unchecked) Confirm(window.At(block), version);
      unchecked.clear();
    }
    const std::int32_t blocks = static_cast<std::int32_t>(got) - (anchored ? 1 : 0);
    for (std::int32_t i = 0; i < blocks; ++i) {
      std::size_t version = Take(window.At(at + i), data + static_cast<std::size_t>(i) * CD_BLOCK_BYTES, anchored);
      if (!anchored) unchecked.emplace_back(at + i, version);
    }
    if (blocks < count) {
      Attempted(window.At(at + blocks));
      if (!FReader.DiscPresent()) return Outcome::Gone;
      previous.reset();
      unchecked.clear();
      alone = true;
      at += blocks + 1;
      continue;
    }
    previous.emplace();
    std::memcpy(previous->data(), data + static_cast<std::size_t>(count - 1) * CD_BLOCK_BYTES, CD_BLOCK_BYTES);
    at += count;
  }
  return Outcome::Done;
}

// A read starts off when it gives the known block it starts with a few samples early or late: it agrees with
// the block shifted, far better than as it is. One that gives it otherwise changed has read that block wrong
// this time (noise), and its other blocks stand. Noise in the block does not hide a shift.
bool SecureReader::StartedOff(const std::uint8_t* read, const std::uint8_t* known) {
  if (Same(read, known)) return false;
  const double unshifted = Agreement(read, known, 0);
  for (int shift = 1; shift <= kJitterFrames; ++shift)
    for (int sign : {1, -1})
      if (Agreement(read, known, sign * shift) > std::max(0.9, unshifted + 0.3)) return true;
  return false;
}

// The share of the bytes (a sample of them) in which read agrees with known when it starts shift frames into
// it (negative: before it).
double SecureReader::Agreement(const std::uint8_t* read, const std::uint8_t* known, int shift) {
  constexpr int kStep = 7;  // every seventh byte: all four bytes of a frame come into it
  const int by = shift * 4;
  const int first = std::max(0, -by), end = std::min<int>(CD_BLOCK_BYTES, CD_BLOCK_BYTES - by);
  int compared = 0, alike = 0;
  for (int at = first; at < end; at += kStep, ++compared) alike += read[at] == known[at + by] ? 1 : 0;
  return compared == 0 ? 0 : double(alike) / compared;
}

// Reads every stretch of blocks not settled yet once more. A stretch that follows no known block (the block
// before it is unreadable, or lies before the disc's audio) starts with its first block alone, so that the
// reads of its other blocks are checked against that one.
SecureReader::Outcome SecureReader::Round(Window& window) {
  for (std::int32_t at = window.first; at < window.End();) {
    if (window.At(at).settled) {
      ++at;
      continue;
    }
    std::int32_t end = at;
    while (end < window.End() && !window.At(end).settled) ++end;
    if (Known(window, at - 1) == nullptr) window.At(at).runLimit = 1;
    Outcome outcome = Sweep(window, at, end, true);
    if (outcome != Outcome::Done) return outcome;
    at = end;
  }
  return Outcome::Done;
}

void SecureReader::NoteRound(const Window& window, int round) const {
  if (!VerboseNotesWanted()) return;
  const auto open = std::count_if(window.blocks.begin(), window.blocks.end(), [](const Candidate& c) { return !c.settled; });
  VerboseNote("blocks " + std::to_string(window.first) + "-" + std::to_string(window.End() - 1) + ": reread round " +
              std::to_string(round) + ", " + std::to_string(open) + " blocks not verified yet");
}

// One block far from the window: the drive fills its cache there, so that the next read of the window comes
// from the disc again.
SecureReader::Outcome SecureReader::DefeatCache(const Window& window) {
  const std::int32_t far = FarBlock(window.first, window.End());
  long got = 0;
  return DriveRead(far, 1, got);
}

SecureReader::Outcome SecureReader::DriveRead(std::int32_t lsn, long count, long& got) {
  if (FCancel != nullptr && FCancel->load()) return Outcome::Cancelled;
  FBuffer.resize(static_cast<std::size_t>(count) * CD_BLOCK_BYTES);
  got = FReader.Read(FBuffer.data(), lsn, count);
  return Outcome::Done;
}

void SecureReader::Attempted(Candidate& candidate) {
  if (candidate.attempts++ == 0) candidate.firstTry = Clock::now();
}

// A block is verified once two reads gave it alike and one of them was checked.
std::size_t SecureReader::Take(Candidate& candidate, const std::uint8_t* data, bool checked) {
  if (candidate.settled) return 0;
  Attempted(candidate);
  for (std::size_t i = 0; i < candidate.reads.size(); ++i) {
    Version& version = candidate.reads[i];
    if (!Same(version.data.data(), data)) continue;
    ++version.reads;
    version.checked = version.checked || checked;
    Verify(candidate, i);
    return i;
  }
  candidate.reads.push_back({{}, 1, checked});
  std::memcpy(candidate.reads.back().data.data(), data, CD_BLOCK_BYTES);
  return candidate.reads.size() - 1;
}

void SecureReader::Confirm(Candidate& candidate, std::size_t version) {
  if (candidate.settled) return;
  candidate.reads[version].checked = true;
  Verify(candidate, version);
}

void SecureReader::Verify(Candidate& candidate, std::size_t version) {
  if (candidate.reads[version].reads < 2 || !candidate.reads[version].checked) return;
  candidate.settled = candidate.verified = true;
  candidate.reads = {candidate.reads[version]};
}

bool SecureReader::Exhausted(const Candidate& candidate, bool quick) {
  if (candidate.attempts >= (quick ? kMinAttempts : kMaxAttempts)) return true;
  return candidate.attempts >= kMinAttempts &&
         Clock::now() - candidate.firstTry >= std::chrono::milliseconds(gBlockTimeLimit.load());
}

bool SecureReader::Unsettled(const Window& window) {
  return std::any_of(window.blocks.begin(), window.blocks.end(), [](const Candidate& c) { return !c.settled; });
}

void SecureReader::Settle(Window& window) const {
  for (Candidate& candidate : window.blocks)
    if (!candidate.settled && Exhausted(candidate, window.quick)) candidate.settled = true;
}

void SecureReader::Keep(const Window& window) {
  for (std::int32_t block = window.first; block < window.End(); ++block) {
    const Candidate& candidate = window.At(block);
    if (candidate.verified) FVerified[block] = candidate.reads.front().data;
    else if (block >= window.asked) FUnreadable.insert(block);
  }
}

// Inside the window only what two of its reads agreed on counts; outside it, what was verified or delivered.
const SecureReader::Block* SecureReader::Known(const Window& window, std::int32_t block) const {
  if (window.Holds(block)) {
    const Candidate& candidate = window.At(block);
    return candidate.verified ? &candidate.reads.front().data : nullptr;
  }
  auto verified = FVerified.find(block);
  if (verified != FVerified.end()) return &verified->second;
  auto reference = FReferences.find(block);
  return reference != FReferences.end() ? &reference->second : nullptr;
}

bool SecureReader::IsAudio(std::int32_t block) const {
  return std::any_of(FAudio.begin(), FAudio.end(), [block](const auto& range) {
    return block >= range.first && block < range.second;
  });
}

bool SecureReader::NearTrackStart(std::int32_t block) const {
  return std::any_of(FTrackStarts.begin(), FTrackStarts.end(),
                     [block](std::int32_t start) { return std::abs(block - start) <= kBoundaryReach; });
}

// Far enough past or before the window where the disc has audio there; otherwise the audio block farthest
// from it.
std::int32_t SecureReader::FarBlock(std::int32_t start, std::int32_t end) const {
  for (std::int32_t candidate : {end - 1 + kFarBlocks, start - kFarBlocks})
    if (IsAudio(candidate)) return candidate;
  std::int32_t far = start;
  auto distance = [&](std::int32_t block) { return block < start ? start - block : block - (end - 1); };
  for (const auto& range : FAudio)
    for (std::int32_t block : {range.first, range.second - 1})
      if (distance(block) > distance(far)) far = block;
  return far;
}
