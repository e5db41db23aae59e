#include "acs/ACS_LAME.h"

#include <cstdint>
#include <cstring>

#include "platform/bladeenc/LameLibrary.h"

namespace {

constexpr int kKilobits[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 192, 224, 256, 320};
// Beyond what any recording holds; a rate read from a damaged header as 0 or 4 GHz is refused.
constexpr int kMostSampleRate = 768000;

// The bit rates an MP3 of this sample rate has, as text: MPEG-1 from 32 kHz, MPEG-2 from 16 kHz, MPEG-2.5 below.
std::string BitRatesAt(int sampleRate) {
  const bool mpeg1 = sampleRate >= 32000;
  const int lowest = mpeg1 ? 32 : 8;
  const int highest = mpeg1 ? 320 : sampleRate >= 16000 ? 160 : 64;
  std::string list;
  for (int kilobits : kKilobits) {
    if (kilobits < lowest || kilobits > highest || (mpeg1 && kilobits == 144)) continue;
    list += (list.empty() ? "" : kilobits == highest ? " and " : ", ") + std::to_string(kilobits);
  }
  return list;
}

}  // namespace

int KilobitsPerSecond(TMP3BitRate bitRate) { return kKilobits[bitRate]; }

bool BitRateOfKilobits(int kilobits, TMP3BitRate& bitRate) {
  for (int value = br8; value <= br320; ++value) {
    if (kKilobits[value] != kilobits) continue;
    bitRate = static_cast<TMP3BitRate>(value);
    return true;
  }
  return false;
}

// ---- TMP3Out ----

TMP3Out::TMP3Out() {
  if (!BindLame()) throw EACSException(kLameMissingMessage);
}

TMP3Out::~TMP3Out() {
  TerminateWorker();
  CloseEncoder();  // a run abandoned by the destruction; its partial file goes with the stream
}

void TMP3Out::Prepare() {
  if (FFileName.empty()) throw EACSException("File name is not assigned.");
  ReadCodableFormat(FChannels, FBits);
  FInput->Init();
  SetUpEncoder();
  try {
    FStream = std::make_unique<TFileStream>(FFileName, TFileStream::Mode::Replace, FLinkRule);
  } catch (...) {
    CloseEncoder();
    throw;
  }
}

void TMP3Out::SetUpEncoder() {
  const LameEntries& lame = Lame();
  FLame = lame.lame_init();
  const int sampleRate = FInput->SampleRate();
  if (sampleRate <= 0 || sampleRate > kMostSampleRate)
    throw EACSException("The MP3 encoder cannot take a sample rate of " +
                        std::to_string(static_cast<std::uint32_t>(sampleRate)) + " Hz");
  std::int32_t size = FInput->Size();
  if (size > 0) lame.lame_set_num_samples(FLame, static_cast<unsigned long>(size / (FBits / 8 * FChannels)));
  lame.lame_set_in_samplerate(FLame, FInput->SampleRate());
  lame.lame_set_num_channels(FLame, FChannels);
  lame.lame_set_brate(FLame, KilobitsPerSecond(FBitRate));
  lame.lame_set_bWriteVbrTag(FLame, 1);  // the placeholder of the Info frame leads the file
  lame.lame_init_params(FLame);
  if (FExactBitRate && lame.lame_get_brate(FLame) != KilobitsPerSecond(FBitRate))
    throw EACSException("An MP3 of " + std::to_string(lame.lame_get_out_samplerate(FLame)) + " Hz has no bit rate of " +
                        std::to_string(KilobitsPerSecond(FBitRate)) + " kbit/s; it has " +
                        BitRatesAt(lame.lame_get_out_samplerate(FLame)) + " kbit/s");
  FMP3Buffer = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(FMP3BufferSize));
}

int TMP3Out::ReadBlock() {
  if (FBits == 16) return FInput->GetData(FBuffer.data(), static_cast<int>(FBuffer.size()));
  // 8-bit PCM is unsigned: half a block is read and widened in place, from the end, to the signed
  // 16-bit samples the encoder takes, so the block and the encoder's worst case stay as for 16 bits.
  int got = FInput->GetData(FBuffer.data(), static_cast<int>(FBuffer.size() / 2));
  for (int i = got - 1; i >= 0; --i) {
    auto sample = static_cast<std::int16_t>((FBuffer[static_cast<std::size_t>(i)] - 128) * 256);
    std::memcpy(&FBuffer[2 * static_cast<std::size_t>(i)], &sample, sizeof sample);
  }
  return got * 2;
}

bool TMP3Out::DoOutput(bool Abort) {
  bool result;
  if (!OutputStepStarts(Abort, result)) return result;
  int bytes = ReadBlock();
  if (bytes <= 0) return false;
  const LameEntries& lame = Lame();
  auto* pcm = reinterpret_cast<short*>(FBuffer.data());
  int encoded;
  if (FChannels == 2) {
    encoded = lame.lame_encode_buffer_interleaved(FLame, pcm, bytes / 4, FMP3Buffer.get(), FMP3BufferSize);
  } else {
    // The interleaved call always reads every other sample, stereo or not: mono goes in as one channel.
    encoded = lame.lame_encode_buffer(FLame, pcm, pcm, bytes / 2, FMP3Buffer.get(), FMP3BufferSize);
  }
  if (encoded < 0) {
    SetRunError("MP3 encoding failed (error " + std::to_string(encoded) + ")");
    return false;
  }
  return WriteMP3(encoded);
}

bool TMP3Out::WriteMP3(int bytes) {
  if (FStream->Write(FMP3Buffer.get(), bytes) == bytes) return true;
  SetRunError(FStream->WriteErrorText());
  return false;
}

// The Info frame at the start tells decoders where the input's own samples begin and end.
void TMP3Out::WriteInfoFrame() {
  std::size_t bytes = Lame().lame_get_lametag_frame(FLame, FMP3Buffer.get(), static_cast<std::size_t>(FMP3BufferSize));
  if (bytes == 0 || bytes > static_cast<std::size_t>(FMP3BufferSize)) return;
  auto count = static_cast<std::int64_t>(bytes);
  if (FStream->Seek(0, SEEK_SET) < 0 || FStream->Write(FMP3Buffer.get(), count) != count)
    SetRunError(FStream->WriteErrorText());
}

// The tag goes to the encoder after the last audio, so the encoder writes it with the flushed tail.
void TMP3Out::PassTags() {
  const LameEntries& lame = Lame();
  lame.id3tag_init(FLame);
  lame.id3tag_set_title(FLame, FId3TagTitle.c_str());
  lame.id3tag_set_artist(FLame, FId3TagArtist.c_str());
  lame.id3tag_set_album(FLame, FId3TagAlbum.c_str());
  lame.id3tag_set_year(FLame, FId3TagYear.c_str());
  lame.id3tag_set_track(FLame, FId3TagTrack.c_str());
  lame.id3tag_set_comment(FLame, FId3TagComment.c_str());
}

void TMP3Out::Done() {
  PassTags();
  int flushed = Lame().lame_encode_flush(FLame, FMP3Buffer.get(), FMP3BufferSize);
  if (flushed < 0)
    SetRunError("MP3 encoding failed (error " + std::to_string(flushed) + ")");
  else if (WriteMP3(flushed))
    WriteInfoFrame();
  FinishFile(*FStream, FFileName);
  CloseEncoder();
  FInput->Flush();
}

// Closes the file first: a file not put in place by FinishFile is removed with its stream.
void TMP3Out::CloseEncoder() {
  FStream.reset();
  if (FLame != nullptr) Lame().lame_close(FLame);
  FLame = nullptr;
  FMP3Buffer.reset();
}
