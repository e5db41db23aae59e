#pragma once
// Looking the disc up in MusicBrainz: by its disc ID, and by its table of contents when the ID is unknown.
// Requests go out at most once a second and name the program, its version and a contact, as the service asks.

#include <functional>
#include <string>
#include <vector>

#include "cd/DiscMetadata.h"
#include "cd/TableOfContents.h"

class TIniFile;

// Settings section "MusicBrainz", key "server"; the contact is the CDDB e-mail address; the pace is kept in
// the cache folder of the settings.
struct MusicBrainzServer {
  std::string server = "https://musicbrainz.org";
  std::string contact = "quillon@localhost";
  std::string paceFile;  // the time of the last request, kept for later runs; empty: paced in this run alone
};
MusicBrainzServer ReadMusicBrainzServer(TIniFile* settings);

// One release that holds the disc, with the medium that matched.
struct MusicBrainzRelease {
  std::string id;
  std::string artist;
  std::string title;
  std::string date;
  std::string country;
  std::string label;
  std::string format;
  DiscMetadata metadata;  // for the matched medium's tracks
  std::vector<int> trackLengths{};  // the matched medium's tracks in milliseconds, 0 where the release has none
};

enum class MusicBrainzOutcome { Found, NoMatch, Failed, Abandoned };

struct MusicBrainzResult {
  MusicBrainzOutcome outcome = MusicBrainzOutcome::Failed;
  std::string message;  // why nothing was found
  std::string discId;
  std::vector<MusicBrainzRelease> releases;
};

// keepWaiting, when set, is asked while the service is waited for; false abandons the lookup.
MusicBrainzResult LookUpMusicBrainz(const TableOfContents& toc, const MusicBrainzServer& server,
                                    const std::function<bool()>& keepWaiting = {});

// The releases of a web service reply (a disc or a TOC lookup) whose media hold discId, or, when none holds
// it, whose media have trackCount tracks. Throws on a reply that is not such JSON.
std::vector<MusicBrainzRelease> ParseMusicBrainzReleases(const std::string& reply, const std::string& discId,
                                                         int trackCount);
