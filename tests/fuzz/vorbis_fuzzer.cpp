// An Ogg Vorbis file decoded by the stream component.

#include "acs/ACS_Vorbis.h"
#include "tests/fuzz/FuzzFiles.h"
#include "tests/fuzz/ReadToEnd.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  BindVorbisLibraries();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path& folder = fuzzfiles::ClearScratch();
  fuzzfiles::WriteFile(folder / "input.ogg", {reinterpret_cast<const char*>(data), size});

  TVorbisIn vorbis;
  vorbis.SetFileName((folder / "input.ogg").string());
  fuzzfiles::ReadToEnd(vorbis);
  return 0;
}
