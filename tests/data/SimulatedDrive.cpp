#include "tests/data/SimulatedDrive.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>

#include "platform/akrip32/CdioSectorReader.h"
#include "platform/akrip32/PhysicalDrive.h"
#include "tests/data/TestDiscs.h"

namespace testdata {

namespace {

std::string Msf(std::int64_t blocks) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", int(blocks / 4500), int(blocks / 75 % 60), int(blocks % 75));
  return text;
}

std::int32_t BlocksOf(const DriveTrack& track) {
  return track.dataBlocks != 0 ? track.dataBlocks : static_cast<std::int32_t>(track.audio.size() / 1176);
}

bool StartsSession(const std::vector<DriveTrack>& tracks, std::size_t i) {
  return i > 0 && tracks[i].dataBlocks != 0 && tracks[i - 1].dataBlocks == 0 && !tracks[i].sameSession;
}

// Starts of every track in the file: a data track that starts a session lies a session gap further on.
std::vector<std::int32_t> TrackStarts(const std::vector<DriveTrack>& tracks) {
  std::vector<std::int32_t> starts;
  std::int32_t at = 0;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    if (StartsSession(tracks, i)) at += kSessionGapBlocks;
    starts.push_back(at);
    at += BlocksOf(tracks[i]);
  }
  starts.push_back(at);
  return starts;
}

void WriteBin(const std::filesystem::path& path, const std::vector<DriveTrack>& tracks,
              const std::vector<std::int32_t>& starts) {
  std::ofstream out(path, std::ios::binary);
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    std::vector<char> gap(static_cast<std::size_t>(starts[i]) * CD_BLOCK_BYTES - out.tellp(), 0x55);
    out.write(gap.data(), static_cast<std::streamsize>(gap.size()));
    if (tracks[i].dataBlocks != 0) {
      std::vector<char> data(static_cast<std::size_t>(tracks[i].dataBlocks) * CD_BLOCK_BYTES, 0x2A);
      out.write(data.data(), static_cast<std::streamsize>(data.size()));
    } else {
      out.write(reinterpret_cast<const char*>(tracks[i].audio.data()),
                static_cast<std::streamsize>(tracks[i].audio.size() * 2));
    }
  }
}

std::string CueSheet(const std::vector<DriveTrack>& tracks, const std::vector<std::int32_t>& starts) {
  std::string sheet = "FILE \"disc.bin\" BINARY\n";
  int session = 0;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    char number[24];
    if (i == 0 || StartsSession(tracks, i)) {
      std::snprintf(number, sizeof number, "%02d", ++session);
      sheet += std::string("  REM SESSION ") + number + "\n";
    }
    std::snprintf(number, sizeof number, "%02zu", i + 1);
    sheet += std::string("  TRACK ") + number + (tracks[i].dataBlocks != 0 ? " MODE1/2352\n" : " AUDIO\n");
    if (tracks[i].index1 != 0) sheet += "    INDEX 00 " + Msf(starts[i]) + "\n";
    sheet += "    INDEX 01 " + Msf(starts[i] + tracks[i].index1) + "\n";
  }
  return sheet;
}

// libcdio looks for a cdrdao image's files from the working folder: the sheet names its file in full.
std::string TocSheet(const std::filesystem::path& bin, const std::vector<DriveTrack>& tracks,
                     const std::vector<std::int32_t>& starts) {
  std::string sheet = "CD_ROM\n";
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    sheet += tracks[i].dataBlocks != 0 ? "\nTRACK MODE1_RAW\n" : "\nTRACK AUDIO\n";
    sheet += "FILE \"" + bin.string() + "\" " + Msf(starts[i]) + " " + Msf(starts[i + 1] - starts[i]) + "\n";
    if (tracks[i].index1 != 0) sheet += "START " + Msf(tracks[i].index1) + "\n";
  }
  return sheet;
}

class FailingReader : public SectorReader {
 public:
  FailingReader(CdIo_t* cdio, std::shared_ptr<DriveFaults> faults)
      : FDrive(cdio), FFaults(std::move(faults)), FEnd(cdio_get_disc_last_lsn(cdio)) {
    for (track_t t = cdio_get_first_track_num(cdio); t <= cdio_get_last_track_num(cdio); ++t)
      FTracks[cdio_get_track_lsn(cdio, t)] = t;
  }

  long Read(std::uint8_t* out, std::int32_t lsn, long count) override {
    std::int64_t before = FFaults->requested.fetch_add(count);
    std::int64_t vanish = FFaults->vanishAfter;
    if (vanish >= 0 && before + count > vanish) return 0;
    if (Holds(FFaults->slow, lsn, count)) std::this_thread::sleep_for(FFaults->slowTime);
    long good = GoodSectors(lsn, count);
    Moved(lsn, count, good);
    int shift = FFaults->offsetSamples;
    if (Holds(FFaults->jitter, lsn, good)) shift += kJitter[FJitterReads++ % std::size(kJitter)];
    if (Holds(FFaults->jitterOnce, lsn, good)) {
      shift += kJitter[0];
      FFaults->jitterOnce.erase(FFaults->jitterOnce.lower_bound(lsn), FFaults->jitterOnce.lower_bound(lsn + good));
    }
    if (!ReadShifted(out, lsn, good, shift)) return 0;
    const bool cached = Cached(lsn, count);
    for (std::int32_t sector : FFaults->noisy)
      if (sector >= lsn && sector < lsn + good) Damage(out + std::size_t(sector - lsn) * CD_BLOCK_BYTES, Noise(sector, cached));
    for (std::int32_t sector : FFaults->garbage)
      if (sector >= lsn && sector < lsn + good) out[std::size_t(sector - lsn) * CD_BLOCK_BYTES + 7] ^= 0x5A;
    return good;
  }

  bool DiscPresent() override { return FFaults->vanishAfter < 0 || FFaults->requested <= FFaults->vanishAfter; }

  QPosition ReadQ(std::int32_t lsn) override {
    ++FFaults->qReads;
    if (FFaults->qUnreadable.count(lsn) != 0) return {QPosition::Status::Unreadable};
    if (FFaults->qInvalid.count(lsn) != 0) return {QPosition::Status::Invalid};
    auto next = FTracks.upper_bound(lsn);  // the track after the block's
    auto pregap = next == FTracks.end() ? FFaults->indexZero.end() : FFaults->indexZero.find(next->second);
    if (pregap != FFaults->indexZero.end() && lsn >= pregap->second) return {QPosition::Status::Valid, next->second, 0};
    return {QPosition::Status::Valid, next == FTracks.begin() ? 1 : std::prev(next)->second, 1};
  }

 private:
  static constexpr int kJitter[] = {7, -14, 0, 21, -7};

  static bool Holds(const std::set<std::int32_t>& sectors, std::int32_t lsn, long count) {
    auto found = sectors.lower_bound(lsn);
    return found != sectors.end() && *found < lsn + count;
  }

  // Counts the seek a read needs and its failure; a read that fails stops just past the sector it failed at.
  void Moved(std::int32_t lsn, long count, long good) {
    if (lsn != FHead && lsn != FHead - 1) ++FFaults->seeks;
    if (good < count) ++FFaults->failed;
    FHead = lsn + static_cast<std::int32_t>(std::min(count, good + 1));
  }

  // Whether a caching drive answers the read from its cache; otherwise it fills its cache from lsn on.
  bool Cached(std::int32_t lsn, long count) {
    if (FFaults->cacheBlocks <= 0) return false;
    if (lsn >= FCacheStart && lsn + count <= FCacheStart + FFaults->cacheBlocks) return true;
    FCacheStart = lsn;
    FCachedNoise.clear();
    return false;
  }

  // A noisy sector's damage this time: new at each read from the disc, the same while a cache holds it.
  static void Damage(std::uint8_t* sector, std::uint32_t noise) {
    for (int i = 0; i < 4; ++i) sector[i] ^= static_cast<std::uint8_t>(noise >> (8 * i));
  }

  std::uint32_t Noise(std::int32_t sector, bool cached) {
    auto kept = FCachedNoise.find(sector);
    if (cached && kept != FCachedNoise.end()) return kept->second;
    if (++FNoise == 0) ++FNoise;  // never no damage
    return FCachedNoise[sector] = FNoise;
  }

  // The sectors before the first that fails this time.
  long GoodSectors(std::int32_t lsn, long count) {
    std::lock_guard<std::mutex> guard(FLock);
    for (long i = 0; i < count; ++i) {
      auto bad = FFaults->unreadable.find(lsn + static_cast<std::int32_t>(i));
      if (bad == FFaults->unreadable.end() || bad->second == 0) continue;
      if (bad->second > 0) --bad->second;
      return i;
    }
    return count;
  }

  // The sectors as a drive delivers them that starts shift samples late; outside the image, silence.
  bool ReadShifted(std::uint8_t* out, std::int32_t lsn, long count, int shift) {
    if (count <= 0) return true;
    std::int64_t firstByte = std::int64_t(lsn) * CD_BLOCK_BYTES + std::int64_t(shift) * 4;
    std::int64_t firstSector = firstByte >= 0 ? firstByte / CD_BLOCK_BYTES : -((-firstByte + CD_BLOCK_BYTES - 1) / CD_BLOCK_BYTES);
    std::int64_t sectors = count + 1;
    std::vector<std::uint8_t> read(static_cast<std::size_t>(sectors) * CD_BLOCK_BYTES, 0);
    for (std::int64_t s = 0; s < sectors; ++s) {
      std::int64_t sector = firstSector + s;
      if (sector < 0 || sector >= FEnd) continue;
      if (cdio_read_audio_sector(FDrive, read.data() + s * CD_BLOCK_BYTES, static_cast<lsn_t>(sector)) != DRIVER_OP_SUCCESS)
        return false;
    }
    std::memcpy(out, read.data() + (firstByte - firstSector * CD_BLOCK_BYTES), static_cast<std::size_t>(count) * CD_BLOCK_BYTES);
    return true;
  }

  CdIo_t* FDrive;
  std::shared_ptr<DriveFaults> FFaults;
  std::int64_t FEnd;
  std::map<std::int32_t, int> FTracks;  // first block: track number
  std::mutex FLock;
  std::size_t FJitterReads = 0;
  std::uint32_t FNoise = 0;
  std::int32_t FCacheStart = -1;
  std::int32_t FHead = -1;  // where the last read stopped
  std::map<std::int32_t, std::uint32_t> FCachedNoise;
};

}  // namespace

std::string WriteDriveImage(const std::filesystem::path& folder, const std::vector<DriveTrack>& tracks,
                            DriveImageForm form) {
  std::vector<std::int32_t> starts = TrackStarts(tracks);
  WriteBin(folder / "disc.bin", tracks, starts);
  std::filesystem::path sheet = folder / (form == DriveImageForm::BinCue ? "disc.cue" : "disc.toc");
  std::ofstream(sheet) << (form == DriveImageForm::BinCue ? CueSheet(tracks, starts) : TocSheet(folder / "disc.bin", tracks, starts));
  return sheet.string();
}

HCDROM OpenSimulatedDrive(const std::string& sheet, const std::shared_ptr<DriveFaults>& faults,
                          const std::string& identification) {
  driver_id_t driver = sheet.ends_with(".toc") ? DRIVER_CDRDAO : DRIVER_BINCUE;
  SetPhysicalDrivesEnabled(false);
  SetCDImageFiles({});
  SetSimulatedCDDrives({std::make_shared<PhysicalDrive>(
      sheet, driver, [faults](CdIo_t* cdio) { return std::make_unique<FailingReader>(cdio, faults); }, identification)});
  return OpenOnlyListedDrive();
}

}  // namespace testdata
