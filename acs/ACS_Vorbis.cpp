#include "acs/ACS_Vorbis.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

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

// The decoder reads our own file stream through these. No exception may cross the decoder's C code: a read
// error is handed to it as the C library would, and it answers OV_EREAD.
size_t ReadStream(void* buffer, size_t size, size_t count, void* source) {
  if (size == 0) return 0;
  try {
    auto bytes = static_cast<TFileStream*>(source)->Read(buffer, static_cast<std::int64_t>(size * count));
    return static_cast<size_t>(bytes) / size;
  } catch (const EStreamError&) {
    errno = EIO;
    return 0;
  }
}

int SeekStream(void* source, ogg_int64_t offset, int whence) {
  return static_cast<TFileStream*>(source)->Seek(offset, whence) < 0 ? -1 : 0;
}

int CloseStream(void* source) {
  delete static_cast<TFileStream*>(source);
  return 0;
}

long TellStream(void* source) { return static_cast<long>(static_cast<TFileStream*>(source)->Seek(0, SEEK_CUR)); }

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

// ---- TVorbisIn ----

TVorbisIn::TVorbisIn() { CheckVorbisLibraries(); }

TVorbisIn::~TVorbisIn() {
  if (FDecoderOpen) Vorbis().ov_clear(&FDecoder);
}

void TVorbisIn::OpenFile() {
  if (FOpenCount == 0) {
    FValid = true;
    FEndOfData = false;
    std::unique_ptr<TFileStream> stream;
    try {
      stream = std::make_unique<TFileStream>(FFileName, TFileStream::Mode::Read);
    } catch (const EStreamError&) {
      FValid = false;
      FEndOfData = true;
      return;
    }
    const VorbisEntries& v = Vorbis();
    ov_callbacks callbacks{ReadStream, SeekStream, CloseStream, TellStream};
    if (v.ov_open_callbacks(stream.get(), &FDecoder, nullptr, 0, callbacks) < 0) {
      // Refused: the decoder state is not to be touched again, and nothing is delivered.
      FValid = false;
      FEndOfData = true;
      FSize = 0;
      FSR = FChan = FBPS = FTotalTime = 0;
      return;
    }
    stream.release();  // the decoder closes it
    FDecoderOpen = true;
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

void TVorbisIn::CloseFile() {
  if (FOpenCount == 1 && FDecoderOpen) {
    Vorbis().ov_clear(&FDecoder);
    FDecoderOpen = false;
  }
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
    if (got == OV_HOLE || got == OV_EBADLINK) continue;
    if (got == OV_EREAD) {
      FEndOfData = true;
      throw EStreamError("Stream read error");
    }
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
