// A FLAC file decoded by the stream component.

#include "acs/ACS_FLAC.h"
#include "tests/fuzz/FuzzFiles.h"
#include "tests/fuzz/ReadToEnd.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path& folder = fuzzfiles::ClearScratch();
  fuzzfiles::WriteFile(folder / "input.flac", {reinterpret_cast<const char*>(data), size});

  TFLACIn flac;
  flac.SetFileName((folder / "input.flac").string());
  fuzzfiles::ReadToEnd(flac);
  return 0;
}
