#pragma once
// Looking the disc up in CDDB: the disc is read afresh, the server asked, and the rows named after the
// titles found. The CD information dialog and quillon-cli cddb both run this.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cd/CdDrives.h"
#include "cd/DiscMetadata.h"
#include "cd/TrackNaming.h"

class TIniFile;

extern const char* const kCddbNoDiscMessage;
extern const char* const kCddbNoServerListMessage;
extern const char* const kCddbNoRecordMessage;
extern const char* const kCddbNoEntryMessage;
extern const char* const kCddbAbandonedMessage;

// Where the lookup asks, from the settings' section "CDDB".
struct CddbServer {
  std::string server = "gnudb.gnudb.org";  // host[:port]
  std::string email = "quillon@localhost";
};
// A missing or empty key, a missing or unreadable file give the defaults.
CddbServer ReadCddbServer(TIniFile* settings);

// What the CD information dialog shows.
struct CdInformation {
  std::string discId;
  std::string artist;
  std::string title;
  std::string category;
};

enum class CddbOutcome { DiscUnreadable, NoServerList, NoRecord, NoEntry, Found, Abandoned };

struct CddbLookupResult {
  CddbOutcome outcome = CddbOutcome::DiscUnreadable;
  std::vector<TrackRow> rows;                // the disc's rows, named after their titles when found
  std::string message;                       // what the user is told when no entry was found
  std::optional<CdInformation> information;  // new texts for the dialog; none keeps the old ones
  std::optional<DiscMetadata> metadata;      // what the entry tells for the tags, when found
};

// status receives the status line's texts as the lookup goes on; the entry failure is left to the caller.
// keepWaiting, when set, is asked while the server is waited for; false abandons the lookup, which then
// keeps the disc's rows with their plain names and leaves the dialog's texts alone.
CddbLookupResult LookUpDisc(CdDrives& drives, OutputFormat format, const CddbServer& server,
                            const std::function<void(const std::string&)>& status,
                            const NamingOptions& naming = NamingOptions{},
                            const std::function<bool()>& keepWaiting = {});

// Track n's title in a disc entry: the text after the first "TITLE<n-1>=" up to the next carriage return.
std::string CddbTrackTitle(const std::string& entry, int trackNumber);
