#include "cli/RipNaming.h"

#include <cstdio>

#include "cd/CddbLookup.h"
#include "cd/MusicBrainzLookup.h"
#include "platform/inifile/TIniFile.h"

namespace {

// The first release MusicBrainz knows, named as the options say; none when it knows none.
std::optional<DiscMetadata> MusicBrainzNames(CdDrives& drives, OutputFormat format, const NamingOptions& naming,
                                             TIniFile& settings, std::vector<TrackRow>& named) {
  MusicBrainzResult result = LookUpMusicBrainz(drives.Toc(), ReadMusicBrainzServer(&settings));
  if (result.releases.empty()) {
    std::fprintf(stderr, "MusicBrainz: %s\n", result.message.c_str());
    return std::nullopt;
  }
  const DiscMetadata& metadata = result.releases.front().metadata;
  named = drives.ReadTableOfContents(format).rows;
  std::vector<std::string> names = LookedUpNames(metadata, named, format, naming);
  for (std::size_t k = 0; k < named.size() && k < names.size(); ++k) named[k].name = names[k];
  return metadata;
}

std::optional<DiscMetadata> CddbNames(CdDrives& drives, OutputFormat format, const NamingOptions& naming,
                                      TIniFile& settings, std::vector<TrackRow>& named) {
  CddbLookupResult result = LookUpDisc(drives, format, ReadCddbServer(&settings), [](const std::string&) {}, naming);
  if (!result.metadata) std::fprintf(stderr, "CDDB: %s\n", result.message.c_str());
  named = result.rows;
  return result.metadata;
}

// Settings section "MusicBrainz", key "lookup": "CDDB" (the default), "MusicBrainz" or "MusicBrainz, then CDDB".
std::string ReadLookupChoice(TIniFile& settings) {
  try {
    return settings.ReadString("MusicBrainz", "lookup", "CDDB");
  } catch (const EIniFileError&) {
    return "CDDB";
  }
}

}  // namespace

void NameAndTagRows(CdDrives& drives, OutputFormat format, const RipNamingChoice& choice, TIniFile& settings,
                    std::vector<RipRow>& rows) {
  NamingOptions naming = ReadNamingOptions(&settings);
  if (choice.nameTemplate) naming.nameTemplate = *choice.nameTemplate;
  std::optional<DiscMetadata> metadata;
  std::vector<TrackRow> named;
  if (choice.lookup) {
    std::string order = ReadLookupChoice(settings);
    if (order.rfind("MusicBrainz", 0) == 0) metadata = MusicBrainzNames(drives, format, naming, settings, named);
    if (!metadata && order != "MusicBrainz") metadata = CddbNames(drives, format, naming, settings, named);
  }
  const int total = static_cast<int>(rows.size());
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (metadata && k < named.size()) rows[k].name = named[k].name;
    rows[k].tags = TrackTagsOf(metadata, k, rows[k].name, std::stoi(rows[k].number), total);
  }
  if (!metadata && !naming.nameTemplate.empty()) {
    std::vector<std::string> names;
    for (const RipRow& row : rows)
      names.push_back(TemplateFileName(naming.nameTemplate, row.tags, row.number, FormatExtension(format), naming.windowsSafe));
    MakeNamesUnique(names);
    for (std::size_t k = 0; k < rows.size(); ++k) rows[k].name = names[k];
  }
}
