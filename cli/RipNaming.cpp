#include "cli/RipNaming.h"

#include <cstdio>

#include "cd/CddbLookup.h"

void NameAndTagRows(CdDrives& drives, OutputFormat format, const RipNamingChoice& choice, TIniFile& settings,
                    std::vector<RipRow>& rows) {
  NamingOptions naming = ReadNamingOptions(&settings);
  if (choice.nameTemplate) naming.nameTemplate = *choice.nameTemplate;
  std::optional<DiscMetadata> metadata;
  std::vector<TrackRow> named;
  if (choice.lookup) {
    CddbLookupResult result = LookUpDisc(drives, format, ReadCddbServer(&settings), [](const std::string&) {}, naming);
    if (!result.metadata) std::fprintf(stderr, "CDDB: %s\n", result.message.c_str());
    metadata = result.metadata;
    named = result.rows;
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
