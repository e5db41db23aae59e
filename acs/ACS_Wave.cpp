#include "acs/ACS_Wave.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/files/WaveChunks.h"

namespace {

void Put16(std::uint8_t* p, std::uint32_t value) {
  p[0] = static_cast<std::uint8_t>(value);
  p[1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t value) {
  Put16(p, value);
  Put16(p + 2, value >> 16);
}

std::uint32_t Get16(const std::uint8_t* p) { return p[0] | p[1] << 8; }
std::uint32_t Get32(const std::uint8_t* p) { return Get16(p) | Get16(p + 2) << 16; }

}  // namespace

TWaveHeader MakeWaveHeader(int channels, int bitsPerSample, std::int32_t dataSize, int sampleRate) {
  TWaveHeader header{};
  std::uint32_t blockAlign = static_cast<std::uint32_t>(bitsPerSample * channels / 8);
  std::memcpy(header.data(), "RIFF", 4);
  Put32(&header[4], static_cast<std::uint32_t>(dataSize) + 36);
  std::memcpy(&header[8], "WAVEfmt ", 8);
  Put32(&header[16], 16);
  Put16(&header[20], 1);
  Put16(&header[22], static_cast<std::uint32_t>(channels));
  Put32(&header[24], static_cast<std::uint32_t>(sampleRate));
  Put32(&header[28], blockAlign * static_cast<std::uint32_t>(sampleRate));
  Put16(&header[32], blockAlign);
  Put16(&header[34], static_cast<std::uint32_t>(bitsPerSample));
  std::memcpy(&header[36], "data", 4);
  Put32(&header[40], static_cast<std::uint32_t>(dataSize));
  return header;
}

// ---- TWaveIn ----

void TWaveIn::OpenFile() {
  FValid = true;
  if (FOpenCount == 0) {
    auto stream = std::make_unique<TFileStream>(FFileName, TFileStream::Mode::Read);
    WaveChunks wave;
    bool found = ReadWaveChunks(stream->Handle(), stream->Size(), wave);
    FFormatTag = found ? wave.formatTag : 0;
    // Only PCM can be delivered as it is; anything else delivers nothing and is reported as not valid.
    if (FFormatTag != 1) {
      FValid = false;
      FSize = 0;
      FSR = FBPS = FChan = 0;
      return;
    }
    FDataOffset = wave.dataOffset;
    stream->Seek(FDataOffset, SEEK_SET);
    // A header may promise more than the file holds (a recording cut short, a stream of unknown
    // length): the data then ends with the file.
    FSize = static_cast<std::int32_t>(std::min<std::int64_t>(wave.dataBytes, std::numeric_limits<std::int32_t>::max()));
    FSR = static_cast<std::int32_t>(wave.sampleRate);
    FBPS = wave.bitsPerSample;
    FChan = wave.channels;
    FStream = std::move(stream);
  }
  ++FOpenCount;
}

void TWaveIn::CloseFile() {
  if (FOpenCount == 1) FStream.reset();
  if (FOpenCount > 0) --FOpenCount;
}

std::int32_t TWaveIn::ReadBlock() {
  if (!FStream) return 0;
  std::int64_t wanted = std::min<std::int64_t>(FBuffer.size(), std::int64_t(FSize) - FPosition);
  return wanted > 0 ? static_cast<std::int32_t>(FStream->Read(FBuffer.data(), wanted)) : 0;
}

std::int32_t TWaveIn::Refill() {
  if (TakeJump() && FStream) FStream->Seek(FDataOffset + (FPosition & ~3), SEEK_SET);
  FBufStart = 1;
  FBufEnd = 0;
  if (FPosition >= FSize) {
    if (!FLoop) return 0;
    Flush();
    Init();
  }
  std::int32_t got = ReadBlock();
  if (got == 0 && FLoop) {
    Flush();
    Init();
    got = ReadBlock();
  }
  FBufEnd = got;
  return got;
}

int TWaveIn::GetData(void* buffer, int bufferSize) {
  if (!FBusy) throw EACSException("The Stream is not opened");
  if (FBufStart > FBufEnd && Refill() == 0) return 0;
  std::int32_t count = std::min(bufferSize, FBufEnd - FBufStart + 1);
  std::memcpy(buffer, &FBuffer[FBufStart - 1], static_cast<std::size_t>(count));
  FBufStart += count;
  FPosition += count;
  return count;
}

// ---- TWaveOut ----

TWaveOut::~TWaveOut() { TerminateWorker(); }

void TWaveOut::Prepare() {
  if (FFileName.empty()) throw EACSException("File name is not assigned.");
  FInput->Init();
  TWaveHeader header =
      MakeWaveHeader(FInput->Channels(), FInput->BitsPerSample(), FInput->Size(), FInput->SampleRate());
  FStream = std::make_unique<TFileStream>(FFileName, TFileStream::Mode::Replace, FLinkRule);
  if (FStream->Write(header.data(), kWaveHeaderSize) != kWaveHeaderSize) {
    std::string error = FStream->WriteErrorText();
    FStream.reset();
    throw EStreamError(error);
  }
  FHeaderDataSize = Get32(&header[40]);
  FWritten = 0;
  FWriteFailed = false;
  FKeptAfterError = false;
}

bool TWaveOut::DoOutput(bool Abort) {
  bool result;
  if (!OutputStepStarts(Abort, result)) return result;
  int got = FInput->GetData(FBuffer.data(), static_cast<int>(FBuffer.size()));
  if (got <= 0) return false;
  std::int64_t put = FStream->Write(FBuffer.data(), got);
  FWritten += put;
  if (put != got) {
    FWriteFailed = true;
    SetRunError(FStream->WriteErrorText());
    return false;
  }
  return true;
}

void TWaveOut::Done() {
  // The header states what the file holds: a stopped run or a failed write must not promise more.
  if (FWritten != FHeaderDataSize) {
    std::uint8_t size[4];
    Put32(size, static_cast<std::uint32_t>(FWritten));
    bool fixed = FStream->Seek(40, SEEK_SET) == 40 && FStream->Write(size, 4) == 4;
    Put32(size, static_cast<std::uint32_t>(FWritten + 36));
    fixed = fixed && FStream->Seek(4, SEEK_SET) == 4 && FStream->Write(size, 4) == 4;
    if (!fixed) SetRunError(FStream->WriteErrorText());
    else if (FWriteFailed && FKeepOnWriteError && FWritten > 0) FKeptAfterError = FStream->Commit();
  }
  FinishFile(*FStream, FFileName);
  FStream.reset();
  FInput->Flush();
}
