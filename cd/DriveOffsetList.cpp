#include "cd/DriveOffsetList.h"

#include <cctype>
#include <cstdint>

namespace {

constexpr std::size_t kRecordBytes = 69;
constexpr std::size_t kNameBytes = 32;

unsigned Le16(const std::string& bytes, std::size_t at) {
  return unsigned(static_cast<unsigned char>(bytes[at])) | unsigned(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

// Upper case, one blank between words, none at the ends: drives and the list space their names differently.
std::string Normalized(const std::string& text) {
  std::string normal;
  for (char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!normal.empty() && normal.back() != ' ') normal += ' ';
    } else {
      normal += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }
  if (!normal.empty() && normal.back() == ' ') normal.pop_back();
  return normal;
}

// "VENDOR - MODEL" as a drive names itself: "VENDOR MODEL".
std::string AsDriveNamesIt(const std::string& name) {
  std::size_t dash = name.find(" - ");
  return Normalized(dash == std::string::npos ? name : name.substr(0, dash) + " " + name.substr(dash + 3));
}

// The identification is the record's vendor and model, with at most one word (the revision) after them.
bool Names(const std::string& identification, const std::string& record) {
  if (record.empty() || identification.compare(0, record.size(), record) != 0) return false;
  if (identification.size() == record.size()) return true;
  return identification[record.size()] == ' ' && identification.find(' ', record.size() + 1) == std::string::npos;
}

}  // namespace

bool ParseDriveOffsetList(const std::string& bytes, std::vector<DriveOffsetRecord>& records) {
  records.clear();
  if (bytes.empty() || bytes.size() % kRecordBytes != 0) return false;
  for (std::size_t at = 0; at < bytes.size(); at += kRecordBytes) {
    DriveOffsetRecord record;
    record.offset = static_cast<std::int16_t>(Le16(bytes, at));
    std::string name = bytes.substr(at + 2, kNameBytes);
    record.name = name.substr(0, name.find('\0'));
    record.submissions = static_cast<int>(Le16(bytes, at + 2 + kNameBytes));
    records.push_back(record);
  }
  return true;
}

const DriveOffsetRecord* ListedDriveOffset(const std::vector<DriveOffsetRecord>& records,
                                           const std::string& identification) {
  const std::string drive = Normalized(identification);
  const DriveOffsetRecord* best = nullptr;
  for (const DriveOffsetRecord& record : records)
    if (Names(drive, AsDriveNamesIt(record.name)) && (best == nullptr || record.submissions > best->submissions))
      best = &record;
  return best;
}
