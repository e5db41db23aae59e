#pragma once
// The MP3 encoder library of the rip: open a stream, encode chunks of CD audio, finish, close.
// The PCM is always CD audio (44,100 Hz, 16-bit stereo); dwSampleRate is the rate of the MP3 stream,
// which the encoder resamples to.

#include <cstdint>

using HBE_STREAM = std::uintptr_t;
using BE_ERR = std::uint32_t;

constexpr BE_ERR BE_ERR_SUCCESSFUL = 0;
constexpr BE_ERR BE_ERR_INVALID_FORMAT = 1;
constexpr BE_ERR BE_ERR_INVALID_FORMAT_PARAMETERS = 2;
constexpr BE_ERR BE_ERR_NO_MORE_HANDLES = 3;
constexpr BE_ERR BE_ERR_INVALID_HANDLE = 4;
constexpr BE_ERR BE_ERR_BUFFER_TOO_SMALL = 5;

constexpr std::uint32_t BE_CONFIG_MP3 = 0;
constexpr std::uint8_t BE_MP3_MODE_STEREO = 0;

struct BE_CONFIG {
  std::uint32_t dwConfig = BE_CONFIG_MP3;  // the kind of configuration
  struct {
    std::uint32_t dwSampleRate = 0;
    std::uint8_t byMode = BE_MP3_MODE_STEREO;
    std::uint16_t wBitrate = 0;  // kbit/s
    std::int32_t bPrivate = 0;
    std::int32_t bCRC = 0;
    std::int32_t bCopyright = 0;
    std::int32_t bOriginal = 0;
    std::int32_t bEnableVBR = 0;   // a variable bit rate of the quality below instead of wBitrate
    std::int32_t nVBRQuality = 2;  // 0 (best) to 9, as LAME's -V
  } mp3;
};

// dwSamples: 16-bit samples (both channels counted) one chunk takes; dwBufferSize: output room it needs.
BE_ERR beInitStream(const BE_CONFIG* config, std::uint32_t* dwSamples, std::uint32_t* dwBufferSize,
                    HBE_STREAM* stream);
BE_ERR beEncodeChunk(HBE_STREAM stream, std::uint32_t nSamples, const std::int16_t* samples, std::uint8_t* output,
                     std::uint32_t* outputBytes);
BE_ERR beDeinitStream(HBE_STREAM stream, std::uint8_t* output, std::uint32_t* outputBytes);
// The stream's first frame as it must read once the stream is finished (after beDeinitStream, before
// beCloseStream): an Info frame (a Xing frame, with its frame count, byte count and seek table, for a variable
// bit rate) with the encoder's delay and padding and the stream's length, so decoders play exactly the samples
// encoded and find the right place when they seek. The stream's first bytes hold a placeholder of the same size, to be
// written over with it. output needs dwBufferSize bytes of room.
BE_ERR beInfoFrame(HBE_STREAM stream, std::uint8_t* output, std::uint32_t* outputBytes);
BE_ERR beCloseStream(HBE_STREAM stream);
