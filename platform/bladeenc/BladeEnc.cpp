#include "platform/bladeenc/BladeEnc.h"

#include <mutex>
#include <set>

#include "platform/bladeenc/LameLibrary.h"

namespace {

constexpr std::uint32_t kChunkFrames = 1152;  // one MPEG-1 layer III frame of stereo samples
// LAME's worst case for a chunk, and the room its final flush asks for.
constexpr std::uint32_t kBufferSize = kChunkFrames * 5 / 4 + 7200;

struct Stream {
  lame_t lame = nullptr;
};

std::mutex gLock;
std::set<Stream*> gStreams;

Stream* Find(HBE_STREAM handle) {
  std::lock_guard<std::mutex> guard(gLock);
  auto* stream = reinterpret_cast<Stream*>(handle);
  return gStreams.count(stream) != 0 ? stream : nullptr;
}

bool Configure(lame_t lame, const BE_CONFIG& config) {
  const LameEntries& l = Lame();
  l.lame_set_in_samplerate(lame, 44100);
  l.lame_set_num_channels(lame, 2);
  l.lame_set_out_samplerate(lame, static_cast<int>(config.mp3.dwSampleRate));
  l.lame_set_mode(lame, STEREO);
  if (config.mp3.bEnableVBR != 0) {
    l.lame_set_VBR(lame, vbr_default);
    l.lame_set_VBR_q(lame, config.mp3.nVBRQuality);
  } else {
    l.lame_set_VBR(lame, vbr_off);
    l.lame_set_brate(lame, config.mp3.wBitrate);
  }
  l.lame_set_extension(lame, config.mp3.bPrivate != 0);
  l.lame_set_error_protection(lame, config.mp3.bCRC != 0);
  l.lame_set_copyright(lame, config.mp3.bCopyright != 0);
  l.lame_set_original(lame, config.mp3.bOriginal != 0);
  l.lame_set_bWriteVbrTag(lame, 1);  // the placeholder of the Info frame leads the stream
  return l.lame_init_params(lame) >= 0;
}

// MPEG audio carries only these rates; LAME would quietly pick another for the rest.
bool IsMpegRate(std::uint32_t rate) {
  for (std::uint32_t allowed : {8000u, 11025u, 12000u, 16000u, 22050u, 24000u, 32000u, 44100u, 48000u})
    if (rate == allowed) return true;
  return false;
}

}  // namespace

BE_ERR beInitStream(const BE_CONFIG* config, std::uint32_t* dwSamples, std::uint32_t* dwBufferSize,
                    HBE_STREAM* stream) {
  if (config == nullptr || config->dwConfig != BE_CONFIG_MP3 || config->mp3.byMode != BE_MP3_MODE_STEREO)
    return BE_ERR_INVALID_FORMAT;
  if (!IsMpegRate(config->mp3.dwSampleRate)) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  if (config->mp3.bEnableVBR != 0 && (config->mp3.nVBRQuality < 0 || config->mp3.nVBRQuality > 9))
    return BE_ERR_INVALID_FORMAT_PARAMETERS;
  if (!BindLame()) return BE_ERR_NO_MORE_HANDLES;
  lame_t lame = Lame().lame_init();
  if (lame == nullptr) return BE_ERR_NO_MORE_HANDLES;
  if (!Configure(lame, *config)) {
    Lame().lame_close(lame);
    return BE_ERR_INVALID_FORMAT_PARAMETERS;
  }
  auto* opened = new Stream{lame};
  {
    std::lock_guard<std::mutex> guard(gLock);
    gStreams.insert(opened);
  }
  *dwSamples = kChunkFrames * 2;
  *dwBufferSize = kBufferSize;
  *stream = reinterpret_cast<HBE_STREAM>(opened);
  return BE_ERR_SUCCESSFUL;
}

BE_ERR beEncodeChunk(HBE_STREAM handle, std::uint32_t nSamples, const std::int16_t* samples, std::uint8_t* output,
                     std::uint32_t* outputBytes) {
  Stream* stream = Find(handle);
  if (stream == nullptr) return BE_ERR_INVALID_HANDLE;
  if (nSamples > kChunkFrames * 2) return BE_ERR_BUFFER_TOO_SMALL;
  int bytes = Lame().lame_encode_buffer_interleaved(stream->lame, const_cast<short*>(samples), static_cast<int>(nSamples / 2),
                                             output, static_cast<int>(kBufferSize));
  if (bytes < 0) return BE_ERR_BUFFER_TOO_SMALL;
  *outputBytes = static_cast<std::uint32_t>(bytes);
  return BE_ERR_SUCCESSFUL;
}

BE_ERR beDeinitStream(HBE_STREAM handle, std::uint8_t* output, std::uint32_t* outputBytes) {
  Stream* stream = Find(handle);
  if (stream == nullptr) return BE_ERR_INVALID_HANDLE;
  int bytes = Lame().lame_encode_flush(stream->lame, output, static_cast<int>(kBufferSize));
  if (bytes < 0) return BE_ERR_BUFFER_TOO_SMALL;
  *outputBytes = static_cast<std::uint32_t>(bytes);
  return BE_ERR_SUCCESSFUL;
}

BE_ERR beInfoFrame(HBE_STREAM handle, std::uint8_t* output, std::uint32_t* outputBytes) {
  Stream* stream = Find(handle);
  if (stream == nullptr) return BE_ERR_INVALID_HANDLE;
  std::size_t bytes = Lame().lame_get_lametag_frame(stream->lame, output, kBufferSize);
  if (bytes == 0 || bytes > kBufferSize) return BE_ERR_BUFFER_TOO_SMALL;
  *outputBytes = static_cast<std::uint32_t>(bytes);
  return BE_ERR_SUCCESSFUL;
}

BE_ERR beCloseStream(HBE_STREAM handle) {
  Stream* stream = Find(handle);
  if (stream == nullptr) return BE_ERR_INVALID_HANDLE;
  {
    std::lock_guard<std::mutex> guard(gLock);
    gStreams.erase(stream);
  }
  Lame().lame_close(stream->lame);
  delete stream;
  return BE_ERR_SUCCESSFUL;
}
