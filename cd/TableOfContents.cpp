#include "cd/TableOfContents.h"

#include <cstdio>

#include "platform/akrip32/CddbClient.h"
#include "platform/akrip32/akrip32.h"

bool TableOfContentsFromRecord(const TOC& record, TableOfContents& toc) {
  toc = TableOfContents{};
  if (record.firstTrack < 1 || record.lastTrack < record.firstTrack || record.lastTrack > 99) return false;
  toc.firstTrack = record.firstTrack;
  toc.lastTrack = record.lastTrack;
  for (int k = 0; k <= toc.TrackCount(); ++k) {
    const std::uint8_t* a = record.tracks[k].addr;
    std::uint32_t start = std::uint32_t(a[0]) << 24 | a[1] << 16 | a[2] << 8 | a[3];
    if (!toc.entries.empty() && start < toc.entries.back().start) return false;
    bool data = k < toc.TrackCount() && (record.tracks[k].adrControl & 0x04) != 0;
    std::uint8_t session = k < toc.TrackCount() ? record.tracks[k].reserved1 : 0;
    std::uint8_t control = k < toc.TrackCount() ? record.tracks[k].adrControl & 0x0F : 0;
    TocEntry entry{record.tracks[k].trackNumber, start, !data, session};
    entry.preEmphasis = !data && (control & 0x01) != 0;
    entry.copyPermitted = (control & 0x02) != 0;
    entry.fourChannel = !data && (control & 0x08) != 0;
    toc.entries.push_back(entry);
  }
  return true;
}

void AddDiscCodes(const DiscCodes& codes, TableOfContents& toc) {
  toc.catalog = codes.catalog;
  for (int k = 0; k < toc.TrackCount(); ++k) {
    TocEntry& entry = toc.entries[std::size_t(k)];
    if (std::size_t(k) < codes.isrcs.size()) entry.isrc = codes.isrcs[std::size_t(k)];
    std::int32_t pregap = std::size_t(k) < codes.pregaps.size() ? codes.pregaps[std::size_t(k)] : -1;
    entry.pregap = pregap >= 0 && std::uint32_t(pregap) < entry.start ? std::optional<std::uint32_t>(pregap) : std::nullopt;
  }
}

std::uint32_t TableOfContents::BlocksOf(int k) const {
  const TocEntry& track = entries[k];
  const TocEntry& next = entries[k + 1];  // the lead-out counts as audio: no gap before it
  return static_cast<std::uint32_t>(
      TrackEnd({track.start, track.audio, track.session}, {next.start, next.audio, next.session}) - track.start);
}

std::vector<TocRow> TableOfContents::Rows() const {
  std::vector<TocRow> rows;
  if (hiddenAudio && !entries.empty()) rows.push_back({0, 0, entries.front().start, true});
  for (int k = 0; k < TrackCount(); ++k)
    rows.push_back({entries[std::size_t(k)].trackNumber, entries[std::size_t(k)].start, BlocksOf(k), entries[std::size_t(k)].audio});
  return rows;
}

std::string CddbDiscId(const TableOfContents& toc) {
  CddbDisc disc;
  for (int k = 0; k < toc.TrackCount(); ++k) disc.trackStarts.push_back(toc.entries[k].start);
  disc.leadout = toc.Leadout();
  char text[16];
  std::snprintf(text, sizeof text, "%x", CddbDiscIdOf(disc));
  return text;
}
