#pragma once
// Writes CD images as CUE sheets with their audio files: the demo disc and the test discs.

#include <cstdint>
#include <string>
#include <vector>

namespace discimage {

enum class FileType { Binary, Motorola, Wave };

struct ImageTrack {
  std::vector<std::int16_t> pregap;  // interleaved stereo before INDEX 01, block multiple
  std::vector<std::int16_t> audio;   // interleaved stereo from INDEX 01
};

struct ImageLayout {
  FileType type = FileType::Binary;
  bool filePerTrack = false;  // otherwise one file holds every track
};

// Writes FOLDER/NAME.cue and its files; in one file every track but the last must fill whole blocks.
// Returns the sheet's path, or an empty string when a file could not be written.
std::string WriteImage(const std::string& folder, const std::string& name, const std::vector<ImageTrack>& tracks,
                       ImageLayout layout);

}  // namespace discimage
