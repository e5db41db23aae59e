#include "acs/ACS_Opus.h"

#include <opusenc.h>

#include <cstring>

// The encoder writes through our own file stream, so a replaced file takes its place only when complete.
struct OpusEncoderCallbacks {
  static int Write(void* client, const unsigned char* data, opus_int32 length) {
    auto* sink = static_cast<TOpusOut*>(client);
    if (sink->FStream && sink->FStream->Write(data, length) == length) return 0;
    sink->FWriteFailed = true;
    return 1;
  }

  // The stream is closed, and put in place, by the sink itself.
  static int Close(void*) { return 0; }
};

TOpusOut::~TOpusOut() {
  TerminateWorker();
  CloseEncoder();  // a run abandoned by the destruction; its partial file goes with the stream
}

void TOpusOut::Prepare() {
  if (FFileName.empty()) throw EACSException("File name is not assigned.");
  if (FBitrate < 6 || FBitrate > 510)
    throw EACSException("The Opus bit rate must be 6 to 510 kbit/s, not " + std::to_string(FBitrate));
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

void TOpusOut::SetUpEncoder() {
  OggOpusComments* comments = MakeComments();
  OpusEncCallbacks callbacks{OpusEncoderCallbacks::Write, OpusEncoderCallbacks::Close};
  int error = OPE_OK;
  FEncoder = ope_encoder_create_callbacks(&callbacks, this, comments, FInput->SampleRate(), FChannels, 0, &error);
  ope_comments_destroy(comments);  // the encoder keeps its own copy
  if (FEncoder == nullptr)
    throw EACSException(std::string("The Opus encoder cannot take this audio (") + ope_strerror(error) + ")");
  error = ope_encoder_ctl(FEncoder, OPUS_SET_BITRATE(FBitrate * 1000));
  if (error != OPE_OK)
    throw EACSException(std::string("The Opus encoder cannot take this bit rate (") + ope_strerror(error) + ")");
}

// Lines that are no NAME=VALUE pair are left out.
OggOpusComments* TOpusOut::MakeComments() const {
  OggOpusComments* comments = ope_comments_create();
  if (comments == nullptr) throw EACSException("The Opus encoder cannot be created");
  for (const std::string& line : FComments) {
    if (line.find('=') == std::string::npos || line.front() == '=') continue;
    if (ope_comments_add_string(comments, line.c_str()) != OPE_OK) {
      ope_comments_destroy(comments);
      throw EACSException("The Opus encoder cannot take the comment " + line.substr(0, line.find('=')));
    }
  }
  return comments;
}

bool TOpusOut::DoOutput(bool Abort) {
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
      FSamples[i] = static_cast<std::int16_t>((FBuffer[i] - 128) * 256);  // 8-bit PCM is unsigned
    } else {
      std::memcpy(&FSamples[i], &FBuffer[2 * i], 2);
    }
  }
  int error = ope_encoder_write(FEncoder, FSamples.data(), frames);
  if (error != OPE_OK || FWriteFailed) {
    SetRunError(EncoderError(error));
    return false;
  }
  FCarried = bytes - frames * frameBytes;
  std::memmove(FBuffer.data(), FBuffer.data() + frames * frameBytes, static_cast<std::size_t>(FCarried));
  return true;
}

std::string TOpusOut::EncoderError(int code) const {
  if (FWriteFailed) return FStream ? FStream->WriteErrorText() : "Stream write error";
  return std::string("Opus encoding failed (") + ope_strerror(code) + ")";
}

// Draining codes the last samples and ends the stream; a stopped run so gives a complete file of what it
// encoded.
void TOpusOut::Done() {
  if (RunError().empty()) {
    int error = ope_encoder_drain(FEncoder);
    if (error != OPE_OK || FWriteFailed) SetRunError(EncoderError(error));
  }
  FinishFile(*FStream, FFileName);
  CloseEncoder();
  FInput->Flush();
  FComments.clear();
}

// Closes the file first: a file not put in place by FinishFile is removed with its stream, and an encoder
// destroyed undrained writes nowhere.
void TOpusOut::CloseEncoder() {
  FStream.reset();
  if (FEncoder != nullptr) ope_encoder_destroy(FEncoder);
  FEncoder = nullptr;
}
