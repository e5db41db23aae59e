#include "acs/ACS_FLAC.h"

#include <FLAC/metadata.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/files/FileChecks.h"

// The encoder writes through our own file stream, so a replaced file takes its place only when complete;
// the header's sample count and MD5 sum are written back over the start when the encoder finishes.
struct FLACEncoderCallbacks {
  static FLAC__StreamEncoderWriteStatus Write(const FLAC__StreamEncoder*, const FLAC__byte buffer[], size_t bytes,
                                              uint32_t, uint32_t, void* client) {
    auto* sink = static_cast<TFLACOut*>(client);
    auto count = static_cast<std::int64_t>(bytes);
    if (sink->FStream && sink->FStream->Write(buffer, count) == count) return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
    sink->FWriteFailed = true;
    return FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
  }

  static FLAC__StreamEncoderSeekStatus Seek(const FLAC__StreamEncoder*, FLAC__uint64 offset, void* client) {
    auto* sink = static_cast<TFLACOut*>(client);
    if (sink->FStream && sink->FStream->Seek(static_cast<std::int64_t>(offset), SEEK_SET) >= 0)
      return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
    sink->FWriteFailed = true;
    return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
  }

  static FLAC__StreamEncoderTellStatus Tell(const FLAC__StreamEncoder*, FLAC__uint64* offset, void* client) {
    auto* sink = static_cast<TFLACOut*>(client);
    std::int64_t position = sink->FStream ? sink->FStream->Seek(0, SEEK_CUR) : -1;
    if (position < 0) return FLAC__STREAM_ENCODER_TELL_STATUS_ERROR;
    *offset = static_cast<FLAC__uint64>(position);
    return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
  }
};

// The decoder reads our own file stream. No exception may cross the decoder's C code: a read error is
// noted and the decoder told to stop.
struct FLACDecoderCallbacks {
  static FLAC__StreamDecoderReadStatus Read(const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes,
                                            void* client) {
    auto* source = static_cast<TFLACIn*>(client);
    try {
      *bytes = static_cast<size_t>(source->FStream->Read(buffer, static_cast<std::int64_t>(*bytes)));
    } catch (const EStreamError&) {
      source->FReadFailed = true;
      *bytes = 0;
      return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
    }
    return *bytes == 0 ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
  }

  static FLAC__StreamDecoderSeekStatus Seek(const FLAC__StreamDecoder*, FLAC__uint64 offset, void* client) {
    auto* source = static_cast<TFLACIn*>(client);
    return source->FStream->Seek(static_cast<std::int64_t>(offset), SEEK_SET) < 0
               ? FLAC__STREAM_DECODER_SEEK_STATUS_ERROR
               : FLAC__STREAM_DECODER_SEEK_STATUS_OK;
  }

  static FLAC__StreamDecoderTellStatus Tell(const FLAC__StreamDecoder*, FLAC__uint64* offset, void* client) {
    std::int64_t position = static_cast<TFLACIn*>(client)->FStream->Seek(0, SEEK_CUR);
    if (position < 0) return FLAC__STREAM_DECODER_TELL_STATUS_ERROR;
    *offset = static_cast<FLAC__uint64>(position);
    return FLAC__STREAM_DECODER_TELL_STATUS_OK;
  }

  static FLAC__StreamDecoderLengthStatus Length(const FLAC__StreamDecoder*, FLAC__uint64* length, void* client) {
    *length = static_cast<FLAC__uint64>(static_cast<TFLACIn*>(client)->FStream->Size());
    return FLAC__STREAM_DECODER_LENGTH_STATUS_OK;
  }

  static FLAC__bool Eof(const FLAC__StreamDecoder*, void* client) {
    TFileStream& stream = *static_cast<TFLACIn*>(client)->FStream;
    return stream.Seek(0, SEEK_CUR) >= stream.Size();
  }

  // Every sample size becomes 16 bits; a frame that does not match the header's channels is damage.
  static FLAC__StreamDecoderWriteStatus Write(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                              const FLAC__int32* const buffer[], void* client) {
    auto* source = static_cast<TFLACIn*>(client);
    int channels = static_cast<int>(frame->header.channels);
    int bits = static_cast<int>(frame->header.bits_per_sample);
    if (channels != source->FChan || bits < 4 || bits > 32) {
      source->NoteDamage("a frame does not match the header's format");
      return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    source->FDecodedSamples += frame->header.blocksize;
    std::vector<std::uint8_t>& out = source->FBuffer;
    std::size_t at = out.size();
    out.resize(at + std::size_t(frame->header.blocksize) * channels * 2);
    for (std::uint32_t i = 0; i < frame->header.blocksize; ++i)
      for (int c = 0; c < channels; ++c) {
        FLAC__int32 value = buffer[c][i];
        value = bits > 16 ? value >> (bits - 16) : value * (1 << (16 - bits));
        auto sample = static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
        out[at++] = static_cast<std::uint8_t>(sample);
        out[at++] = static_cast<std::uint8_t>(sample >> 8);
      }
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
  }

  static void Metadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata, void* client) {
    if (metadata->type != FLAC__METADATA_TYPE_STREAMINFO) return;
    auto* source = static_cast<TFLACIn*>(client);
    const FLAC__StreamMetadata_StreamInfo& info = metadata->data.stream_info;
    source->FChan = static_cast<std::int32_t>(info.channels);
    source->FSR = static_cast<std::int32_t>(info.sample_rate);
    source->FFileBits = static_cast<int>(info.bits_per_sample);
    source->FTotalSamples = info.total_samples;
    source->FBPS = 16;
    FLAC__uint64 bytes = info.total_samples * 2 * info.channels;
    source->FSize = info.total_samples == 0
                        ? -1
                        : static_cast<std::int32_t>(std::min<FLAC__uint64>(bytes, std::numeric_limits<std::int32_t>::max()));
    source->FTotalTime = info.sample_rate == 0 ? 0 : RoundHalfEven(double(info.total_samples) / info.sample_rate);
  }

  // A damaged frame is an error, as in the reference decoder's test: the audio would lose that frame.
  static void Error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status, void* client) {
    static_cast<TFLACIn*>(client)->NoteDamage(ErrorText(status));
  }

  static std::string ErrorText(FLAC__StreamDecoderErrorStatus status) {
    switch (status) {
      case FLAC__STREAM_DECODER_ERROR_STATUS_LOST_SYNC: return "the decoder lost the frames' sync";
      case FLAC__STREAM_DECODER_ERROR_STATUS_BAD_HEADER: return "a frame header is broken";
      case FLAC__STREAM_DECODER_ERROR_STATUS_FRAME_CRC_MISMATCH: return "a frame does not match its checksum";
      case FLAC__STREAM_DECODER_ERROR_STATUS_UNPARSEABLE_STREAM: return "it holds data the decoder cannot parse";
      default: return FLAC__StreamDecoderErrorStatusString[status];
    }
  }
};

// ---- TFLACOut ----

TFLACOut::~TFLACOut() {
  TerminateWorker();
  CloseEncoder();  // a run abandoned by the destruction; its partial file goes with the stream
}

void TFLACOut::Prepare() {
  if (FFileName.empty()) throw EACSException("File name is not assigned.");
  if (FCompressionLevel < 0 || FCompressionLevel > 8) throw EACSException("The FLAC compression level must be 0 to 8");
  ReadCodableFormat(FChannels, FBits);
  FInput->Init();
  FCarried = 0;
  FWriteFailed = false;
  try {
    FStream = std::make_unique<TFileStream>(FFileName, TFileStream::Mode::Replace, FLinkRule);
    SetUpEncoder();
  } catch (...) {
    CloseEncoder();
    FInput->Flush();
    throw;
  }
}

void TFLACOut::SetUpEncoder() {
  FEncoder = FLAC__stream_encoder_new();
  if (FEncoder == nullptr) throw EACSException("The FLAC encoder cannot be created");
  FLAC__stream_encoder_set_verify(FEncoder, true);
  FLAC__stream_encoder_set_compression_level(FEncoder, static_cast<uint32_t>(FCompressionLevel));
  FLAC__stream_encoder_set_channels(FEncoder, static_cast<uint32_t>(FChannels));
  FLAC__stream_encoder_set_bits_per_sample(FEncoder, static_cast<uint32_t>(FBits));
  FLAC__stream_encoder_set_sample_rate(FEncoder, static_cast<uint32_t>(FInput->SampleRate()));
  std::int32_t size = FInput->Size();
  if (size > 0) FLAC__stream_encoder_set_total_samples_estimate(FEncoder, size / (FBits / 8 * FChannels));
  AddComments();
  AddPicture();
  FLAC__StreamMetadata* blocks[] = {FCommentBlock, FPictureBlock};
  FLAC__stream_encoder_set_metadata(FEncoder, blocks, FPictureBlock != nullptr ? 2 : 1);
  FLAC__StreamEncoderInitStatus status = FLAC__stream_encoder_init_stream(
      FEncoder, FLACEncoderCallbacks::Write, FLACEncoderCallbacks::Seek, FLACEncoderCallbacks::Tell, nullptr, this);
  if (status == FLAC__STREAM_ENCODER_INIT_STATUS_OK) return;
  if (FWriteFailed) throw EStreamError(FStream->WriteErrorText());
  throw EACSException(std::string("The FLAC encoder cannot take this audio (") +
                      FLAC__StreamEncoderInitStatusString[status] + ")");
}

// Lines that are no NAME=VALUE pair, or whose name a Vorbis comment cannot hold, are left out.
void TFLACOut::AddComments() {
  FCommentBlock = FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT);
  if (FCommentBlock == nullptr) throw EACSException("The FLAC encoder cannot be created");
  for (const std::string& line : FComments) {
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    FLAC__StreamMetadata_VorbisComment_Entry entry;
    if (!FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(&entry, line.substr(0, equals).c_str(),
                                                                        line.substr(equals + 1).c_str()))
      continue;
    if (!FLAC__metadata_object_vorbiscomment_append_comment(FCommentBlock, entry, false)) std::free(entry.entry);
  }
}

void TFLACOut::AddPicture() {
  if (FPicture.data.empty()) return;
  FPictureBlock = FLAC__metadata_object_new(FLAC__METADATA_TYPE_PICTURE);
  if (FPictureBlock == nullptr) throw EACSException("The FLAC encoder cannot be created");
  FLAC__StreamMetadata_Picture& picture = FPictureBlock->data.picture;
  picture.type = FLAC__STREAM_METADATA_PICTURE_TYPE_FRONT_COVER;
  picture.width = FPicture.width;
  picture.height = FPicture.height;
  picture.depth = FPicture.depth;
  auto* data = reinterpret_cast<FLAC__byte*>(FPicture.data.data());  // copied by the block
  if (!FLAC__metadata_object_picture_set_mime_type(FPictureBlock, FPicture.mimeType.data(), true) ||
      !FLAC__metadata_object_picture_set_data(FPictureBlock, data, static_cast<FLAC__uint32>(FPicture.data.size()), true))
    throw EACSException("The FLAC encoder cannot take the cover picture");
}

bool TFLACOut::DoOutput(bool Abort) {
  bool result;
  if (!OutputStepStarts(Abort, result)) return result;
  int got = FInput->GetData(FBuffer.data() + FCarried, static_cast<int>(FBuffer.size()) - FCarried);
  if (got <= 0) return false;  // a partial frame at the very end cannot be coded
  const int frameBytes = FChannels * FBits / 8;
  const int bytes = FCarried + got;
  const int frames = bytes / frameBytes;
  FSamples.resize(std::size_t(frames) * FChannels);
  for (std::size_t i = 0; i < FSamples.size(); ++i) {
    if (FBits == 8) {
      FSamples[i] = FBuffer[i] - 128;  // 8-bit PCM is unsigned
    } else {
      std::int16_t sample;
      std::memcpy(&sample, &FBuffer[2 * i], 2);
      FSamples[i] = sample;
    }
  }
  if (!FLAC__stream_encoder_process_interleaved(FEncoder, FSamples.data(), static_cast<uint32_t>(frames))) {
    SetRunError(EncoderError());
    return false;
  }
  FCarried = bytes - frames * frameBytes;
  std::memmove(FBuffer.data(), FBuffer.data() + frames * frameBytes, static_cast<std::size_t>(FCarried));
  return true;
}

std::string TFLACOut::EncoderError() const {
  if (FWriteFailed) return FStream ? FStream->WriteErrorText() : "Stream write error";
  FLAC__StreamEncoderState state = FLAC__stream_encoder_get_state(FEncoder);
  if (state == FLAC__STREAM_ENCODER_VERIFY_MISMATCH_IN_AUDIO_DATA)
    return "The FLAC encoder's check of its own output failed";
  return std::string("FLAC encoding failed (") + FLAC__StreamEncoderStateString[state] + ")";
}

// Finishing codes the last samples and writes the header's totals and MD5 sum; a stopped run so gives
// a complete file of what it encoded.
void TFLACOut::Done() {
  if (!FLAC__stream_encoder_finish(FEncoder) && RunError().empty()) SetRunError(EncoderError());
  FinishFile(*FStream, FFileName);
  CloseEncoder();
  FInput->Flush();
  FComments.clear();
  FPicture = {};
}

// Closes the file first: a file not put in place by FinishFile is removed with its stream, and an encoder
// deleted unfinished writes nowhere.
void TFLACOut::CloseEncoder() {
  FStream.reset();
  if (FEncoder != nullptr) FLAC__stream_encoder_delete(FEncoder);
  FEncoder = nullptr;
  if (FCommentBlock != nullptr) FLAC__metadata_object_delete(FCommentBlock);
  FCommentBlock = nullptr;
  if (FPictureBlock != nullptr) FLAC__metadata_object_delete(FPictureBlock);
  FPictureBlock = nullptr;
}

// ---- TFLACIn ----

TFLACIn::~TFLACIn() { CloseDecoder(); }

void TFLACIn::OpenFile() {
  if (FOpenCount == 0) {
    FValid = true;
    FEndOfData = false;
    FReadFailed = false;
    FInvalidReason.clear();
    FDamage.clear();
    FDecodedSamples = FTotalSamples = 0;
    FWholeStream = true;
    FBuffer.clear();
    if (!OpenDecoder()) {
      CloseDecoder();
      FValid = false;
      FEndOfData = true;
      FSize = 0;
      FSR = FChan = FBPS = FTotalTime = 0;
      return;
    }
  }
  ++FOpenCount;
}

// Without a header, or with one of no sample rate, the file is no FLAC file; more than two channels cannot
// be delivered.
bool TFLACIn::OpenDecoder() {
  try {
    FStream = std::make_unique<TFileStream>(FFileName, TFileStream::Mode::Read);
  } catch (const EStreamError& error) {
    FInvalidReason = std::string(error.what()) + ": " + OpenFailureReason(FFileName);
    return false;
  }
  FChan = 0;
  FDecoder = FLAC__stream_decoder_new();
  if (FDecoder == nullptr) return false;
  FLAC__stream_decoder_set_md5_checking(FDecoder, true);
  bool opened = FLAC__stream_decoder_init_stream(
                    FDecoder, FLACDecoderCallbacks::Read, FLACDecoderCallbacks::Seek, FLACDecoderCallbacks::Tell,
                    FLACDecoderCallbacks::Length, FLACDecoderCallbacks::Eof, FLACDecoderCallbacks::Write,
                    FLACDecoderCallbacks::Metadata, FLACDecoderCallbacks::Error,
                    this) == FLAC__STREAM_DECODER_INIT_STATUS_OK &&
                FLAC__stream_decoder_process_until_end_of_metadata(FDecoder);
  if (FReadFailed) {
    FInvalidReason = "The file " + FFileName + " cannot be read (Stream read error)";
    return false;
  }
  if (!opened || FSR <= 0 || FChan == 0) return false;
  if (FChan > 2) {
    FInvalidReason = "The FLAC file " + FFileName + " has " + std::to_string(FChan) +
                     " channels: only mono and stereo FLAC files can be read";
    return false;
  }
  return true;
}

void TFLACIn::CloseFile() {
  if (FOpenCount == 1) CloseDecoder();
  if (FOpenCount > 0) --FOpenCount;
}

void TFLACIn::CloseDecoder() {
  if (FDecoder != nullptr) FLAC__stream_decoder_delete(FDecoder);
  FDecoder = nullptr;
  FStream.reset();
}

void TFLACIn::NoteDamage(const std::string& what) {
  if (FDamage.empty())
    FDamage =
        "The FLAC file " + FFileName + " is damaged after " + std::to_string(FDecodedSamples) + " samples: " + what;
}

// The end of the file is the end of the audio only when every sample the header gives was decoded and,
// where the file has an MD5 sum, the audio matches it; after a jump neither can be known.
void TFLACIn::CheckEnd() {
  if (!FWholeStream) return;
  FWholeStream = false;
  if (FTotalSamples > 0 && FDecodedSamples < FTotalSamples)
    throw EACSException("The FLAC file " + FFileName + " ends early: it holds " + std::to_string(FDecodedSamples) +
                        " of the " + std::to_string(FTotalSamples) + " samples its header gives");
  if (!FLAC__stream_decoder_finish(FDecoder))
    throw EACSException("The FLAC file " + FFileName + " is damaged: its audio does not match its MD5 sum");
}

void TFLACIn::Fill() {
  while (FBuffer.empty()) {
    if (FDecoder == nullptr || FLAC__stream_decoder_get_state(FDecoder) == FLAC__STREAM_DECODER_END_OF_STREAM) {
      FEndOfData = true;
      if (FDecoder != nullptr) CheckEnd();
      return;
    }
    bool decoded = FLAC__stream_decoder_process_single(FDecoder);
    if (FReadFailed) {
      FEndOfData = true;
      throw EStreamError("Stream read error");
    }
    if (!FDamage.empty()) {
      FEndOfData = true;
      throw EACSException(FDamage);
    }
    // A frame cut off by the end of the file ends the stream; the check at the end reports it.
    if (!decoded && FLAC__stream_decoder_get_state(FDecoder) != FLAC__STREAM_DECODER_END_OF_STREAM) {
      FEndOfData = true;
      throw EACSException("The FLAC file " + FFileName + " cannot be decoded (" +
                          FLAC__stream_decoder_get_resolved_state_string(FDecoder) + ")");
    }
  }
}

// A jump lands on the sample at or before the new position; the decoder hands that frame's rest over at once.
void TFLACIn::SeekToPosition() {
  const std::int32_t frameBytes = 2 * FChan;
  FLAC__uint64 sample = static_cast<FLAC__uint64>(FPosition / frameBytes);
  FPosition = static_cast<std::int32_t>(sample) * frameBytes;
  FWholeStream = false;
  if (FLAC__stream_decoder_seek_absolute(FDecoder, sample)) {
    FEndOfData = false;  // a jump back after the end plays on from there
    return;
  }
  FBuffer.clear();
  FLAC__stream_decoder_flush(FDecoder);
}

int TFLACIn::GetData(void* buffer, int bufferSize) {
  if (!FBusy) throw EACSException("The Stream is not opened");
  if (FBufStart > FBufEnd) {
    FBuffer.clear();
    if (FSize > 0 && TakeJump() && FDecoder != nullptr) SeekToPosition();
    if (!FEndOfData) Fill();
    if (FEndOfData && FLoop && FBuffer.empty()) {
      Flush();
      Init();
      FEndOfData = false;
      Fill();
    }
    FBufStart = 1;
    FBufEnd = static_cast<std::int32_t>(FBuffer.size());
    if (FBufEnd == 0) return 0;
  }
  std::int32_t count = std::min(bufferSize, FBufEnd - FBufStart + 1);
  std::memcpy(buffer, &FBuffer[std::size_t(FBufStart) - 1], static_cast<std::size_t>(count));
  FBufStart += count;
  FPosition += count;
  return count;
}
