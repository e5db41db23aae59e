// Reads every track of a disc image as a rip does (25 blocks a read) twice: once taking the checksums a rip
// takes (CRC-32 with and without null samples, AccurateRip v1, v2 and block 450, the CTDB CRC) and once without, and prints
// the seconds of each and their ratio.
// Usage: checksum_cost SHEET

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>

#include "cd/CtdbToc.h"
#include "cd/TableOfContents.h"
#include "cd/TrackChecksums.h"
#include "platform/akrip32/akrip32.h"

namespace {

double ReadDisc(HCDROM handle, const TableOfContents& toc, bool checksums) {
  auto started = std::chrono::steady_clock::now();
  auto buffer = std::make_unique<TRACKBUF>();
  for (int k = 0; k < toc.TrackCount(); ++k) {
    std::optional<TrackChecksums> sums;
    if (checksums)
      sums.emplace(std::uint64_t(toc.BlocksOf(k)) * 588, k == 0, k + 1 == toc.TrackCount(), CtdbAudioFrames(toc));
    for (std::uint32_t done = 0; done < toc.BlocksOf(k);) {
      buffer->startFrame = toc.entries[k].start + done;
      buffer->numFrames = std::min<std::uint32_t>(TRACKBUF_BLOCKS, toc.BlocksOf(k) - done);
      buffer->maxLen = sizeof buffer->buf;
      ReadCDAudioLBA(handle, buffer.get());
      if (sums) sums->Add(buffer->buf, buffer->len);
      done += buffer->numFrames;
    }
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) return 2;
  SetPhysicalDrivesEnabled(false);
  SetCDImageFiles({argv[1]});
  CDLIST list;
  GetCDList(&list);
  GETCDHAND request;
  request.ha = list.cd[0].ha;
  request.tgt = list.cd[0].tgt;
  HCDROM handle = GetCDHandle(&request);
  ModifyCDParms(handle, CDP_MSF, 0);
  TOC record;
  TableOfContents toc;
  if (handle == 0 || ReadTOC(handle, &record) != 1 || !TableOfContentsFromRecord(record, toc)) return 1;
  double without = 1e9, with = 1e9;
  for (int run = 0; run < 3; ++run) {
    without = std::min(without, ReadDisc(handle, toc, false));
    with = std::min(with, ReadDisc(handle, toc, true));
  }
  std::printf("reading without checksums %.3f s, with checksums %.3f s, ratio %.3f\n", without, with, with / without);
  return 0;
}
