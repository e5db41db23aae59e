#include "platform/akrip32/akrip32.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "platform/akrip32/CddbClient.h"
#include "platform/akrip32/ImageDrive.h"
#include "platform/akrip32/PhysicalDrive.h"
#include "platform/inifile/TIniFile.h"

namespace {

// Adapter numbers tell the kinds of drive apart; the target is the index within the kind.
constexpr std::uint8_t kPhysicalAdapter = 0;
constexpr std::uint8_t kImageAdapter = 1;
constexpr std::uint8_t kSimulatedAdapter = 2;

struct ListedDrive {
  std::uint8_t ha;
  std::uint8_t tgt;
  std::shared_ptr<CdDriveEntry> entry;
};

// What the last read of a handle could not read, kept with the handle's read lock, and what the next read is
// to do, which callers set without waiting for a read to end.
struct ReadState {
  std::mutex lock;
  std::vector<std::uint32_t> unreadable;
  int offsetSamples = 0;
  std::atomic<ReadMode> mode{ReadMode::Burst};
  std::atomic<bool> modeChanged{false};
  std::chrono::steady_clock::time_point paced{};  // when the reads so far would have ended at the paced speed
};

struct OpenDisc {
  std::shared_ptr<CdMedium> medium;
  std::shared_ptr<ReadState> reads = std::make_shared<ReadState>();
  bool msf = true;
  int blocksPerSecond = 0;  // an image drive held to a drive's speed; 0: as fast as the file reads
};

struct Library {
  std::mutex lock;
  bool physicalDrives = true;
  std::vector<std::string> imageFiles;
  std::vector<std::shared_ptr<CdDriveEntry>> simulatedDrives;
  std::vector<ListedDrive> drives;
  std::map<HCDROM, OpenDisc> handles;
  HCDROM nextHandle = 1;
};

Library& Lib() {
  static Library library;
  return library;
}

void PutBigEndian(std::uint8_t* out, std::uint32_t value) {
  out[0] = static_cast<std::uint8_t>(value >> 24);
  out[1] = static_cast<std::uint8_t>(value >> 16);
  out[2] = static_cast<std::uint8_t>(value >> 8);
  out[3] = static_cast<std::uint8_t>(value);
}

void PutAddress(TOCTRACK& entry, std::int32_t lba, bool msf) {
  if (!msf) {
    PutBigEndian(entry.addr, static_cast<std::uint32_t>(lba));
    return;
  }
  std::int32_t frames = lba + 150;
  entry.addr[0] = 0;
  entry.addr[1] = static_cast<std::uint8_t>(frames / (60 * 75));
  entry.addr[2] = static_cast<std::uint8_t>(frames / 75 % 60);
  entry.addr[3] = static_cast<std::uint8_t>(frames % 75);
}

// Tests and benchmarks hold image drives to a physical drive's speed, so that the drives rather than the page
// cache limit a rip: QUILLON_IMAGE_READ_SPEED is the speed as a multiple of 1x (75 blocks a second).
int ImageBlocksPerSecond() {
  const char* speed = std::getenv("QUILLON_IMAGE_READ_SPEED");
  if (speed == nullptr) return 0;
  char* end = nullptr;
  long multiple = std::strtol(speed, &end, 10);
  return *end == '\0' && multiple > 0 && multiple <= 1000 ? static_cast<int>(multiple * 75) : 0;
}

// Waits until the blocks just read would have come from a drive of that speed.
void Pace(ReadState& reads, int blocksPerSecond, std::int64_t blocks) {
  if (blocksPerSecond <= 0) return;
  auto now = std::chrono::steady_clock::now();
  reads.paced = std::max(reads.paced, now) +
                std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(
                    double(blocks) / blocksPerSecond));
  std::this_thread::sleep_until(reads.paced);
}

bool FindDisc(HCDROM handle, OpenDisc& disc) {
  std::lock_guard<std::mutex> guard(Lib().lock);
  auto found = Lib().handles.find(handle);
  if (found == Lib().handles.end()) return false;
  disc = found->second;
  return true;
}

std::shared_ptr<CdDriveEntry> ListedEntry(std::uint8_t ha, std::uint8_t tgt, std::uint8_t lun) {
  std::lock_guard<std::mutex> guard(Lib().lock);
  for (const ListedDrive& drive : Lib().drives)
    if (drive.ha == ha && drive.tgt == tgt && lun == 0) return drive.entry;
  return nullptr;
}

}  // namespace

void SetCDImageFiles(const std::vector<std::string>& images) {
  std::lock_guard<std::mutex> guard(Lib().lock);
  Lib().imageFiles = images;
}

void AddCDImageFile(const std::string& image) {
  std::lock_guard<std::mutex> guard(Lib().lock);
  std::vector<std::string>& images = Lib().imageFiles;
  if (std::find(images.begin(), images.end(), image) == images.end()) images.push_back(image);
}

namespace {

// Two names of one file or device are the same when both resolve to one path.
bool SamePath(const std::string& a, const std::string& b) {
  std::error_code ec;
  std::filesystem::path ca = std::filesystem::weakly_canonical(a, ec), cb = std::filesystem::weakly_canonical(b, ec);
  return a == b || (!ec && ca == cb);
}

}  // namespace

int ListedDriveIndex(const std::string& source) {
  const std::vector<std::string> devices = PhysicalDrive::DeviceNames();
  std::lock_guard<std::mutex> guard(Lib().lock);
  for (std::size_t i = 0; i < Lib().drives.size(); ++i) {
    const ListedDrive& drive = Lib().drives[i];
    const std::vector<std::string>& names = drive.ha == kPhysicalAdapter ? devices : Lib().imageFiles;
    if (drive.ha != kSimulatedAdapter && drive.tgt < names.size() && SamePath(names[drive.tgt], source))
      return static_cast<int>(i);
  }
  return -1;
}

void UseCDImagesOf(const std::string& settingsFile, const std::string& relativeTo) {
  std::filesystem::path folder = relativeTo;
  std::vector<std::string> images;
  try {
    for (const std::string& value : TIniFile(settingsFile).ReadSectionValues("CD Images"))
      if (!value.empty()) images.push_back(ImageValueIn(folder, value));
  } catch (const EIniFileError&) {
    // An unreadable settings file lists no images; the program reports the file itself elsewhere.
  }
  SetCDImageFiles(images);
}

void SetSimulatedCDDrives(std::vector<std::shared_ptr<CdDriveEntry>> drives) {
  std::lock_guard<std::mutex> guard(Lib().lock);
  Lib().simulatedDrives = std::move(drives);
}

void SetPhysicalDrivesEnabled(bool enabled) {
  std::lock_guard<std::mutex> guard(Lib().lock);
  Lib().physicalDrives = enabled;
}

int GetCDList(CDLIST* list) {
  std::lock_guard<std::mutex> guard(Lib().lock);
  std::vector<ListedDrive> drives;
  std::size_t capacity = std::min<std::size_t>(list->max, MAXCDLIST);
  if (Lib().physicalDrives) {
    std::uint8_t index = 0;
    for (const std::string& device : PhysicalDrive::DeviceNames())
      drives.push_back({kPhysicalAdapter, index++, std::make_shared<PhysicalDrive>(device)});
  }
  std::uint8_t index = 0;
  for (const std::string& sheet : Lib().imageFiles)
    drives.push_back({kImageAdapter, index++, MakeImageDrive(sheet)});
  index = 0;
  for (const std::shared_ptr<CdDriveEntry>& drive : Lib().simulatedDrives) drives.push_back({kSimulatedAdapter, index++, drive});
  if (drives.size() > capacity) drives.resize(capacity);

  list->num = static_cast<std::uint8_t>(drives.size());
  for (std::size_t i = 0; i < drives.size(); ++i) {
    CDREC& record = list->cd[i];
    record = CDREC{};
    record.ha = drives[i].ha;
    record.tgt = drives[i].tgt;
    std::strncpy(record.id, drives[i].entry->Identification().c_str(), MAXIDLEN);
  }
  Lib().drives = std::move(drives);
  return list->num > 0 ? 1 : 0;
}

HCDROM GetCDHandle(const GETCDHAND* request) {
  if (request == nullptr || request->size != sizeof(GETCDHAND) || request->ver != 1) return 0;
  std::shared_ptr<CdDriveEntry> entry = ListedEntry(request->ha, request->tgt, request->lun);
  if (!entry) return 0;
  std::unique_ptr<CdMedium> medium = entry->Open();
  if (!medium) return 0;
  std::lock_guard<std::mutex> guard(Lib().lock);
  HCDROM handle = Lib().nextHandle++;
  Lib().handles[handle].medium = std::move(medium);
  if (request->ha == kImageAdapter) Lib().handles[handle].blocksPerSecond = ImageBlocksPerSecond();
  return handle;
}

bool CDDriveHasDoor(const CDREC& drive) {
  std::shared_ptr<CdDriveEntry> entry = ListedEntry(drive.ha, drive.tgt, drive.lun);
  return entry && entry->HasDoor();
}

bool OpenCDDoor(const CDREC& drive) {
  std::shared_ptr<CdDriveEntry> entry = ListedEntry(drive.ha, drive.tgt, drive.lun);
  return entry && entry->OpenDoor();
}

bool CloseCDDoor(const CDREC& drive) {
  std::shared_ptr<CdDriveEntry> entry = ListedEntry(drive.ha, drive.tgt, drive.lun);
  return entry && entry->CloseDoor();
}

std::string CDDriveSource(const CDREC& drive) {
  std::shared_ptr<CdDriveEntry> entry = ListedEntry(drive.ha, drive.tgt, drive.lun);
  return entry ? entry->Source() : std::string();
}

std::string CDDriveOpenError(const CDREC& drive) {
  std::shared_ptr<CdDriveEntry> entry = ListedEntry(drive.ha, drive.tgt, drive.lun);
  return entry ? entry->OpenError() : std::string();
}

int CloseCDHandle(HCDROM handle) {
  std::lock_guard<std::mutex> guard(Lib().lock);
  return Lib().handles.erase(handle) > 0 ? 1 : 0;
}

int ModifyCDParms(HCDROM handle, int which, std::uint32_t value) {
  std::lock_guard<std::mutex> guard(Lib().lock);
  auto found = Lib().handles.find(handle);
  if (found == Lib().handles.end() || which != CDP_MSF) return 0;
  found->second.msf = value != 0;
  return 1;
}

int ReadTOC(HCDROM handle, TOC* toc) {
  OpenDisc disc;
  if (toc == nullptr || !FindDisc(handle, disc)) return 0;
  const DiscLayout& layout = disc.medium->Layout();
  *toc = TOC{};
  toc->firstTrack = static_cast<std::uint8_t>(layout.tracks.front().number);
  toc->lastTrack = static_cast<std::uint8_t>(layout.tracks.back().number);
  std::size_t i = 0;
  for (const DiscTrack& track : layout.tracks) {
    TOCTRACK& entry = toc->tracks[i++];
    entry.adrControl = static_cast<std::uint8_t>((track.audio ? 0x10 : 0x14) | (track.preEmphasis ? 0x01 : 0) |
                                                 (track.copyPermitted ? 0x02 : 0) | (track.fourChannel ? 0x08 : 0));
    entry.trackNumber = static_cast<std::uint8_t>(track.number);
    entry.reserved1 = static_cast<std::uint8_t>(track.session);
    PutAddress(entry, track.start, disc.msf);
  }
  TOCTRACK& leadout = toc->tracks[i++];
  leadout.adrControl = 0x10;
  leadout.trackNumber = 0xAA;
  PutAddress(leadout, layout.leadout, disc.msf);
  std::uint16_t length = static_cast<std::uint16_t>(2 + i * sizeof(TOCTRACK));
  toc->tocLen[0] = static_cast<std::uint8_t>(length >> 8);
  toc->tocLen[1] = static_cast<std::uint8_t>(length);
  return 1;
}

namespace {

struct Stretch {
  std::int64_t begin = 0;
  std::int64_t end = 0;  // empty when lba holds no audio
};

// The stretch of audio that holds lba: consecutive audio tracks, between data tracks, the gap before a data
// session and the ends of the disc.
Stretch AudioStretchOf(const DiscLayout& layout, std::int64_t lba) {
  std::size_t i = 0;
  while (i + 1 < layout.tracks.size() && layout.tracks[i + 1].start <= lba) ++i;
  if (layout.tracks.empty() || !layout.tracks[i].audio || lba < 0) return {lba, lba};
  std::size_t first = i;
  while (first > 0 && layout.tracks[first - 1].audio && layout.AudioEnd(first - 1) == layout.tracks[first].start) --first;
  while (i + 1 < layout.tracks.size() && layout.AudioEnd(i) == layout.tracks[i + 1].start && layout.tracks[i + 1].audio) ++i;
  return {first == 0 ? 0 : layout.tracks[first].start, std::max<std::int64_t>(layout.AudioEnd(i), lba)};
}

std::int64_t FloorDivide(std::int64_t value, std::int64_t by) { return value >= 0 ? value / by : -((-value + by - 1) / by); }

// Blocks as a drive reads them that delivers its audio shiftBytes late (a read offset made good): each block
// is put together from the two it straddles; what lies outside the stretch is silence.
BlockRead ReadShifted(CdMedium& medium, const Stretch& stretch, std::int64_t start, std::int64_t count,
                      std::int64_t shiftBytes, std::uint8_t* out, const std::atomic<bool>* cancel) {
  if (shiftBytes == 0 && start >= stretch.begin && start + count <= stretch.end)
    return medium.ReadBlocks(static_cast<std::int32_t>(start), static_cast<std::int32_t>(count), out, cancel);
  const std::int64_t firstByte = start * CD_BLOCK_BYTES + shiftBytes;
  const std::int64_t firstSource = FloorDivide(firstByte, CD_BLOCK_BYTES);
  const std::int64_t within = firstByte - firstSource * CD_BLOCK_BYTES;
  const std::int64_t sources = count + (within != 0 ? 1 : 0);
  std::vector<std::uint8_t> source(static_cast<std::size_t>(sources) * CD_BLOCK_BYTES, 0);
  const std::int64_t from = std::max(firstSource, stretch.begin);
  const std::int64_t to = std::min(firstSource + sources, stretch.end);
  BlockRead read;
  if (from < to)
    read = medium.ReadBlocks(static_cast<std::int32_t>(from), static_cast<std::int32_t>(to - from),
                             source.data() + (from - firstSource) * CD_BLOCK_BYTES, cancel);
  std::memcpy(out, source.data() + within, static_cast<std::size_t>(count) * CD_BLOCK_BYTES);
  std::vector<std::int32_t> unreadable;
  for (std::int64_t i = 0; i < count; ++i) {
    auto straddled = [&](std::int64_t block) {
      return std::binary_search(read.unreadable.begin(), read.unreadable.end(), static_cast<std::int32_t>(block));
    };
    if (straddled(firstSource + i) || (within != 0 && straddled(firstSource + i + 1)))
      unreadable.push_back(static_cast<std::int32_t>(start + i));
  }
  read.unreadable = std::move(unreadable);
  return read;
}

}  // namespace

int SetCDReadOffset(HCDROM handle, int samples) {
  OpenDisc disc;
  if (!FindDisc(handle, disc)) return 0;
  std::lock_guard<std::mutex> guard(disc.reads->lock);
  disc.reads->offsetSamples = samples;
  return 1;
}

int SetCDReadMode(HCDROM handle, ReadMode mode) {
  OpenDisc disc;
  if (!FindDisc(handle, disc)) return 0;
  disc.reads->mode = mode;
  disc.reads->modeChanged = true;
  return 1;
}

bool CDReadsExactly(HCDROM handle) {
  OpenDisc disc;
  return FindDisc(handle, disc) && disc.medium->ReadsExactly();
}

int ReadCDAudioLBA(HCDROM handle, TRACKBUF* buffer, const std::atomic<bool>* cancel) {
  if (buffer == nullptr) return SS_ERR;
  buffer->len = 0;
  buffer->startOffset = 0;
  buffer->status = SS_ERR;
  OpenDisc disc;
  if (!FindDisc(handle, disc)) return SS_ERR;
  std::lock_guard<std::mutex> guard(disc.reads->lock);
  disc.reads->unreadable.clear();
  std::int64_t start = buffer->startFrame;
  std::int64_t count = buffer->numFrames;
  std::int64_t capacity = std::min<std::int64_t>(buffer->maxLen, sizeof(buffer->buf));
  // Data tracks are never read as audio, and a read past the audio stops where the audio ends.
  Stretch stretch = AudioStretchOf(disc.medium->Layout(), start);
  if (count <= 0 || count * CD_BLOCK_BYTES > capacity || start >= stretch.end) return SS_ERR;
  count = std::min(count, stretch.end - start);
  if (disc.reads->modeChanged.exchange(false)) disc.medium->SetReadMode(disc.reads->mode);
  BlockRead read = ReadShifted(*disc.medium, stretch, start, count, std::int64_t(disc.reads->offsetSamples) * 4,
                               buffer->buf, cancel);
  if (!read.delivered) return SS_ERR;
  Pace(*disc.reads, disc.blocksPerSecond, count);
  disc.reads->unreadable.assign(read.unreadable.begin(), read.unreadable.end());
  buffer->numFrames = static_cast<std::uint32_t>(count);
  buffer->len = static_cast<std::uint32_t>(count * CD_BLOCK_BYTES);
  buffer->status = read.unreadable.empty() ? SS_COMP : SS_ERR;
  return static_cast<int>(buffer->status);
}

bool ReadCDCodes(HCDROM handle, DiscCodes& codes) {
  OpenDisc disc;
  if (!FindDisc(handle, disc)) return false;
  std::lock_guard<std::mutex> guard(disc.reads->lock);  // the drive answers one command at a time
  codes = disc.medium->Codes();
  return true;
}

bool ReadCDText(HCDROM handle, DiscText& text) {
  OpenDisc disc;
  if (!FindDisc(handle, disc)) return false;
  std::lock_guard<std::mutex> guard(disc.reads->lock);
  text = disc.medium->Text();
  return true;
}

GapDetection DetectCDGaps(HCDROM handle, const GapProgress& progress, const std::atomic<bool>* cancel) {
  OpenDisc disc;
  if (!FindDisc(handle, disc)) return GapDetection::NotSupported;
  std::lock_guard<std::mutex> guard(disc.reads->lock);
  return disc.medium->DetectGaps(progress, cancel);
}

std::vector<std::uint32_t> UnreadableCDBlocks(HCDROM handle) {
  OpenDisc disc;
  if (!FindDisc(handle, disc)) return {};
  std::lock_guard<std::mutex> guard(disc.reads->lock);
  return disc.reads->unreadable;
}

namespace {

struct CddbState {
  std::mutex lock;
  CddbClient client;
};

CddbState& Cddb() {
  static CddbState state;
  return state;
}

// The options as they are now; the exchange itself runs without holding the lock.
CddbClient CddbClientNow() {
  std::lock_guard<std::mutex> guard(Cddb().lock);
  return Cddb().client;
}

// Copies text into a fixed field, cut where it does not split a UTF-8 character.
template <std::size_t N>
void CopyField(char (&field)[N], const std::string& text) {
  std::size_t length = std::min(text.size(), N - 1);
  while (length > 0 && length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

}  // namespace

void SetCDDBTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total) {
  std::lock_guard<std::mutex> guard(Cddb().lock);
  Cddb().client.SetTimeouts(connect, total);
}

void SetCDDBWaiting(std::function<bool()> keepWaiting) {
  std::lock_guard<std::mutex> guard(Cddb().lock);
  Cddb().client.SetWaiting(std::move(keepWaiting));
}

int CDDBSetOption(int what, const char* value, int) {
  if (value == nullptr) return 0;
  std::lock_guard<std::mutex> guard(Cddb().lock);
  CddbClient& client = Cddb().client;
  switch (what) {
    case CDDB_OPT_SERVER:
      client.SetServer(value);
      return 1;
    case CDDB_OPT_CGI:
      client.SetCgiPath(value);
      return 1;
    case CDDB_OPT_USER:
      client.SetEmail(value);
      return 1;
    case CDDB_OPT_AGENT:
      client.SetClient(value);
      return 1;
    default:
      return 0;
  }
}

int CDDBGetServerList(CDDBSITELIST* list) {
  if (list == nullptr) return 0;
  std::size_t capacity = list->s == nullptr ? 0 : list->num;
  list->num = 0;
  std::vector<CddbSite> sites;
  if (!CddbClientNow().Sites(sites)) return 0;
  for (std::size_t i = 0; i < sites.size() && i < capacity; ++i) {
    CDDBSITE& record = list->s[i];
    record = CDDBSITE{};
    CopyField(record.host, sites[i].host);
    record.port = sites[i].port;
    CopyField(record.cgi, sites[i].cgi);
    CopyField(record.location, sites[i].location);
    list->num = static_cast<std::uint8_t>(i + 1);
  }
  return 1;
}

int CDDBQuery(HCDROM handle, CDDBQUERY* query) {
  if (query == nullptr) return 0;
  std::size_t capacity = query->q == nullptr ? 0 : query->num;
  query->num = 0;
  OpenDisc disc;
  if (!FindDisc(handle, disc)) return 0;
  CddbDisc cddbDisc;
  for (const DiscTrack& track : disc.medium->Layout().tracks)
    cddbDisc.trackStarts.push_back(static_cast<std::uint32_t>(track.start));
  cddbDisc.leadout = static_cast<std::uint32_t>(disc.medium->Layout().leadout);
  std::vector<CddbMatch> matches;
  if (!CddbClientNow().Query(cddbDisc, matches)) return 0;
  for (std::size_t i = 0; i < matches.size() && i < capacity; ++i) {
    CDDBQUERYITEM& record = query->q[i];
    record = CDDBQUERYITEM{};
    CopyField(record.categ, matches[i].category);
    CopyField(record.cddbId, matches[i].discId);
    CopyField(record.artist, matches[i].artist);
    CopyField(record.title, matches[i].title);
    query->num = static_cast<std::uint8_t>(i + 1);
  }
  return 1;
}

int CDDBGetDiskInfo(const CDDBQUERYITEM* match, char* text, int capacity) {
  if (match == nullptr || text == nullptr || capacity < 1) return 0;
  text[0] = '\0';
  std::string entry;
  if (!CddbClientNow().Read(match->categ, match->cddbId, entry)) return 0;
  // An entry too long for the buffer keeps its whole lines; the track titles come first in an entry.
  if (entry.size() >= static_cast<std::size_t>(capacity)) {
    std::size_t end = capacity < 3 ? std::string::npos : entry.rfind("\r\n", static_cast<std::size_t>(capacity) - 3);
    entry.resize(end == std::string::npos ? 0 : end + 2);
  }
  std::memcpy(text, entry.c_str(), entry.size() + 1);
  return 1;
}
