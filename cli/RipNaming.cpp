#include "cli/RipNaming.h"

#include <cstdio>

#include "cd/CddbLookup.h"
#include "cd/MusicBrainzLookup.h"
#include "cli/CliSupport.h"
#include "cli/MusicBrainzCommand.h"
#include "cli/Usage.h"
#include "platform/inifile/TIniFile.h"

namespace {

// The chosen release's data, its names as the options say; none when MusicBrainz knows no release or the
// choice is wrong (then listed, and wrongChoice set).
std::optional<DiscMetadata> MusicBrainzNames(CdDrives& drives, OutputFormat format, const NamingOptions& naming,
                                             const std::optional<int>& release, TIniFile& settings,
                                             std::vector<TrackRow>& named, bool& wrongChoice) {
  MusicBrainzResult result = LookUpMusicBrainz(drives.Toc(), ReadMusicBrainzServer(&settings), KeepWaiting);
  StopWhenInterrupted();
  if (result.releases.empty()) {
    std::fprintf(stderr, "MusicBrainz: %s\n", result.message.c_str());
    return std::nullopt;
  }
  const int count = static_cast<int>(result.releases.size());
  const int chosen = release.value_or(count == 1 ? 1 : 0);
  if (chosen < 1 || chosen > count) {
    PrintReleases(stderr, result.releases);
    wrongChoice = true;
    WrongArgument(release ? "MusicBrainz knows " + std::to_string(count) + " releases of this disc, not " +
                                std::to_string(chosen)
                          : "MusicBrainz knows " + std::to_string(count) +
                                " releases of this disc: choose one with --release N");
    return std::nullopt;
  }
  const DiscMetadata& metadata = result.releases[static_cast<std::size_t>(chosen - 1)].metadata;
  named = drives.ReadTableOfContents(format).rows;
  std::vector<std::string> names = LookedUpNames(metadata, named, format, naming);
  for (std::size_t k = 0; k < named.size() && k < names.size(); ++k) named[k].name = names[k];
  return metadata;
}

std::optional<DiscMetadata> CddbNames(CdDrives& drives, OutputFormat format, const NamingOptions& naming,
                                      TIniFile& settings, std::vector<TrackRow>& named) {
  CddbLookupResult result =
      LookUpDisc(drives, format, ReadCddbServer(&settings), [](const std::string&) {}, naming, KeepWaiting);
  StopWhenInterrupted();
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

bool NameAndTagRows(CdDrives& drives, OutputFormat format, const RipNamingChoice& choice, TIniFile& settings,
                    std::vector<RipRow>& rows) {
  NamingOptions naming = ReadNamingOptions(&settings);
  if (choice.nameTemplate) naming.nameTemplate = *choice.nameTemplate;
  std::optional<DiscMetadata> metadata;
  std::vector<TrackRow> named;
  if (choice.lookup) {
    std::string order = ReadLookupChoice(settings);
    bool wrongChoice = false;
    if (order.rfind("MusicBrainz", 0) == 0)
      metadata = MusicBrainzNames(drives, format, naming, choice.release, settings, named, wrongChoice);
    if (wrongChoice) return false;
    if (!metadata && order != "MusicBrainz") metadata = CddbNames(drives, format, naming, settings, named);
  }
  const int total = drives.Toc().TrackCount();
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (metadata && k < named.size()) rows[k].name = named[k].name;
    rows[k].tags = TrackTagsOf(metadata, TrackOfRow(rows.front().number, k), rows[k].name, std::stoi(rows[k].number), total);
  }
  if (!metadata) {
    std::vector<TrackRow> fresh(rows.size());
    for (std::size_t k = 0; k < rows.size(); ++k) fresh[k] = {rows[k].number, rows[k].name, "", "", "", true};
    NameFreshRows(fresh, format, naming);
    for (std::size_t k = 0; k < rows.size(); ++k) rows[k].name = fresh[k].name;
  }
  return true;
}
