#include "resources/demodisc/DiscImageWriter.h"

#include <cstdio>
#include <fstream>

namespace discimage {

namespace {

constexpr std::size_t kSamplesPerBlock = 2352 / 2;

std::string Msf(std::size_t samples) {
  std::size_t blocks = samples / kSamplesPerBlock;
  char text[40];
  std::snprintf(text, sizeof text, "%02zu:%02zu:%02zu", blocks / 75 / 60, blocks / 75 % 60, blocks % 75);
  return text;
}

void PutLe(std::ofstream& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.put(static_cast<char>(value >> (8 * i)));
}

void PutSamples(std::ofstream& out, const std::vector<std::int16_t>& samples, bool bigEndian) {
  for (std::int16_t sample : samples) {
    auto value = static_cast<std::uint16_t>(sample);
    if (bigEndian) value = static_cast<std::uint16_t>(value << 8 | value >> 8);
    PutLe(out, value, 2);
  }
}

bool WriteAudioFile(const std::string& path, const std::vector<std::vector<std::int16_t>>& parts, FileType type) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::size_t bytes = 0;
  for (const auto& part : parts) bytes += part.size() * 2;
  if (type == FileType::Wave) {
    out.write("RIFF", 4);
    PutLe(out, static_cast<std::uint32_t>(36 + bytes), 4);
    out.write("WAVEfmt ", 8);
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);
    PutLe(out, 2, 2);
    PutLe(out, 44100, 4);
    PutLe(out, 44100 * 4, 4);
    PutLe(out, 4, 2);
    PutLe(out, 16, 2);
    out.write("data", 4);
    PutLe(out, static_cast<std::uint32_t>(bytes), 4);
  }
  for (const auto& part : parts) PutSamples(out, part, type == FileType::Motorola);
  return static_cast<bool>(out.flush());
}

const char* TypeName(FileType type) {
  switch (type) {
    case FileType::Motorola:
      return "MOTOROLA";
    case FileType::Wave:
      return "WAVE";
    case FileType::Binary:
      break;
  }
  return "BINARY";
}

std::string FileName(const std::string& name, int track, const ImageLayout& layout) {
  std::string extension = layout.type == FileType::Wave ? ".wav" : ".bin";
  if (!layout.filePerTrack) return name + extension;
  char number[16];
  std::snprintf(number, sizeof number, " %02d", track);
  return name + number + extension;
}

}  // namespace

std::string WriteImage(const std::string& folder, const std::string& name, const std::vector<ImageTrack>& tracks,
                       ImageLayout layout) {
  std::string sheet;
  std::vector<std::vector<std::int16_t>> parts;
  std::size_t position = 0;  // samples into the current file
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    int number = static_cast<int>(i) + 1;
    if (i == 0 || layout.filePerTrack) {
      sheet += "FILE \"" + FileName(name, number, layout) + "\" " + TypeName(layout.type) + "\n";
      position = 0;
    }
    char header[32];
    std::snprintf(header, sizeof header, "  TRACK %02d AUDIO\n", number);
    sheet += header;
    if (!tracks[i].pregap.empty()) sheet += "    INDEX 00 " + Msf(position) + "\n";
    position += tracks[i].pregap.size();
    sheet += "    INDEX 01 " + Msf(position) + "\n";
    position += tracks[i].audio.size();
    parts.push_back(tracks[i].pregap);
    parts.push_back(tracks[i].audio);
    if (layout.filePerTrack) {
      if (!WriteAudioFile(folder + "/" + FileName(name, number, layout), parts, layout.type)) return {};
      parts.clear();
    }
  }
  if (!layout.filePerTrack && !WriteAudioFile(folder + "/" + FileName(name, 1, layout), parts, layout.type)) return {};
  std::string path = folder + "/" + name + ".cue";
  std::ofstream out(path, std::ios::trunc);
  out << sheet;
  return out.flush() ? path : std::string();
}

}  // namespace discimage
