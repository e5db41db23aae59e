// MusicBrainz web service replies: the releases read from the JSON, for a disc ID and a track count.

#include <cstdint>
#include <string>

#include "cd/MusicBrainzLookup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    ParseMusicBrainzReleases(std::string(reinterpret_cast<const char*>(data), size), "49HHV7Eb8UKF3aQiNmu1GR8vKTY-", 3);
  } catch (const std::exception&) {
    // A reply that is not such JSON is refused; only a crash or a sanitizer report is a fault.
  }
  return 0;
}
