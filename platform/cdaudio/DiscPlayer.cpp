#include "platform/cdaudio/DiscPlayer.h"

#include <algorithm>
#include <cstring>

namespace {

// Three buffers of a third of a second each: enough to ride out a slow read, short enough that the
// position heard follows the reading closely.
constexpr int kBufferCount = 3;
constexpr int kBlocksPerRead = TRACKBUF_BLOCKS;

WAVEFORMATEX CdAudioFormat() {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = 44100;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = 44100 * 4;
  return format;
}

}  // namespace

std::unique_ptr<DiscPlayer> DiscPlayer::Open() {
  if (waveOutGetNumDevs() == 0) return nullptr;
  std::unique_ptr<DiscPlayer> player(new DiscPlayer());
  WAVEFORMATEX format = CdAudioFormat();
  if (waveOutOpen(&player->FSound, 0, &format, &DiscPlayer::BufferPlayed, DWORD_PTR(player.get()),
                  CALLBACK_FUNCTION) != MMSYSERR_NOERROR)
    return nullptr;
  for (Buffer& buffer : player->FBuffers) {
    buffer.header.lpData = buffer.bytes.data();
    buffer.header.dwUser = DWORD_PTR(&buffer);
    waveOutPrepareHeader(player->FSound, &buffer.header, sizeof(WAVEHDR));
  }
  return player;
}

DiscPlayer::DiscPlayer() : FBuffers(kBufferCount) {
  for (Buffer& buffer : FBuffers) buffer.bytes.resize(std::size_t(kBlocksPerRead) * CD_BLOCK_BYTES);
}

DiscPlayer::~DiscPlayer() {
  if (FSound == nullptr) return;
  Stop();
  for (Buffer& buffer : FBuffers) waveOutUnprepareHeader(FSound, &buffer.header, sizeof(WAVEHDR));
  waveOutClose(FSound);
}

void DiscPlayer::Play(HCDROM handle, std::int32_t from, std::int32_t to) {
  Stop();
  FHandle = handle;
  FNext = from;
  FEnd = to;
  {
    std::lock_guard<std::mutex> guard(FLock);
    FStopping = false;
    FFinished = false;
    FHeard = from;
  }
  waveOutRestart(FSound);  // a stretch stopped while paused left the device paused
  FReader = std::thread(&DiscPlayer::ReadAndQueue, this);
}

void DiscPlayer::Stop() {
  if (!FReader.joinable()) return;
  {
    std::lock_guard<std::mutex> guard(FLock);
    FStopping = true;
  }
  FChanged.notify_all();
  waveOutReset(FSound);  // hands every queued buffer back
  FReader.join();
}

void DiscPlayer::Pause() { waveOutPause(FSound); }

void DiscPlayer::Resume() { waveOutRestart(FSound); }

bool DiscPlayer::Finished() const {
  std::lock_guard<std::mutex> guard(FLock);
  return FFinished;
}

std::int32_t DiscPlayer::HeardBlock() const {
  std::lock_guard<std::mutex> guard(FLock);
  return FHeard;
}

void DiscPlayer::ReadAndQueue() {
  while (FNext < FEnd) {
    Buffer* buffer = FreeBuffer();
    if (buffer == nullptr || !Fill(*buffer)) break;
    std::lock_guard<std::mutex> guard(FLock);
    if (FStopping) break;
    FQueued.push_back(buffer);  // before the device can hand it back
    waveOutWrite(FSound, &buffer->header, sizeof(WAVEHDR));
  }
  WaitUntilPlayed();
  std::lock_guard<std::mutex> guard(FLock);
  FFinished = true;
}

DiscPlayer::Buffer* DiscPlayer::FreeBuffer() {
  std::unique_lock<std::mutex> guard(FLock);
  FChanged.wait(guard, [this] { return FStopping || FQueued.size() < FBuffers.size(); });
  if (FStopping) return nullptr;
  for (Buffer& buffer : FBuffers)
    if (std::find(FQueued.begin(), FQueued.end(), &buffer) == FQueued.end()) return &buffer;
  return nullptr;
}

bool DiscPlayer::Fill(Buffer& buffer) {
  TRACKBUF& read = *FRead;
  read.startFrame = std::uint32_t(FNext);
  read.numFrames = std::uint32_t(std::min(kBlocksPerRead, FEnd - FNext));
  read.maxLen = sizeof(read.buf);
  ReadCDAudioLBA(FHandle, &read);  // a block that cannot be read comes as silence
  if (read.len == 0) return false;
  std::memcpy(buffer.bytes.data(), read.buf + read.startOffset, read.len);
  buffer.header.dwBufferLength = read.len;
  buffer.block = FNext;
  buffer.blocks = std::int32_t(read.numFrames);
  FNext += buffer.blocks;
  return true;
}

void DiscPlayer::WaitUntilPlayed() {
  std::unique_lock<std::mutex> guard(FLock);
  FChanged.wait(guard, [this] { return FStopping || FQueued.empty(); });
}

// On the sound device's thread: a queued buffer has been played, or handed back by a stop.
void DiscPlayer::BufferPlayed(WaveDevice*, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
  if (message != WOM_DONE) return;
  auto* player = reinterpret_cast<DiscPlayer*>(instance);
  auto* buffer = reinterpret_cast<Buffer*>(reinterpret_cast<WAVEHDR*>(param1)->dwUser);
  {
    std::lock_guard<std::mutex> guard(player->FLock);
    auto found = std::find(player->FQueued.begin(), player->FQueued.end(), buffer);
    if (found != player->FQueued.end()) player->FQueued.erase(found);
    if (!player->FStopping)
      player->FHeard = player->FQueued.empty() ? buffer->block + buffer->blocks : player->FQueued.front()->block;
  }
  player->FChanged.notify_all();
}
