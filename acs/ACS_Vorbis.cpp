#include "acs/ACS_Vorbis.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/files/FileChecks.h"

namespace {

std::int16_t Sample16(const std::uint8_t* bytes, int index) {
  std::int16_t sample;
  std::memcpy(&sample, bytes + 2 * index, 2);
  return sample;
}

float Sample(const std::uint8_t* bytes, int index, int bits) {
  if (bits == 8) return (bytes[index] - 128) / 128.0f;  // 8-bit PCM is unsigned
  return Sample16(bytes, index) / 32768.0f;
}

}  // namespace

// ---- TVorbisOut ----

TVorbisOut::TVorbisOut() { CheckVorbisLibraries(); }

TVorbisOut::~TVorbisOut() {
  TerminateWorker();
  if (FStream) ClearCodec();  // a run abandoned by the destruction
}

void TVorbisOut::Prepare() {
  if (FFileName.empty()) throw EACSException("File name is not assigned.");
  ReadCodableFormat(FChannels, FBits);
  FInput->Init();
  FEndOfStream = false;
  SetUpEncoder();
  try {
    FStream = std::make_unique<TFileStream>(FFileName, TFileStream::Mode::Replace, FLinkRule);
  } catch (...) {
    ClearCodec();
    throw;
  }
  WriteHeaderPages();
}

void TVorbisOut::SetUpEncoder() {
  const VorbisEntries& v = Vorbis();
  v.vorbis_info_init(&FInfo);
  if (v.vorbis_encode_init_vbr(&FInfo, FChannels, FInput->SampleRate(), FCompression) != 0) {
    v.vorbis_info_clear(&FInfo);
    FInput->Flush();
    throw EACSException("The Ogg Vorbis encoder cannot take this sample rate or quality");
  }
  v.vorbis_comment_init(&FComment);
  for (const std::string& line : FComments) {
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    v.vorbis_comment_add_tag(&FComment, line.substr(0, equals).c_str(), line.substr(equals + 1).c_str());
  }
  v.vorbis_analysis_init(&FDsp, &FInfo);
  v.vorbis_block_init(&FDsp, &FBlock);
  v.ogg_stream_init(&FOggStream, FSerial);
  ogg_packet identification, comment, codebook;
  v.vorbis_analysis_headerout(&FDsp, &FComment, &identification, &comment, &codebook);
  v.ogg_stream_packetin(&FOggStream, &identification);
  v.ogg_stream_packetin(&FOggStream, &comment);
  v.ogg_stream_packetin(&FOggStream, &codebook);
}

// Every header page goes out before any audio page.
void TVorbisOut::WriteHeaderPages() {
  while (Vorbis().ogg_stream_flush(&FOggStream, &FPage) != 0) {
    if (!WritePage()) {
      std::string error = FStream->WriteErrorText();
      FStream.reset();
      ClearCodec();
      throw EStreamError(error);
    }
  }
}

bool TVorbisOut::WritePage() {
  return FStream->Write(FPage.header, FPage.header_len) == FPage.header_len &&
         FStream->Write(FPage.body, FPage.body_len) == FPage.body_len;
}

// Hands the PCM to the encoder; no bytes tell it that the input has ended.
int TVorbisOut::AnalysisInput(int bytes) {
  const VorbisEntries& v = Vorbis();
  int channels = FChannels == 2 ? 2 : 1;
  int frames = bytes / (channels * FBits / 8);
  if (bytes <= 0) {
    v.vorbis_analysis_wrote(&FDsp, 0);
    return 0;
  }
  if (frames == 0) return 0;  // a partial frame cannot be coded
  float** buffer = v.vorbis_analysis_buffer(&FDsp, frames);
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c) buffer[c][i] = Sample(FBuffer.data(), channels * i + c, FBits);
  v.vorbis_analysis_wrote(&FDsp, frames);
  return frames;
}

bool TVorbisOut::DoOutput(bool Abort) {
  bool result;
  if (!OutputStepStarts(Abort, result)) return result;
  if (FEndOfStream) return false;
  const VorbisEntries& v = Vorbis();
  AnalysisInput(FInput->GetData(FBuffer.data(), static_cast<int>(FBuffer.size())));
  while (v.vorbis_analysis_blockout(&FDsp, &FBlock) == 1) {
    v.vorbis_analysis(&FBlock, nullptr);
    v.vorbis_bitrate_addblock(&FBlock);
    while (v.vorbis_bitrate_flushpacket(&FDsp, &FPacket) == 1) {
      v.ogg_stream_packetin(&FOggStream, &FPacket);
      while (!FEndOfStream && v.ogg_stream_pageout(&FOggStream, &FPage) != 0) {
        if (!WritePage()) {
          SetRunError(FStream->WriteErrorText());
          return false;
        }
        if (v.ogg_page_eos(&FPage) != 0) FEndOfStream = true;
      }
    }
  }
  return true;
}

void TVorbisOut::Done() {
  FinishFile(*FStream, FFileName);
  FStream.reset();
  FInput->Flush();
  FComments.clear();
  ClearCodec();
}

void TVorbisOut::ClearCodec() {
  const VorbisEntries& v = Vorbis();
  v.ogg_stream_clear(&FOggStream);
  v.vorbis_block_clear(&FBlock);
  v.vorbis_dsp_clear(&FDsp);
  v.vorbis_comment_clear(&FComment);
  v.vorbis_info_clear(&FInfo);
}

// The decoder reads our own file stream through these. No exception may cross the decoder's C code: a read
// error is handed to it as the C library would, and noted, since the decoder reports one in the middle of
// the audio as its end.
struct VorbisDecoderCallbacks {
  static size_t Read(void* buffer, size_t size, size_t count, void* client) {
    auto* source = static_cast<TVorbisIn*>(client);
    if (size == 0) return 0;
    try {
      auto bytes = source->FStream->Read(buffer, static_cast<std::int64_t>(size * count));
      return static_cast<size_t>(bytes) / size;
    } catch (const EStreamError&) {
      source->FReadFailed = true;
      errno = EIO;
      return 0;
    }
  }

  static int Seek(void* client, ogg_int64_t offset, int whence) {
    return static_cast<TVorbisIn*>(client)->FStream->Seek(offset, whence) < 0 ? -1 : 0;
  }

  static long Tell(void* client) {
    return static_cast<long>(static_cast<TVorbisIn*>(client)->FStream->Seek(0, SEEK_CUR));
  }
};

// ---- TVorbisIn ----

TVorbisIn::TVorbisIn() { CheckVorbisLibraries(); }

TVorbisIn::~TVorbisIn() { CloseDecoder(); }

void TVorbisIn::OpenFile() {
  if (FOpenCount == 0) {
    FValid = true;
    FEndOfData = false;
    FReadFailed = false;
    FInvalidReason.clear();
    if (!OpenDecoder()) {
      // Refused: nothing is delivered.
      CloseDecoder();
      FValid = false;
      FEndOfData = true;
      FSize = 0;
      FSR = FChan = FBPS = FTotalTime = 0;
      return;
    }
    const VorbisEntries& v = Vorbis();
    vorbis_info* info = v.ov_info(&FDecoder, -1);
    FChan = info->channels;
    FSR = static_cast<std::int32_t>(info->rate);
    FBPS = 16;
    ogg_int64_t bytes = v.ov_pcm_total(&FDecoder, -1) * 2 * FChan;
    FSize = bytes < 0 ? -1 : static_cast<std::int32_t>(std::min<ogg_int64_t>(bytes, std::numeric_limits<std::int32_t>::max()));
    FSection = -1;
    FTotalTime = RoundHalfEven(v.ov_time_total(&FDecoder, 0));
  }
  ++FOpenCount;
}

bool TVorbisIn::OpenDecoder() {
  try {
    FStream = std::make_unique<TFileStream>(FFileName, TFileStream::Mode::Read);
  } catch (const EStreamError& error) {
    FInvalidReason = std::string(error.what()) + ": " + OpenFailureReason(FFileName);
    return false;
  }
  ov_callbacks callbacks{VorbisDecoderCallbacks::Read, VorbisDecoderCallbacks::Seek, nullptr,
                         VorbisDecoderCallbacks::Tell};
  // A refused file leaves the decoder state not to be touched again.
  FDecoderOpen = Vorbis().ov_open_callbacks(this, &FDecoder, nullptr, 0, callbacks) == 0;
  if (!FDecoderOpen && FReadFailed) FInvalidReason = "The file " + FFileName + " cannot be read (Stream read error)";
  return FDecoderOpen;
}

void TVorbisIn::CloseDecoder() {
  if (FDecoderOpen) Vorbis().ov_clear(&FDecoder);
  FDecoderOpen = false;
  FStream.reset();
}

void TVorbisIn::CloseFile() {
  if (FOpenCount == 1) CloseDecoder();
  if (FOpenCount > 0) --FOpenCount;
}

void TVorbisIn::Fill() {
  if (!FDecoderOpen) {
    FEndOfData = true;
    return;
  }
  while (FBufEnd < static_cast<std::int32_t>(FBuffer.size())) {
    long got = Vorbis().ov_read(&FDecoder, reinterpret_cast<char*>(&FBuffer[FBufEnd]),
                                static_cast<int>(FBuffer.size()) - FBufEnd, 0, 2, 1, &FSection);
    // A damaged page leaves a hole: the decoder goes on after it, as the reference decoder does.
    if (got == OV_EREAD || FReadFailed) {
      FEndOfData = true;
      throw EStreamError("Stream read error");
    }
    if (got == OV_HOLE || got == OV_EBADLINK) continue;
    if (got <= 0) {
      FEndOfData = true;  // the end, or data the decoder cannot read
      return;
    }
    FBufEnd += static_cast<std::int32_t>(got);
  }
}

int TVorbisIn::GetData(void* buffer, int bufferSize) {
  if (!FBusy) throw EACSException("The Stream is not opened");
  if (FBufStart > FBufEnd) {
    const VorbisEntries& v = Vorbis();
    if (FSize > 0 && TakeJump() && FDecoderOpen && v.ov_seekable(&FDecoder) != 0 &&
        v.ov_time_seek(&FDecoder, double(FPosition) / FSize * FTotalTime) == 0)
      FEndOfData = false;  // a jump back after the end plays on from there
    FBufStart = 1;
    FBufEnd = 0;
    if (!FEndOfData) Fill();
    if (FEndOfData && FLoop && FBufEnd == 0) {
      Flush();
      Init();
      FEndOfData = false;
      Fill();
    }
    if (FBufEnd == 0) return 0;
  }
  std::int32_t count = std::min(bufferSize, FBufEnd - FBufStart + 1);
  std::memcpy(buffer, &FBuffer[FBufStart - 1], static_cast<std::size_t>(count));
  FBufStart += count;
  FPosition += count;
  return count;
}
