// A WAV file read by the stream component, and as the one file of a disc image (its chunks walked).

#include <vector>

#include "acs/ACS_Wave.h"
#include "platform/akrip32/CueImage.h"
#include "platform/akrip32/akrip32.h"
#include "tests/fuzz/FuzzFiles.h"
#include "tests/fuzz/ReadToEnd.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path& folder = fuzzfiles::ClearScratch();
  fuzzfiles::WriteFile(folder / "input.wav", {reinterpret_cast<const char*>(data), size});

  TWaveIn wave;
  wave.SetFileName((folder / "input.wav").string());
  fuzzfiles::ReadToEnd(wave);

  fuzzfiles::WriteFile(folder / "disc.cue", "FILE \"input.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
  std::string error;
  std::unique_ptr<CueImage> image = CueImage::Load((folder / "disc.cue").string(), error);
  if (image) {
    std::vector<std::uint8_t> block(CD_BLOCK_BYTES);
    for (std::int32_t lba = 0; lba < image->Layout().leadout; ++lba) image->ReadBlocks(lba, 1, block.data(), nullptr);
  }
  return 0;
}
