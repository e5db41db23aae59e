#include "cd/HiddenAudio.h"

#include <algorithm>
#include <memory>

namespace {

bool HoldsSound(const std::uint8_t* bytes, std::uint32_t length) {
  return std::any_of(bytes, bytes + length, [](std::uint8_t byte) { return byte != 0; });
}

}  // namespace

bool AudioBeforeFirstTrack(HCDROM handle, std::uint32_t firstTrackStart) {
  SetCDReadMode(handle, ReadMode::Burst);
  auto buffer = std::make_unique<TRACKBUF>();
  for (std::uint32_t block = 0; block < firstTrackStart;) {
    buffer->startFrame = block;
    buffer->numFrames = std::min<std::uint32_t>(TRACKBUF_BLOCKS, firstTrackStart - block);
    buffer->maxLen = sizeof buffer->buf;
    ReadCDAudioLBA(handle, buffer.get());
    if (buffer->len == 0) return false;
    if (UnreadableCDBlocks(handle).empty() && HoldsSound(buffer->buf + buffer->startOffset, buffer->len)) return true;
    block += buffer->numFrames;
  }
  return false;
}
