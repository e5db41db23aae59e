#pragma once
// quillon-cli rip's names and tags: after a CDDB lookup when asked, through a naming template when given.

#include <optional>
#include <string>
#include <vector>

#include "cd/CdDrives.h"
#include "rip/RipJob.h"

class TIniFile;

struct RipNamingChoice {
  bool lookup = false;
  std::optional<std::string> nameTemplate;  // overrides the settings' "name template"
};

// Names and tags the rows (one per track, in order), after the lookup that the settings' "lookup" key chooses; MusicBrainz gives
// its first release. A lookup reads the disc again; when it finds nothing the rows keep their names and the
// reason is printed on stderr.
void NameAndTagRows(CdDrives& drives, OutputFormat format, const RipNamingChoice& choice, TIniFile& settings,
                    std::vector<RipRow>& rows);
