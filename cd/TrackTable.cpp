#include "cd/TrackTable.h"

#include <cstdio>

namespace {
template <typename... Args>
std::string Format(const char* pattern, Args... args) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, args...);
  return text;
}
}  // namespace

std::vector<OutputFormat> OutputFormats() {
  return {OutputFormat::MP3, OutputFormat::WAV, OutputFormat::Ogg, OutputFormat::FLAC, OutputFormat::Opus};
}

std::string FormatExtension(OutputFormat format) {
  switch (format) {
    case OutputFormat::WAV:
      return ".wav";
    case OutputFormat::Ogg:
      return ".ogg";
    case OutputFormat::FLAC:
      return ".flac";
    case OutputFormat::Opus:
      return ".opus";
    case OutputFormat::MP3:
      break;
  }
  return ".mp3";
}

std::string TrackLengthText(std::uint32_t blocks) {
  std::uint32_t seconds = blocks / 75;
  return Format("%.2u:%.2u,%.2u", seconds / 60, seconds % 60, blocks % 75);
}

std::string TrackSizeText(std::uint32_t blocks) {
  std::uint64_t bytes = static_cast<std::uint64_t>(blocks) * 2352;
  return Format("%8.2f M", static_cast<double>(bytes) / 1024 / 1024);
}

TrackRow MakeTrackRow(int trackNumber, std::uint32_t blocks, OutputFormat format) {
  TrackRow row;
  row.number = Format("%.2d", trackNumber);
  row.name = "Track-" + row.number + FormatExtension(format);
  row.length = TrackLengthText(blocks);
  row.size = TrackSizeText(blocks);
  row.blocks = std::to_string(blocks);
  return row;
}
