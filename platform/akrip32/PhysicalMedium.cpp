#include "platform/akrip32/PhysicalMedium.h"

#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "platform/akrip32/DiscSessions.h"

namespace {

constexpr int kParanoiaRetries = 20;
constexpr int kAttemptsAlone = 20;

std::atomic<std::chrono::milliseconds::rep> gBlockTimeLimit{5000};

// Paranoia's read function and callback carry no pointer of ours; they run on the reading thread.
thread_local PhysicalMedium* tReading = nullptr;
thread_local bool tGaveUp = false;

// Paranoia also reads without a buffer, only to move the drive past its cache.
long ParanoiaRead(cdrom_drive_t*, void* out, lsn_t lsn, long count) {
  if (tReading == nullptr || count <= 0) return -1;
  std::vector<std::uint8_t> discarded(out == nullptr ? static_cast<std::size_t>(count) * CD_BLOCK_BYTES : 0);
  auto* buffer = out == nullptr ? discarded.data() : static_cast<std::uint8_t*>(out);
  return tReading->ReadForParanoia(buffer, lsn, count);
}

void NoteGivingUp(long, paranoia_cb_mode_t mode) {
  if (mode == PARANOIA_CB_SKIP) tGaveUp = true;
}

class ReadingScope {
 public:
  explicit ReadingScope(PhysicalMedium* medium) { tReading = medium; }
  ~ReadingScope() { tReading = nullptr; }
};

bool ReadLayout(CdIo_t* cdio, DiscLayout& layout) {
  track_t first = cdio_get_first_track_num(cdio);
  track_t count = cdio_get_num_tracks(cdio);
  if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) return false;
  for (track_t t = first; t < first + count; ++t) {
    lsn_t start = cdio_get_track_lsn(cdio, t);
    if (start == CDIO_INVALID_LSN) return false;
    layout.tracks.push_back({t, start, cdio_get_track_format(cdio, t) == TRACK_FORMAT_AUDIO});
  }
  layout.leadout = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
  ReadSessions(cdio, layout);
  return layout.leadout != CDIO_INVALID_LSN;
}

// The end of the audio that lba belongs to: the reads of one request never leave it.
std::int32_t AudioEndAt(const DiscLayout& layout, std::int32_t lba) {
  for (std::size_t i = layout.tracks.size(); i-- > 0;)
    if (layout.tracks[i].start <= lba) return layout.AudioEnd(i);
  return layout.tracks.empty() ? layout.leadout : layout.tracks.front().start;
}

}  // namespace

std::unique_ptr<PhysicalMedium> PhysicalMedium::Open(CdIo_t* cdio, std::unique_ptr<SectorReader> reader) {
  DiscLayout layout;
  if (!ReadLayout(cdio, layout)) {
    cdio_destroy(cdio);
    return nullptr;
  }
  return std::unique_ptr<PhysicalMedium>(new PhysicalMedium(cdio, std::move(layout), std::move(reader)));
}

PhysicalMedium::PhysicalMedium(CdIo_t* cdio, DiscLayout layout, std::unique_ptr<SectorReader> reader)
    : FCdio(cdio), FLayout(std::move(layout)), FReader(std::move(reader)) {
  FDrive = cdio_cddap_identify_cdio(FCdio, CDDA_MESSAGE_FORGETIT, nullptr);
  if (FDrive != nullptr && cdio_cddap_open(FDrive) != 0) {
    cdio_cddap_close_no_free_cdio(FDrive);
    FDrive = nullptr;
  }
  if (FDrive == nullptr) return;  // without paranoia, blocks that disagree are read on their own
  FDrive->read_audio = ParanoiaRead;
  FDrive->b_swap_bytes = false;  // both ways of reading must deliver the same bytes
  StartParanoia();
}

PhysicalMedium::~PhysicalMedium() {
  StopParanoia();
  if (FDrive != nullptr) cdio_cddap_close_no_free_cdio(FDrive);
  FReader.reset();
  cdio_destroy(FCdio);
}

void PhysicalMedium::SetBlockTimeLimit(std::chrono::milliseconds limit) { gBlockTimeLimit = limit.count(); }

void PhysicalMedium::StartParanoia() {
  FParanoia = cdio_paranoia_init(FDrive);
  cdio_paranoia_modeset(FParanoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
  FParanoiaNext = -1;
}

void PhysicalMedium::StopParanoia() {
  if (FParanoia != nullptr) cdio_paranoia_free(FParanoia);
  FParanoia = nullptr;
}

BlockRead PhysicalMedium::ReadBlocks(std::int32_t lba, std::int32_t count, std::uint8_t* out) {
  BlockRead result;
  FReadEnd = AudioEndAt(FLayout, lba);
  FGone = false;
  if (!ReadChecked(lba, count, out)) {
    if (!FReader->DiscPresent()) FGone = true;
    std::vector<std::int32_t> doubtful = FGone ? std::vector<std::int32_t>{} : ReadWithParanoia(lba, count, out);
    for (std::int32_t block : doubtful) {
      if (FGone) break;
      std::uint8_t* data = out + static_cast<std::size_t>(block - lba) * CD_BLOCK_BYTES;
      if (ReadAlone(block, data)) continue;
      std::memset(data, 0, CD_BLOCK_BYTES);
      result.unreadable.push_back(block);
    }
  }
  result.delivered = !FGone;
  Remember(lba, count, out, result);
  return result;
}

bool PhysicalMedium::ReadChecked(std::int32_t lba, std::int32_t count, std::uint8_t* out) {
  const bool overlap = lba == FNext && lba > 0;
  const long total = count + (overlap ? 1 : 0);
  std::vector<std::uint8_t> read(static_cast<std::size_t>(total) * CD_BLOCK_BYTES);
  if (FReader->Read(read.data(), lba - (overlap ? 1 : 0), total) != total) return false;
  const std::uint8_t* data = read.data() + (overlap ? CD_BLOCK_BYTES : 0);
  const std::uint8_t* last = data + static_cast<std::size_t>(count - 1) * CD_BLOCK_BYTES;
  if (overlap) {
    // A read that starts a little off (jitter) does not give the block before it as it was.
    if (std::memcmp(read.data(), FLast.data(), CD_BLOCK_BYTES) != 0) return false;
  } else {
    Block again;
    if (FReader->Read(again.data(), lba + count - 1, 1) != 1 || std::memcmp(again.data(), last, CD_BLOCK_BYTES) != 0)
      return false;
  }
  std::memcpy(out, data, static_cast<std::size_t>(count) * CD_BLOCK_BYTES);
  return true;
}

// Returns the blocks paranoia cannot vouch for: those the drive failed to deliver on some read (paranoia got
// silence in their place, so that it never stalls on them) and those it gave up on.
std::vector<std::int32_t> PhysicalMedium::ReadWithParanoia(std::int32_t lba, std::int32_t count, std::uint8_t* out) {
  std::vector<std::int32_t> doubtful;
  if (FParanoia == nullptr) {
    for (std::int32_t i = 0; i < count; ++i) doubtful.push_back(lba + i);
    return doubtful;
  }
  ReadingScope scope(this);
  FFailed.erase(FFailed.begin(), FFailed.lower_bound(lba));
  if (FParanoiaNext != lba) cdio_paranoia_seek(FParanoia, lba, SEEK_SET);
  FParanoiaNext = lba + count;
  for (std::int32_t i = 0; i < count; ++i) {
    tGaveUp = false;
    FDeadline = Clock::now() + std::chrono::milliseconds(gBlockTimeLimit.load());
    const std::int16_t* block = cdio_paranoia_read_limited(FParanoia, NoteGivingUp, kParanoiaRetries);
    if (block == nullptr || tGaveUp) {
      // What paranoia skips it fills with silence, also past this block: the rest is read apart, and
      // paranoia starts afresh next time.
      for (std::int32_t rest = i; rest < count; ++rest) doubtful.push_back(lba + rest);
      StopParanoia();
      StartParanoia();
      return doubtful;
    }
    std::memcpy(out + static_cast<std::size_t>(i) * CD_BLOCK_BYTES, block, CD_BLOCK_BYTES);
    if (FFailed.count(lba + i) != 0) doubtful.push_back(lba + i);
  }
  return doubtful;
}

long PhysicalMedium::ReadForParanoia(std::uint8_t* out, std::int32_t lsn, long count) {
  std::memset(out, 0, static_cast<std::size_t>(count) * CD_BLOCK_BYTES);
  // Paranoia reads ahead: what lies outside the audio being read is never asked of the drive.
  const long end = std::clamp<long>(FReadEnd - lsn, 0, count);
  long at = lsn < 0 ? std::min<long>(-lsn, end) : 0;
  while (at < end) {
    // A block that has had its time is not asked for again.
    long read = Clock::now() > FDeadline ? 0 : FReader->Read(out + at * CD_BLOCK_BYTES, lsn + std::int32_t(at), end - at);
    at += read;
    if (at == end) break;
    FFailed.insert(lsn + std::int32_t(at));
    ++at;
  }
  return count;
}

bool PhysicalMedium::ReadAlone(std::int32_t lba, std::uint8_t* out) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(gBlockTimeLimit.load());
  Block read, previous;
  bool havePrevious = false;
  for (int attempt = 0; attempt < kAttemptsAlone && Clock::now() <= deadline; ++attempt) {
    if (FReader->Read(read.data(), lba, 1) != 1) {
      if (!FReader->DiscPresent()) FGone = true;
      if (FGone) return false;
      continue;
    }
    if (havePrevious && read == previous) {
      std::memcpy(out, read.data(), CD_BLOCK_BYTES);
      return true;
    }
    previous = read;
    havePrevious = true;
  }
  return false;
}

void PhysicalMedium::Remember(std::int32_t lba, std::int32_t count, const std::uint8_t* out, const BlockRead& result) {
  const std::int32_t last = lba + count - 1;
  if (!result.delivered || (!result.unreadable.empty() && result.unreadable.back() == last)) {
    FNext = -1;
    return;
  }
  std::memcpy(FLast.data(), out + static_cast<std::size_t>(count - 1) * CD_BLOCK_BYTES, CD_BLOCK_BYTES);
  FNext = lba + count;
}
