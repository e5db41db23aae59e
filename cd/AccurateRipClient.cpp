#include "cd/AccurateRipClient.h"

DbarLookup AccurateRipClient::Look(const AccurateRipIds& ids, const std::function<bool()>& keepWaiting) const {
  DbarLookup lookup;
  const std::string kept = "accuraterip/" + ids.FileName();
  std::string cached;
  // A reply without pressings is not kept (an older version did): the disc may be submitted meanwhile.
  if (Kept(kept, cached) && ParseDbar(cached, ids, lookup.pressings) && !lookup.pressings.empty()) {
    lookup.result = DbarLookup::Result::Found;
    return lookup;
  }
  HttpReply reply = Get(ids.Path(), {}, keepWaiting);
  if (reply.status == 404) {
    lookup.result = DbarLookup::Result::NotInDatabase;
  } else if (reply.status != 200) {
    lookup.error = Failure(reply);
  } else if (!ParseDbar(reply.body, ids, lookup.pressings)) {
    lookup.error = "the server's reply is malformed";
  } else if (lookup.pressings.empty()) {
    lookup.result = DbarLookup::Result::NotInDatabase;
  } else {
    lookup.result = DbarLookup::Result::Found;
    Keep(kept, reply.body);
  }
  return lookup;
}

namespace {

constexpr const char* kDriveOffsetsFile = "accuraterip/DriveOffsets.bin";
constexpr auto kDriveOffsetsKept = std::chrono::hours(24 * 10);
constexpr std::size_t kDriveOffsetsMaxBytes = 8 << 20;  // some ten times the list as it is

}  // namespace

DriveOffsetListLookup AccurateRipClient::LookDriveOffsets(const std::function<bool()>& keepWaiting) const {
  DriveOffsetListLookup lookup;
  std::string cached;
  const bool kept = Kept(kDriveOffsetsFile, cached) && ParseDriveOffsetList(cached, lookup.records);
  if (kept && KeptFor(kDriveOffsetsFile, kDriveOffsetsKept)) {
    lookup.found = true;
    return lookup;
  }
  HttpReply reply = Get(kDriveOffsetsFile, {}, keepWaiting, kDriveOffsetsMaxBytes);
  std::vector<DriveOffsetRecord> records;
  if (reply.status != 200)
    lookup.error = Failure(reply);
  else if (!ParseDriveOffsetList(reply.body, records))
    lookup.error = "the server's list of drives is malformed";
  if (lookup.error.empty()) {
    lookup.records = std::move(records);
    Keep(kDriveOffsetsFile, reply.body);
  }
  // An old list still knows the drives it knew.
  lookup.found = lookup.error.empty() || kept;
  if (lookup.found) lookup.error.clear();
  return lookup;
}
