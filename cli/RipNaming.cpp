#include "cli/RipNaming.h"

#include <algorithm>
#include <cstdio>

#include "cd/CdTextMetadata.h"
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
    Note("MusicBrainz: " + result.message);
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
  if (!result.metadata) Note("CDDB: " + result.message);
  named = result.rows;
  return result.metadata;
}

std::optional<DiscMetadata> CdTextNames(const CdDrives& drives, OutputFormat format, const NamingOptions& naming,
                                        const std::vector<RipRow>& rows, bool asked, std::vector<TrackRow>& named) {
  named.clear();
  for (const RipRow& row : rows) named.push_back({row.number, row.name, "", "", "", true});
  std::optional<DiscMetadata> metadata = NameAfterCdText(drives.Text(), named, format, naming);
  if (!metadata && asked) Note("CD-Text: the disc has none");
  return metadata;
}

// Settings section "MusicBrainz", key "lookup": "CDDB" (the default), "MusicBrainz" or "MusicBrainz, then CDDB",
// each of them also with "CD-Text, then " in front, or "CD-Text" alone.
std::string ReadLookupChoice(TIniFile& settings) {
  try {
    return settings.ReadString("MusicBrainz", "lookup", "CDDB");
  } catch (const EIniFileError&) {
    return "CDDB";
  }
}

enum class Source { CdText, MusicBrainz, Cddb };

struct LookupOrder {
  std::vector<Source> sources;
  bool cdTextNamed = false;  // the value names CD-Text itself, rather than leaving it the last resort
};

// The sources a "lookup" value names, in its order ("CD-Text, then MusicBrainz, then CDDB"); CDDB when it
// names none. The disc's CD-Text comes last where the value does not name it.
LookupOrder ParseLookupOrder(const std::string& value) {
  LookupOrder order;
  const std::string separator = ", then ";
  for (std::size_t start = 0; start <= value.size();) {
    std::size_t end = value.find(separator, start);
    if (end == std::string::npos) end = value.size();
    const std::string name = value.substr(start, end - start);
    if (name == "CD-Text") order.sources.push_back(Source::CdText);
    if (name == "MusicBrainz") order.sources.push_back(Source::MusicBrainz);
    if (name == "CDDB") order.sources.push_back(Source::Cddb);
    start = end + separator.size();
  }
  auto names = [&order](Source source) {
    return std::find(order.sources.begin(), order.sources.end(), source) != order.sources.end();
  };
  order.cdTextNamed = names(Source::CdText);
  if (!names(Source::MusicBrainz) && !names(Source::Cddb) && !order.cdTextNamed) order.sources.push_back(Source::Cddb);
  if (!order.cdTextNamed) order.sources.push_back(Source::CdText);
  return order;
}

}  // namespace

bool NameAndTagRows(CdDrives& drives, OutputFormat format, const RipNamingChoice& choice, TIniFile& settings,
                    std::vector<RipRow>& rows, std::string& metadataSource) {
  NamingOptions naming = ReadNamingOptions(&settings);
  if (choice.nameTemplate) naming.nameTemplate = *choice.nameTemplate;
  std::optional<DiscMetadata> metadata;
  std::vector<TrackRow> named;
  // Without --lookup the disc's own CD-Text alone names the tracks.
  LookupOrder order = choice.lookup ? ParseLookupOrder(ReadLookupChoice(settings)) : LookupOrder{{Source::CdText}};
  for (Source source : order.sources) {
    if (metadata) break;
    bool wrongChoice = false;
    if (source == Source::CdText) metadata = CdTextNames(drives, format, naming, rows, order.cdTextNamed, named);
    if (source == Source::MusicBrainz)
      metadata = MusicBrainzNames(drives, format, naming, choice.release, settings, named, wrongChoice);
    if (source == Source::Cddb) metadata = CddbNames(drives, format, naming, settings, named);
    if (wrongChoice) return false;
  }
  metadataSource = metadata ? metadata->source : std::string();
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
