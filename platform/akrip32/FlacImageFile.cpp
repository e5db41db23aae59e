#include "platform/akrip32/FlacImageFile.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

struct FlacImageCallbacks {
  static FLAC__StreamDecoderWriteStatus Write(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                              const FLAC__int32* const buffer[], void* client) {
    auto* file = static_cast<FlacImageFile*>(client);
    // A frame of another format than the stream's would not be CD audio.
    if (frame->header.channels != 2 || frame->header.bits_per_sample != 16) {
      file->FDamaged = true;
      return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    }
    file->FFrameStart = frame->header.number.sample_number;
    file->FFrame.resize(std::size_t(frame->header.blocksize) * FlacImageFile::kFrameBytes);
    std::uint8_t* out = file->FFrame.data();
    for (std::uint32_t i = 0; i < frame->header.blocksize; ++i)
      for (int channel = 0; channel < 2; ++channel) {
        auto sample = static_cast<std::uint16_t>(static_cast<std::int16_t>(buffer[channel][i]));
        *out++ = static_cast<std::uint8_t>(sample);
        *out++ = static_cast<std::uint8_t>(sample >> 8);
      }
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
  }

  static void Metadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata, void* client) {
    if (metadata->type != FLAC__METADATA_TYPE_STREAMINFO) return;
    auto* file = static_cast<FlacImageFile*>(client);
    const FLAC__StreamMetadata_StreamInfo& info = metadata->data.stream_info;
    file->FRate = info.sample_rate;
    file->FChannels = info.channels;
    file->FBits = info.bits_per_sample;
    file->FTotalSamples = info.total_samples;
  }

  static void Error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* client) {
    static_cast<FlacImageFile*>(client)->FDamaged = true;
  }
};

std::unique_ptr<FlacImageFile> FlacImageFile::Open(int descriptor, const std::string& path, std::string& error) {
  std::unique_ptr<FlacImageFile> file(new FlacImageFile());
  FILE* stream = fdopen(descriptor, "rb");
  file->FDecoder = stream == nullptr ? nullptr : FLAC__stream_decoder_new();
  if (file->FDecoder == nullptr) {
    if (stream != nullptr) std::fclose(stream);
    else close(descriptor);
    error = "Cannot open file " + path;
    return nullptr;
  }
  // From here on the decoder owns the stream and closes it.
  bool opened = FLAC__stream_decoder_init_FILE(file->FDecoder, stream, FlacImageCallbacks::Write,
                                               FlacImageCallbacks::Metadata, FlacImageCallbacks::Error,
                                               file.get()) == FLAC__STREAM_DECODER_INIT_STATUS_OK &&
                FLAC__stream_decoder_process_until_end_of_metadata(file->FDecoder) && file->FRate > 0;
  if (!opened) {
    error = "The file " + path + " is not a FLAC file";
    return nullptr;
  }
  if (file->FRate != 44100 || file->FChannels != 2 || file->FBits != 16) {
    error = "The FLAC file " + path + " is not 44,100 Hz 16-bit stereo";
    return nullptr;
  }
  if (file->FTotalSamples == 0) {
    error = "The FLAC file " + path + " does not say how many samples it holds";
    return nullptr;
  }
  return file;
}

FlacImageFile::~FlacImageFile() {
  if (FDecoder != nullptr) FLAC__stream_decoder_delete(FDecoder);
}

bool FlacImageFile::Read(std::int64_t offset, std::size_t bytes, std::uint8_t* out) {
  std::lock_guard<std::mutex> lock(FLock);
  auto sample = static_cast<std::uint64_t>(offset / kFrameBytes);
  for (std::size_t done = 0; done < bytes;) {
    if (!Decode(sample)) return false;
    std::size_t at = static_cast<std::size_t>(sample - FFrameStart) * kFrameBytes;
    std::size_t count = std::min(bytes - done, FFrame.size() - at);
    std::memcpy(out + done, FFrame.data() + at, count);
    done += count;
    sample += count / kFrameBytes;
  }
  return true;
}

bool FlacImageFile::Decode(std::uint64_t sample) {
  auto holds = [&] { return !FDamaged && sample >= FFrameStart && sample < FFrameStart + FFrame.size() / kFrameBytes; };
  if (holds()) return true;
  bool next = !FFrame.empty() && sample == FFrameStart + FFrame.size() / kFrameBytes;
  FFrame.clear();
  FDamaged = false;
  bool decoded = next ? FLAC__stream_decoder_process_single(FDecoder) : FLAC__stream_decoder_seek_absolute(FDecoder, sample);
  if (!decoded && FLAC__stream_decoder_get_state(FDecoder) == FLAC__STREAM_DECODER_SEEK_ERROR)
    FLAC__stream_decoder_flush(FDecoder);
  if (holds()) return true;
  FFrame.clear();  // the next read seeks afresh
  return false;
}
