#pragma once
// Disc images with known PCM, written into a temporary folder for one test.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/akrip32/akrip32.h"
#include "resources/demodisc/DiscImageWriter.h"

namespace testdata {

// Interleaved stereo samples that differ from block to block and from track to track.
std::vector<std::int16_t> Pattern(std::size_t frames, int seed);
std::size_t BlockFrames(std::size_t blocks);  // stereo frames in whole CD blocks
std::int32_t FloorDivide(std::int32_t value, std::int32_t by);  // rounded down, also below 0

// A fresh folder, removed when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& Path() const { return FPath; }
  std::string File(const std::string& name) const { return (FPath / name).string(); }

 private:
  std::filesystem::path FPath;
};

// The bytes a drive delivers for a track: its own audio, then the next track's pregap, padded to blocks.
std::vector<std::uint8_t> ExpectedTrackBytes(const std::vector<discimage::ImageTrack>& tracks, std::size_t index);

void WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);

// Writes the sheet again with CD-Text lines: the disc's at its top, each track's after its TRACK line.
void AddCdText(const std::string& sheet, const std::string& disc, const std::vector<std::string>& tracks);
// Blue's "Songs" of three tracks, the second by Red, as most tests want it.
void AddSampleCdText(const std::string& sheet);

// A dBAR file: one response per pressing, each with its tracks' confidence, checksum and block-450 sum.
struct DbarEntry {
  int confidence;
  std::uint32_t checksum;
  std::uint32_t checksum450;
};
std::string DbarFile(std::uint32_t id1, std::uint32_t id2, std::uint32_t cddb,
                     const std::vector<std::vector<DbarEntry>>& pressings);

// AccurateRip's list of drives: per drive a 16-bit offset, the name in 32 bytes, a 16-bit count of
// submissions and 33 bytes of nothing.
struct DriveListEntry {
  int offset;
  std::string name;
  int submissions;
};
std::string DriveOffsetsFile(const std::vector<DriveListEntry>& drives);
// A reply of the CUETools database to a lookup, written after its public format: one element per entry, with
// the attributes a lookup without metadata gives (track CRCs only where the entry has them, as older ones do not).
struct CtdbTestEntry {
  std::uint32_t crc;
  int confidence;
  std::string toc;
  std::vector<std::uint32_t> trackCrcs;
};
std::string CtdbReply(const std::vector<CtdbTestEntry>& entries);

// While it lives, no file of this process grows past `bytes`: writes fail as on a full disk.
class FullDisk {
 public:
  explicit FullDisk(std::uint64_t bytes = 0);
  ~FullDisk();
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;

 private:
  std::uint64_t FOldLimit;
};

// Lists the sheet as the only drive and opens it; 0 when it cannot be opened, with the drive's reason.
HCDROM OpenImageDrive(const std::string& sheet, std::string* reason = nullptr);
// Opens the one drive GetCDList finds; 0 when there is none or it cannot be opened, with the drive's reason.
HCDROM OpenOnlyListedDrive(std::string* reason = nullptr);

}  // namespace testdata
