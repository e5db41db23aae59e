#pragma once
// The rows of the track list: what each track will be ripped to and how long it is.

#include <cstdint>
#include <string>
#include <vector>

enum class OutputFormat { MP3, WAV, Ogg, FLAC, Opus };

// ".mp3", ".wav", ".ogg", ".flac" or ".opus".
std::string FormatExtension(OutputFormat format);
// Every format, in the order of the enumeration.
std::vector<OutputFormat> OutputFormats();

struct TrackRow {
  std::string number;  // "%.2d"
  std::string name;    // output file name without folder
  std::string length;  // "%.2d:%.2d,%.2d": minutes, seconds, blocks
  std::string size;    // "%8.2f M"
  std::string blocks;  // decimal
  bool checked = true;
};

// The row of the audio before the first track (hidden track one audio) is numbered "00".
inline bool IsHiddenAudioRow(const std::string& number) { return number == "00"; }

TrackRow MakeTrackRow(int trackNumber, std::uint32_t blocks, OutputFormat format);
std::string TrackLengthText(std::uint32_t blocks);
std::string TrackSizeText(std::uint32_t blocks);
