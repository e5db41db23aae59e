// settings.ini text: read as the rip, the CDDB lookup and the drive list read it, then a value written
// into it and read back.

#include <cstdlib>

#include "cd/CddbLookup.h"
#include "platform/akrip32/akrip32.h"
#include "platform/inifile/TIniFile.h"
#include "rip/RipJob.h"
#include "tests/fuzz/FuzzFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file = (fuzzfiles::ClearScratch() / "settings.ini").string();
  fuzzfiles::WriteFile(file, {reinterpret_cast<const char*>(data), size});

  TIniFile settings(file);
  RipValues values;
  ReadRipValues(settings, values);
  ReadCddbServer(&settings);
  UseCDImagesOf(file, fuzzfiles::ClearScratch().string());
  try {
    settings.WriteString("Folder", "wav folder", "/home/me/Music/WAV");
  } catch (const EIniFileError&) {
    return 0;
  }
  // What was written is what the next reading finds.
  if (TIniFile(file).ReadString("FOLDER", "Wav Folder", "") != "/home/me/Music/WAV") std::abort();
  return 0;
}
