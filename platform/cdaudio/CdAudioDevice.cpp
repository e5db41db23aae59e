#include "platform/cdaudio/CdAudioDevice.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "platform/cdaudio/DiscPlayer.h"

namespace {

constexpr std::int32_t kFramesPerSecond = 75;
constexpr std::int32_t kLeadIn = 150;  // minute/second/frame addresses count the lead-in
// How long a stopped player keeps the sound card: long enough for a skip to the next track, which stops
// and plays again at once.
constexpr std::chrono::seconds kKeepSound{2};

std::uint32_t Pack(int low, int second, int third, int high) {
  return std::uint32_t(low & 0xFF) | std::uint32_t(second & 0xFF) << 8 | std::uint32_t(third & 0xFF) << 16 |
         std::uint32_t(high & 0xFF) << 24;
}

std::int32_t BigEndian(const std::uint8_t* bytes) {
  return std::int32_t(std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8 |
                      bytes[3]);
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

}  // namespace

CdAudioDevice::CdAudioDevice() = default;

CdAudioDevice::~CdAudioDevice() { Close(); }

void CdAudioDevice::Open(const CDREC& drive) {
  Close();
  FDrive = drive;
  FOpen = true;
  FTmsf = false;
  DiscPresent();
}

void CdAudioDevice::Close() {
  ForgetDisc();
  FPlayer.reset();
  FOpen = false;
}

void CdAudioDevice::SelectDrive(const CDREC& drive) {
  if (!FOpen) return;
  bool sameDrive = drive.ha == FDrive.ha && drive.tgt == FDrive.tgt && drive.lun == FDrive.lun;
  if (sameDrive && Playing()) return;
  ForgetDisc();
  if (!sameDrive) FDoorOpen = false;
  FDrive = drive;
}

void CdAudioDevice::SetTimeFormatTMSF() { FTmsf = true; }

void CdAudioDevice::ForgetDisc() {
  Stop();
  if (FHandle != 0) CloseCDHandle(FHandle);
  FHandle = 0;
  FTracks.clear();
  FLeadout = 0;
  FPosition = 0;
}

bool CdAudioDevice::DiscPresent() {
  if (!FOpen) return false;
  if (FHandle != 0) return true;
  GETCDHAND request;
  request.ha = FDrive.ha;
  request.tgt = FDrive.tgt;
  request.lun = FDrive.lun;
  FHandle = GetCDHandle(&request);
  if (FHandle == 0) return false;
  if (!ReadLayout()) {
    ForgetDisc();
    return false;
  }
  FDoorOpen = false;  // a disc can be read, so the door was closed by hand
  FPosition = FTracks.front().start;
  return true;
}

bool CdAudioDevice::ReadLayout() {
  TOC toc;
  if (ModifyCDParms(FHandle, CDP_MSF, 0) != 1 || ReadTOC(FHandle, &toc) != 1) return false;
  int count = toc.lastTrack - toc.firstTrack + 1;
  if (toc.firstTrack < 1 || count < 1 || count >= MAXTOCENTRIES) return false;
  for (int i = 0; i < count; ++i) {
    const TOCTRACK& entry = toc.tracks[i];
    FTracks.push_back({entry.trackNumber, BigEndian(entry.addr), (entry.adrControl & 0x04) == 0});
  }
  FLeadout = BigEndian(toc.tracks[count].addr);
  return true;
}

CdAudioMode CdAudioDevice::Mode() {
  ReleaseQuietSound();
  if (!FOpen) return CdAudioMode::NotReady;
  if (!DiscPresent()) return FDoorOpen ? CdAudioMode::Open : CdAudioMode::NotReady;
  if (Playing() && FPlayer->Finished()) Stop();
  if (!Playing()) return CdAudioMode::Stopped;
  return FPaused ? CdAudioMode::Paused : CdAudioMode::Playing;
}

// An open sound device costs processor time even while it plays nothing.
void CdAudioDevice::ReleaseQuietSound() {
  if (FPlayer && !Playing() && std::chrono::steady_clock::now() - FStoppedAt > kKeepSound) FPlayer.reset();
}

bool CdAudioDevice::Playing() const { return FPlayer && FPlayer->Active(); }

std::int32_t CdAudioDevice::CurrentBlock() const { return Playing() ? FPlayer->HeardBlock() : FPosition; }

std::size_t CdAudioDevice::TrackAt(std::int32_t block) const {
  std::size_t index = 0;
  while (index + 1 < FTracks.size() && FTracks[index + 1].start <= block) ++index;
  return index;
}

std::uint32_t CdAudioDevice::Position() {
  if (!DiscPresent()) return 0;
  std::int32_t block = CurrentBlock();
  if (!FTmsf) {
    std::int32_t frames = block + kLeadIn;
    return Pack(frames / (60 * kFramesPerSecond), frames / kFramesPerSecond % 60, frames % kFramesPerSecond, 0);
  }
  const Track& track = FTracks[TrackAt(block)];
  std::int32_t offset = std::max(0, block - track.start);
  return Pack(track.number, offset / (60 * kFramesPerSecond), offset / kFramesPerSecond % 60,
              offset % kFramesPerSecond);
}

int CdAudioDevice::NumberOfTracks() { return DiscPresent() ? int(FTracks.size()) : 0; }

bool CdAudioDevice::Seek(std::uint32_t position) {
  if (!DiscPresent()) return false;
  Stop();
  std::int32_t block;
  if (FTmsf) {
    int number = int(position & 0xFF);
    auto track = std::find_if(FTracks.begin(), FTracks.end(), [number](const Track& t) { return t.number == number; });
    if (track == FTracks.end()) return false;
    block = track->start + (int(position >> 8 & 0xFF) * 60 + int(position >> 16 & 0xFF)) * kFramesPerSecond +
            int(position >> 24 & 0xFF);
    if (TrackAt(block) != std::size_t(track - FTracks.begin())) return false;  // past the end of the track
  } else {
    block = (int(position & 0xFF) * 60 + int(position >> 8 & 0xFF)) * kFramesPerSecond + int(position >> 16 & 0xFF) -
            kLeadIn;
  }
  if (block < 0 || block >= FLeadout || !FTracks[TrackAt(block)].audio) return false;
  FPosition = block;
  return true;
}

std::int32_t CdAudioDevice::AudioEnd(std::int32_t block) const {
  for (std::size_t i = TrackAt(block) + 1; i < FTracks.size(); ++i)
    if (!FTracks[i].audio) return FTracks[i].start;
  return FLeadout;
}

bool CdAudioDevice::Play() {
  if (!DiscPresent()) return false;
  Stop();
  if (!FTracks[TrackAt(FPosition)].audio || FPosition >= FLeadout) return false;
  if (!FPlayer) FPlayer = DiscPlayer::Open();
  if (!FPlayer) return false;
  FPlayer->Play(FHandle, FPosition, AudioEnd(FPosition));
  return true;
}

bool CdAudioDevice::Pause() {
  if (Mode() != CdAudioMode::Playing) return false;
  FPlayer->Pause();
  FPaused = true;
  return true;
}

bool CdAudioDevice::Resume() {
  if (Mode() != CdAudioMode::Paused) return false;
  FPlayer->Resume();
  FPaused = false;
  return true;
}

bool CdAudioDevice::Stop() {
  if (!FOpen) return false;
  if (Playing()) {
    FPosition = FPlayer->HeardBlock();
    FPlayer->Stop();
    FStoppedAt = std::chrono::steady_clock::now();
  }
  FPaused = false;
  return true;
}

bool CdAudioDevice::CanEject() { return FOpen && CDDriveHasDoor(FDrive); }

bool CdAudioDevice::Eject() {
  if (!CanEject()) return false;
  ForgetDisc();
  if (!OpenCDDoor(FDrive)) return false;
  FDoorOpen = true;
  return true;
}

bool CdAudioDevice::CloseDoor() {
  if (!FOpen || !CloseCDDoor(FDrive)) return false;
  FDoorOpen = false;
  return true;
}

bool CdAudioDevice::SendString(const std::string& command) {
  std::istringstream words(Lower(command));
  std::string set, device, door, state, wait;
  words >> set >> device >> door >> state >> wait;
  bool known = set == "set" && device == "cdaudio" && door == "door" && (wait.empty() || wait == "wait");
  if (!known) return false;
  if (state == "closed") return CloseDoor();
  if (state == "open") return Eject();
  return false;
}
