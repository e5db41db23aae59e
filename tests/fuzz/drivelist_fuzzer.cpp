// AccurateRip's list of drives' read offsets: parsed, and where it parses, a drive looked up in it by a name
// made of the input's first bytes (so that names in the list can be hit).

#include <cstdint>
#include <string>

#include "cd/DriveOffsetList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::vector<DriveOffsetRecord> records;
  if (!ParseDriveOffsetList(bytes, records)) return 0;
  ListedDriveOffset(records, bytes.substr(2, 40));
  for (const DriveOffsetRecord& record : records) ListedDriveOffset(records, record.name + " 1.00");
  return 0;
}
