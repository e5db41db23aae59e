#include "rip/Mp3TrackEncoder.h"

#include <cstdio>
#include <vector>

#include "acs/ACS_Wave.h"
#include "acs/TFileStream.h"
#include "id3/ID3v2Frames.h"
#include "rip/TrackTagging.h"

EncodeResult Mp3TrackEncoder::Encode(const std::string& wavPath, const std::string& outputPath, const TrackTags& tags,
                                     const std::function<void(int)>& progress,
                                     const std::atomic<bool>& cancel) const {
  TFileStream in(wavPath, TFileStream::Mode::Read);
  TFileStream out(outputPath, TFileStream::Mode::Replace, LinkRule::OwnedOnly);
  std::string tag = Mp3TagOf(tags);
  out.WriteBuffer(tag.data(), static_cast<std::int64_t>(tag.size()));
  BE_CONFIG config = FConfig;
  std::uint32_t samples = 0, bufferSize = 0;
  HBE_STREAM stream = 0;
  BE_ERR error = beInitStream(&config, &samples, &bufferSize, &stream);
  if (error != BE_ERR_SUCCESSFUL)
    return {EncodeResult::Status::Failed, "Error opening encoding stream " + std::to_string(error), true};
  auto fail = [&](const std::string& text) {
    beCloseStream(stream);
    return EncodeResult{EncodeResult::Status::Failed, text, false};
  };
  std::vector<std::int16_t> pcm(samples);
  std::vector<std::uint8_t> mp3(bufferSize);
  in.Seek(kWaveHeaderSize, SEEK_SET);
  const std::int64_t length = in.Size() - kWaveHeaderSize;
  std::int64_t done = 0;
  std::uint32_t produced = 0;
  while (done != length && !cancel) {
    std::int64_t count = 2 * std::int64_t(samples);
    if (done + count >= length) count = length - done;
    if (in.Read(pcm.data(), count) < count) return fail("Read Error");
    error = beEncodeChunk(stream, static_cast<std::uint32_t>(count / 2), pcm.data(), mp3.data(), &produced);
    if (error != BE_ERR_SUCCESSFUL) return fail("beEncodeChunk failed " + std::to_string(error));
    if (out.Write(mp3.data(), produced) != produced) return fail(out.WriteErrorText("Write Error"));
    done += count;
    progress(static_cast<int>(done * 100 / length));
  }
  error = beDeinitStream(stream, mp3.data(), &produced);
  if (error != BE_ERR_SUCCESSFUL) return fail("beExitStream failed " + std::to_string(error));
  if (out.Write(mp3.data(), produced) != produced) return fail(out.WriteErrorText("Write error"));
  // The Info frame after the tag tells decoders where the track's own samples begin and end.
  error = beInfoFrame(stream, mp3.data(), &produced);
  if (error != BE_ERR_SUCCESSFUL) return fail("beInfoFrame failed " + std::to_string(error));
  if (out.Seek(std::int64_t(tag.size()), SEEK_SET) < 0 || out.Write(mp3.data(), produced) != produced)
    return fail(out.WriteErrorText("Write error"));
  beCloseStream(stream);
  if (cancel) return {EncodeResult::Status::Cancelled, {}, false};
  if (!out.Commit()) throw EStreamError("Cannot create file " + outputPath);
  return {};
}

std::string Mp3TrackEncoder::AddAlbumGain(const std::string& outputPath, const GainValues& album) const {
  std::vector<Id3TextFrame> frames;
  for (const auto& [name, value] : AlbumGainFields(album)) frames.push_back({"TXXX", value, name});
  const std::string why = SetUserTextFrames(outputPath, frames);
  return why.empty() ? why : outputPath + ": " + why;
}
