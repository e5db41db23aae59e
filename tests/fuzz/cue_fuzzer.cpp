// A CUE sheet with the files it names (a bundle: the sheet, then each file), loaded and read as a disc.

#include <algorithm>
#include <vector>

#include "platform/akrip32/CueImage.h"
#include "platform/akrip32/akrip32.h"
#include "tests/fuzz/FuzzFiles.h"

namespace {
constexpr std::int32_t kBlocksPerRead = 27;
constexpr std::int32_t kMostBlocks = 2000;  // a sheet may name a large file outside the folder
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path& folder = fuzzfiles::ClearScratch();
  std::vector<fuzzfiles::BundledFile> files = fuzzfiles::Unbundle(data, size);
  fuzzfiles::WriteFile(folder / "disc.cue", files[0].bytes);
  for (std::size_t i = 1; i < files.size(); ++i)
    if (fuzzfiles::PlainName(files[i].name)) fuzzfiles::WriteFile(folder / files[i].name, files[i].bytes);

  std::string error;
  std::unique_ptr<CueImage> image = CueImage::Load((folder / "disc.cue").string(), error);
  if (!image) return 0;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(kBlocksPerRead) * CD_BLOCK_BYTES);
  std::int32_t end = std::min(image->Layout().leadout, kMostBlocks);
  for (std::int32_t lba = 0; lba < end; lba += kBlocksPerRead)
    image->ReadBlocks(lba, std::min(kBlocksPerRead, end - lba), buffer.data(), nullptr);
  return 0;
}
