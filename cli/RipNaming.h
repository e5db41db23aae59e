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
  std::optional<int> release;               // which of several MusicBrainz releases, from 1
};

// Names and tags the rows (one per track, in order), after the lookup that the settings' "lookup" key chooses.
// A lookup reads the disc again; when it finds nothing the rows keep their names and the reason is printed on
// stderr. When MusicBrainz knows several releases and the choice names none of them, the releases are listed on
// stderr, the problem goes to WrongArgument, and the answer is false.
bool NameAndTagRows(CdDrives& drives, OutputFormat format, const RipNamingChoice& choice, TIniFile& settings,
                    std::vector<RipRow>& rows);
