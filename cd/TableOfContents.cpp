#include "cd/TableOfContents.h"

#include <cstdio>

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
    toc.entries.push_back({record.tracks[k].trackNumber, start});
  }
  return true;
}

namespace {
int DigitSum(std::uint32_t value) {
  int sum = 0;
  for (; value > 0; value /= 10) sum += static_cast<int>(value % 10);
  return sum;
}
}  // namespace

std::string CddbDiscId(const TableOfContents& toc) {
  std::uint32_t n = 0;
  for (int k = 0; k < toc.TrackCount(); ++k) n += DigitSum((toc.entries[k].start + 150) / 75);
  std::uint32_t t = (toc.Leadout() - toc.entries[0].start) / 75;
  std::uint32_t id = (n % 255) << 24 | t << 8 | static_cast<std::uint32_t>(toc.TrackCount());
  char text[16];
  std::snprintf(text, sizeof text, "%x", id);
  return text;
}
