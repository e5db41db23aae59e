#pragma once
// AccurateRip's list of drives and their read offsets (accuraterip/DriveOffsets.bin on its server), as
// submitted by the database's users: what a drive of a given make is known to need.

#include <string>
#include <vector>

struct DriveOffsetRecord {
  int offset = 0;        // samples: the correction the drive needs (as [Drive Offsets] holds it)
  std::string name;      // "VENDOR - MODEL"
  int submissions = 0;   // how many users sent it in
};

// The records of the list: 69 bytes each, a little-endian 16-bit offset, the name in 32 bytes (padded with
// NUL), a little-endian 16-bit count of submissions, then 33 bytes the list does not use. False
// (malformed) when the bytes are not whole records.
bool ParseDriveOffsetList(const std::string& bytes, std::vector<DriveOffsetRecord>& records);

// The record of the drive identified as "VENDOR MODEL REVISION" (or "VENDOR MODEL"), matched on vendor and
// model without regard to case or runs of blanks; of several, the one most users sent in. nullptr when the
// list does not name the drive.
const DriveOffsetRecord* ListedDriveOffset(const std::vector<DriveOffsetRecord>& records,
                                           const std::string& identification);
