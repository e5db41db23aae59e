#include "acs/ACS_AudioMix.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace {

int Sample(const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] | p[1] << 8); }

void PutSample(std::uint8_t* p, int sample) {
  p[0] = static_cast<std::uint8_t>(sample);
  p[1] = static_cast<std::uint8_t>(sample >> 8);
}

// sample × volume ÷ 255 to the nearest integer; 255 is odd, so the quotient is never an exact half.
int Scale(int sample, int volume) {
  int product = sample * volume;
  return product >= 0 ? (product + 127) / 255 : -((-product + 127) / 255);
}

std::string FormatText(TACSInput& input) {
  return std::to_string(input.SampleRate()) + " Hz, " + std::to_string(input.Channels()) +
         (input.Channels() == 1 ? " channel" : " channels");
}

// A source without any audio format found none in its file: that is no PCM WAV file at all.
void CheckSampleSize(TACSInput& input, const std::string& name) {
  int bits = input.BitsPerSample();
  if (bits == 16) return;
  if (bits != 0) throw EACSException(name + " is not 16-bit PCM audio");
  auto* file = dynamic_cast<TACSFileIn*>(&input);
  throw EACSException(name + (file != nullptr ? " (" + file->FileName() + ")" : std::string()) +
                      " is not a PCM WAV file");
}

}  // namespace

TACSInput& TAudioMixer::FormatSource() {
  if (FInput1 == nullptr) throw EACSException("Input not assigned");
  return *FInput1;
}

int TAudioMixer::GetBitsPerSample() { return FormatSource().BitsPerSample(); }
int TAudioMixer::GetChannels() { return FormatSource().Channels(); }
int TAudioMixer::GetSampleRate() { return FormatSource().SampleRate(); }

// The output takes the first source's format and the mix works on signed 16-bit samples: anything else
// would come out as noise or at the wrong speed.
void TAudioMixer::CheckFormats() {
  CheckSampleSize(*FInput1, "Input1");
  CheckSampleSize(*FInput2, "Input2");
  if (FInput1->Channels() != FInput2->Channels() || FInput1->SampleRate() != FInput2->SampleRate())
    throw EACSException("Input1 and Input2 differ in format (" + FormatText(*FInput1) + " and " +
                        FormatText(*FInput2) + ")");
}

void TAudioMixer::Init() {
  if (FInput1 == nullptr) throw EACSException("Input1 not assigned");
  if (FInput2 == nullptr) throw EACSException("Input2 not assigned");
  CheckFormats();
  FInput1->Init();
  try {
    FInput2->Init();
  } catch (...) {
    FInput1->Flush();  // left open, it would refuse the next start as busy
    throw;
  }
  FBusy = true;
  FPosition = 0;
  FBufStart = 1;
  FBufEnd = 0;
  FEndOfInput1 = false;
  FEndOfInput2 = false;
  std::int64_t size1 = FInput1->Size();
  std::int64_t size2 = FInput2->Size();
  if (size1 < 0 || size2 < 0)
    FSize = -1;  // one length unknown makes the result's unknown too
  else
    FSize = static_cast<std::int32_t>(std::min<std::int64_t>(FMode == amMix ? std::max(size1, size2) : size1 + size2,
                                                             std::numeric_limits<std::int32_t>::max()));
}

void TAudioMixer::Flush() {
  if (FInput1 != nullptr) FInput1->Flush();
  if (FInput2 != nullptr) FInput2->Flush();
  FBusy = false;
}

int TAudioMixer::ReadFull(TACSInput& input, std::uint8_t* buffer, bool& ended) {
  int total = 0;
  while (total < kBufferSize) {
    int got = input.GetData(buffer + total, kBufferSize - total);
    if (got <= 0) {
      ended = true;
      break;
    }
    total += got;
  }
  return total;
}

// A source that has ended stays silent while the other goes on.
bool TAudioMixer::RefillMix() {
  FBuffer1.fill(0);
  FBuffer2.fill(0);
  int got1 = FEndOfInput1 ? 0 : ReadFull(*FInput1, FBuffer1.data(), FEndOfInput1);
  int got2 = FEndOfInput2 ? 0 : ReadFull(*FInput2, FBuffer2.data(), FEndOfInput2);
  if (got1 + got2 == 0) return false;
  FBufEnd = std::max(got1, got2);
  int volume1 = FVolume1;
  int volume2 = FVolume2;
  for (int i = 0; i + 1 < FBufEnd; i += 2) {
    int a = Scale(Sample(&FBuffer1[i]), volume1);
    int b = Scale(Sample(&FBuffer2[i]), volume2);
    PutSample(&FBuffer2[i], (a + b) / 2);  // the average of two 16-bit samples always fits
  }
  return true;
}

bool TAudioMixer::RefillConcatenate() {
  if (!FEndOfInput1) {
    int got = FInput1->GetData(FBuffer2.data(), kBufferSize);
    if (got > 0) {
      FBufEnd = got;
      return true;
    }
    FEndOfInput1 = true;
  }
  int got = FInput2->GetData(FBuffer2.data(), kBufferSize);
  if (got <= 0) {
    FEndOfInput2 = true;
    return false;
  }
  FBufEnd = got;
  return true;
}

int TAudioMixer::GetData(void* buffer, int bufferSize) {
  if (!FBusy) throw EACSException("The Stream is not opened");
  if (FBufStart > FBufEnd) {
    // Emptied first: after the end nothing old may be handed out again.
    FBufStart = 1;
    FBufEnd = 0;
    if (FEndOfInput1 && FEndOfInput2) return 0;
    bool filled = FMode == amMix ? RefillMix() : RefillConcatenate();
    if (!filled) return 0;
  }
  int count = std::clamp(FBufEnd - FBufStart + 1, 0, std::max(bufferSize, 0));
  std::memcpy(buffer, &FBuffer2[FBufStart - 1], static_cast<std::size_t>(count));
  FBufStart += count;
  FPosition += count;
  return count;
}
