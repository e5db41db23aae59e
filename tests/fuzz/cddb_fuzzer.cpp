// A CDDB server's reply: the same text answers the site list, the query and the entry read of a lookup.

#include <chrono>

#include "cd/CddbLookup.h"
#include "tests/data/CddbTestServer.h"
#include "tests/data/TestDiscs.h"

namespace {

struct Lookup {
  Lookup() {
    SetPhysicalDrivesEnabled(false);
    std::vector<discimage::ImageTrack> tracks;
    for (int i = 0; i < 3; ++i) tracks.push_back({{}, testdata::Pattern(testdata::BlockFrames(4), i)});
    SetCDImageFiles({discimage::WriteImage(folder.Path(), "disc", tracks, {})});
    drives.ReadDriveList();
    SetCDDBTimeouts(std::chrono::milliseconds(2000), std::chrono::milliseconds(2000));
  }
  testdata::TempFolder folder;
  testdata::CddbTestServer server{{}};
  CdDrives drives;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Lookup lookup;
  lookup.server.SetFixedReply({reinterpret_cast<const char*>(data), size});
  LookUpDisc(lookup.drives, OutputFormat::MP3, {lookup.server.Address(), "fuzz@localhost"}, [](const std::string&) {});
  return 0;
}
