#include "cd/DiscChecksums.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

#include "cd/CtdbToc.h"

namespace {

bool ReadInto(HCDROM handle, std::uint32_t start, std::uint32_t blocks, TrackChecksums& checksums,
              std::vector<std::uint32_t>& unreadable) {
  auto buffer = std::make_unique<TRACKBUF>();
  for (std::uint32_t done = 0; done < blocks;) {
    buffer->startFrame = start + done;
    buffer->numFrames = std::min<std::uint32_t>(TRACKBUF_BLOCKS, blocks - done);
    buffer->maxLen = sizeof buffer->buf;
    ReadCDAudioLBA(handle, buffer.get());
    if (buffer->len == 0) return false;
    checksums.Add(buffer->buf + buffer->startOffset, buffer->len);
    for (std::uint32_t block : UnreadableCDBlocks(handle)) unreadable.push_back(block);
    done += buffer->numFrames;
  }
  return true;
}

}  // namespace

bool ChecksumAudioTracks(HCDROM handle, const TableOfContents& toc, std::vector<AudioTrackChecksums>& tracks,
                         std::vector<std::uint32_t>& unreadable, std::string& error) {
  std::vector<int> audio;
  for (int k = 0; k < toc.TrackCount(); ++k)
    if (toc.entries[k].audio) audio.push_back(k);
  for (std::size_t i = 0; i < audio.size(); ++i) {
    int k = audio[i];
    std::uint32_t blocks = toc.BlocksOf(k);
    tracks.push_back({toc.entries[k].trackNumber,
                      TrackChecksums(std::uint64_t(blocks) * 588, i == 0, i + 1 == audio.size(), CtdbAudioFrames(toc))});
    if (!ReadInto(handle, toc.entries[k].start, blocks, tracks.back().checksums, unreadable)) {
      error = "The disc could not be read";
      return false;
    }
  }
  return true;
}

bool ChecksumTrackTo450(HCDROM handle, const TableOfContents& toc, int k, TrackChecksums& checksums) {
  std::vector<std::uint32_t> unreadable;  // read as silence, which no pressing's sums hold
  return ReadInto(handle, toc.entries[k].start, std::min(kBlocksFor450, toc.BlocksOf(k)), checksums, unreadable);
}

namespace {

constexpr std::int64_t kAroundBlocks = TrackChecksums::kSearchFrames / 588;

// Blocks of the disc from first on, silence where the drive gives no audio (before the disc, in a data
// track, past the audio's end), handed to take in order; false when keepGoing said no.
bool ReadOrSilence(HCDROM handle, std::int64_t first, std::int64_t count,
                   const std::function<void(const std::uint8_t*, std::size_t)>& take,
                   const std::function<bool()>& keepGoing = {}) {
  auto buffer = std::make_unique<TRACKBUF>();
  for (std::int64_t block = first; block < first + count;) {
    if (keepGoing && !keepGoing()) return false;
    std::int64_t blocks = std::min<std::int64_t>(block < 0 ? -block : TRACKBUF_BLOCKS, first + count - block);
    std::size_t got = 0;
    if (block >= 0) {
      buffer->startFrame = static_cast<std::uint32_t>(block);
      buffer->numFrames = static_cast<std::uint32_t>(blocks);
      buffer->maxLen = sizeof buffer->buf;
      ReadCDAudioLBA(handle, buffer.get());
      got = buffer->len;
    }
    std::memset(buffer->buf + got, 0, std::size_t(blocks) * CD_BLOCK_BYTES - got);
    take(buffer->buf, std::size_t(blocks) * CD_BLOCK_BYTES);
    block += blocks;
  }
  return true;
}

}  // namespace

ShiftedSumsOf ShiftedSumsFromDrive(HCDROM handle, const TableOfContents& toc, int k, bool firstAudio, bool lastAudio,
                                   std::function<bool()> keepGoing) {
  return [=](const std::vector<int>& shifts) {
    const std::int64_t start = toc.entries[k].start, blocks = toc.BlocksOf(k);
    ShiftedTrackSums sums(std::uint64_t(blocks) * 588, firstAudio, lastAudio, shifts);
    const bool read = ReadOrSilence(handle, start - kAroundBlocks, blocks + 2 * kAroundBlocks,
                                    [&](const std::uint8_t* pcm, std::size_t bytes) { sums.Add(pcm, bytes); }, keepGoing);
    return read ? sums.Result() : std::vector<ShiftedTrackSums::Sums>();
  };
}

AudioAroundOf AudioAroundFromDrive(HCDROM handle, const TableOfContents& toc, int k) {
  return [=] {
    AudioAround around;
    auto into = [](std::vector<std::uint8_t>& out) {
      return [&out](const std::uint8_t* pcm, std::size_t bytes) { out.insert(out.end(), pcm, pcm + bytes); };
    };
    ReadOrSilence(handle, std::int64_t(toc.entries[k].start) - kAroundBlocks, kAroundBlocks, into(around.before));
    ReadOrSilence(handle, std::int64_t(toc.entries[k].start) + toc.BlocksOf(k), kAroundBlocks, into(around.after));
    return around;
  };
}
