#pragma once
// quillon-cli rip's names and tags: after the disc's CD-Text or a lookup, through a naming template when given.

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

// Names and tags the rows (one per track, in order), after the sources that the settings' "lookup" key orders
// when a lookup is asked for (the disc's CD-Text last unless the key names it), after the CD-Text alone
// otherwise; metadataSource tells which gave the names, empty when none did. A lookup reads the disc again;
// when it finds nothing the reason is printed on stderr and the next source is asked; when none knows the
// disc the rows keep their names. When MusicBrainz knows several releases and the choice names none of them, the releases are listed on
// stderr, the problem goes to WrongArgument, and the answer is false.
bool NameAndTagRows(CdDrives& drives, OutputFormat format, const RipNamingChoice& choice, TIniFile& settings,
                    std::vector<RipRow>& rows, std::string& metadataSource);
