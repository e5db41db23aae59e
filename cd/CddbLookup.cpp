#include "cd/CddbLookup.h"

#include "cd/MusicBrainzDiscId.h"
#include "platform/inifile/TIniFile.h"

const char* const kCddbNoDiscMessage = "Cann't get CD Information from CDDB!";
const char* const kCddbNoServerListMessage = "Can't got CDDB server list";
const char* const kCddbNoRecordMessage = "No record in CDDB!";
const char* const kCddbNoEntryMessage = "Error while getting DiskInfo!";
const char* const kCddbAbandonedMessage = "CDDB lookup abandoned";

namespace {

constexpr int kEntryCapacity = 32000;
constexpr int kSiteCapacity = 8;

std::string ReadValue(TIniFile& settings, const char* key, const std::string& defaultValue) {
  std::string value = settings.ReadString("CDDB", key, defaultValue);
  return value.empty() ? defaultValue : value;
}

// Before each network call: the library keeps no settings of its own between lookups.
void PassServerSettings(const CddbServer& server) {
  CDDBSetOption(CDDB_OPT_SERVER, server.server.c_str(), 0);
  CDDBSetOption(CDDB_OPT_CGI, "/~cddb/cddb.cgi", 0);
  CDDBSetOption(CDDB_OPT_USER, server.email.c_str(), 0);
  CDDBSetOption(CDDB_OPT_AGENT, "program 1.0", 0);
}

bool GetServerList() {
  CDDBSITE sites[kSiteCapacity];
  CDDBSITELIST list;
  list.num = kSiteCapacity;
  list.s = sites;
  return CDDBGetServerList(&list) == 1;
}

CddbLookupResult Failure(CddbLookupResult result, CddbOutcome outcome, const std::string& message) {
  result.outcome = outcome;
  result.message = message;
  return result;
}

// The library asks keepWaiting while this lookup lasts, and the lookup learns whether it said no.
class WaitingForServer {
 public:
  explicit WaitingForServer(const std::function<bool()>& keepWaiting) {
    if (!keepWaiting) return;
    SetCDDBWaiting([this, keepWaiting] {
      if (!FAbandoned && !keepWaiting()) FAbandoned = true;
      return !FAbandoned;
    });
  }
  ~WaitingForServer() { SetCDDBWaiting({}); }
  WaitingForServer(const WaitingForServer&) = delete;
  WaitingForServer& operator=(const WaitingForServer&) = delete;
  bool Abandoned() const { return FAbandoned; }

 private:
  bool FAbandoned = false;
};

}  // namespace

CddbServer ReadCddbServer(TIniFile* settings) {
  CddbServer server;
  if (settings == nullptr) return server;
  try {
    server.server = ReadValue(*settings, "server", server.server);
    server.email = ReadValue(*settings, "email", server.email);
  } catch (const EIniFileError&) {
    return CddbServer{};
  }
  return server;
}

CddbLookupResult LookUpDisc(CdDrives& drives, OutputFormat format, const CddbServer& server,
                            const std::function<void(const std::string&)>& status, const NamingOptions& naming,
                            const std::function<bool()>& keepWaiting) {
  CddbLookupResult result;
  DiscReading reading = drives.ReadTableOfContents(format);
  if (!reading.message.empty()) {
    std::string message = reading.message == kNoDiscMessage ? kCddbNoDiscMessage : reading.message;
    if (!reading.reason.empty()) message += " " + reading.reason;
    status(message);
    return Failure(result, CddbOutcome::DiscUnreadable, message);
  }
  result.rows = reading.rows;
  NameFreshRows(result.rows, format, naming);

  status("Connecting with CDDB......");
  WaitingForServer waiting(keepWaiting);
  auto abandoned = [&] {
    if (waiting.Abandoned()) status(kCddbAbandonedMessage);
    return waiting.Abandoned();
  };
  PassServerSettings(server);
  bool listed = GetServerList();
  if (abandoned()) return Failure(result, CddbOutcome::Abandoned, kCddbAbandonedMessage);
  if (!listed) {
    status(kCddbNoServerListMessage);
    return Failure(result, CddbOutcome::NoServerList, kCddbNoServerListMessage);
  }
  status("Successful");

  PassServerSettings(server);
  CDDBQUERYITEM match;
  CDDBQUERY query;
  query.num = 1;
  query.q = &match;
  CDDBQuery(drives.Handle(), &query);
  if (abandoned()) return Failure(result, CddbOutcome::Abandoned, kCddbAbandonedMessage);
  if (query.num < 1) {
    status(kCddbNoRecordMessage);
    result.information = CdInformation{CddbDiscId(drives.Toc()), "Unknown Artist", "Unknown Title", "Unknown Type"};
    return Failure(result, CddbOutcome::NoRecord, kCddbNoRecordMessage);
  }

  std::string entry(kEntryCapacity, '\0');
  bool read = CDDBGetDiskInfo(&match, entry.data(), kEntryCapacity) == 1;
  if (abandoned()) return Failure(result, CddbOutcome::Abandoned, kCddbAbandonedMessage);
  if (!read)
    return Failure(result, CddbOutcome::NoEntry, kCddbNoEntryMessage);
  // A NUL inside the entry is one bad character, not its end: only the buffer's zero filling goes.
  entry.resize(entry.find_last_not_of('\0') + 1);
  result.outcome = CddbOutcome::Found;
  result.information = CdInformation{match.cddbId, match.artist, match.title, match.categ};
  std::vector<int> trackNumbers;
  for (int k = 0; k < drives.Toc().TrackCount(); ++k) trackNumbers.push_back(drives.Toc().entries[std::size_t(k)].trackNumber);
  result.metadata = CddbDiscMetadata(entry, match.cddbId, trackNumbers);
  result.metadata->musicBrainzDiscId = MusicBrainzDiscId(drives.Toc());
  std::vector<std::string> names = LookedUpNames(*result.metadata, result.rows, format, naming);
  for (std::size_t k = 0; k < result.rows.size(); ++k) result.rows[k].name = names[k];
  return result;
}

std::string CddbTrackTitle(const std::string& entry, int trackNumber) {
  std::string key = "TITLE" + std::to_string(trackNumber - 1) + "=";
  std::size_t found = entry.find(key);
  if (found == std::string::npos) return {};
  std::size_t start = found + key.size();
  std::size_t end = entry.find('\r', start);
  return entry.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

