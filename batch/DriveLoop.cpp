#include "batch/DriveLoop.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <thread>

#include "batch/Batch.h"
#include "batch/BatchRipHost.h"
#include "batch/DiscIdentifier.h"
#include "cd/MusicBrainzDiscId.h"
#include "cd/TrackTable.h"
#include "platform/files/FileChecks.h"
#include "rip/RipJob.h"

namespace fs = std::filesystem;

namespace {

// What tells one image file from the next a loader puts in its place: its inode, time and size; empty for a
// drive of the machine, whose discs come and go through its door.
std::string MediumMark(const std::string& source) {
  std::string path = source;
  if (std::size_t colon = path.find(':'); colon != std::string::npos && path.find('/') > colon) path.erase(0, colon + 1);
  struct stat status {};
  if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return {};
  return std::to_string(status.st_ino) + ":" + std::to_string(status.st_mtim.tv_sec) + "." +
         std::to_string(status.st_mtim.tv_nsec) + ":" + std::to_string(status.st_size);
}

bool NotAccurate(const TrackResult& track) {
  return track.verdict.kind == TrackVerdict::Kind::NotAccurate ||
         track.ctdbVerdict.kind == TrackVerdict::Kind::NotAccurate;
}

std::string TracksJson(const std::vector<TrackResult>& results, const std::string& work, const std::string& folder) {
  nlohmann::json tracks = nlohmann::json::array();
  for (const TrackResult& track : results) {
    std::string path = track.path;
    if (path.rfind(work + "/", 0) == 0) path = folder + "/" + path.substr(work.size() + 1);
    tracks.push_back({{"number", track.number},
                      {"path", path},
                      {"accurateRip", track.verdict.Text()},
                      {"ctdb", track.ctdbVerdict.Text()},
                      {"readPath", track.readPath},
                      {"unreadableBlocks", track.unreadable.size()}});
  }
  return tracks.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The name the job gave the disc's log ("Album", "Disc 1a2b3c4d"), else the disc's CDDB ID.
std::string DiscFolderName(const std::string& work, const QueuedDisc& disc) {
  for (const fs::directory_entry& entry : fs::directory_iterator(work))
    if (entry.path().extension() == ".log") return entry.path().stem().string();
  return "Disc " + disc.cddbId;
}

// Sleeps a while in short steps, false as soon as the batch stops.
bool Pause(const std::atomic<bool>& stop, std::chrono::milliseconds length) {
  for (auto slept = std::chrono::milliseconds(0); slept < length && !stop; slept += std::chrono::milliseconds(100))
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return !stop;
}

}  // namespace

DriveLoop::DriveLoop(Batch& batch, int index) : FBatch(batch) {
  FDrives.ReadDriveList();
  FDrives.SetCurrentIndex(index);
  FSource = CDDriveSource(FDrives.CurrentDrive());
  FName = DriveShortName(FSource);
  if (FName.empty()) FName = FDrives.CurrentDrive().id;
}

void DriveLoop::Run() {
  try {
    while (!FBatch.Stopped() && !Limited()) {
      // A drive that holds a disc as the batch starts deals with it before the loader is asked for another.
      if (!(FFirst && HoldsDisc()) && !Feed()) break;
      if (DealWithDisc() == Step::End) break;
      FFirst = false;
    }
  } catch (const std::exception& failure) {
    Fail(failure.what());
  }
  FDrives.CloseHandle();
  Show("ended");
}

bool DriveLoop::Limited() const {
  const int discs = FBatch.Options().discs;
  return discs > 0 && FBatch.Queue().FinishedCount(FSource) >= discs;
}

bool DriveLoop::HoldsDisc() {
  return FDrives.ReadTableOfContents(FBatch.Options().formats.front()).message.empty();
}

// The next disc: from the loader, or, without one, put in by hand.
bool DriveLoop::Feed() {
  FOrdinal = FBatch.Queue().FinishedCount(FSource) + 1;
  if (!FBatch.Loader().CanLoad()) return WaitForDisc();
  Show("loading");
  LoaderResult loaded = FBatch.Loader().Load(FSource, FBatch.StopFlag());
  if (loaded.outcome == LoaderResult::Outcome::NoMoreDiscs) return false;
  if (loaded.outcome == LoaderResult::Outcome::Failed) {
    if (!FBatch.Stopped()) Fail(loaded.error);
    return false;
  }
  return true;
}

// Asks the drive once a second: a new disc is there once it reads after the drive was seen empty, or, for an
// image, once another file takes the place of the one unloaded.
bool DriveLoop::WaitForDisc() {
  Show("waiting for a disc");
  bool seenEmpty = false;
  while (Pause(FBatch.StopFlag(), std::chrono::seconds(1))) {
    if (!HoldsDisc()) {
      seenEmpty = true;
      continue;
    }
    const std::string mark = MediumMark(FSource);
    if (seenEmpty || (!mark.empty() && mark != FUnloadedMark)) return true;
  }
  return false;
}

// A killed run may have finished the disc still in the drive: the queue's last disc of the drive, done or
// rejected, with the same IDs.
bool DriveLoop::AlreadyDealtWith(const QueuedDisc& disc) const {
  std::optional<QueuedDisc> last = FBatch.Queue().Last(FSource);
  return FFirst && last && Finished(last->state) && last->cddbId == disc.cddbId &&
         last->musicBrainzId == disc.musicBrainzId;
}

// The disc in the drive as the queue keeps it: the one a killed run left unfinished, ripped again from the
// start, or a new one.
QueuedDisc DriveLoop::Enter() {
  std::optional<QueuedDisc> last = FBatch.Queue().Last(FSource);
  if (last && !Finished(last->state)) {
    FBatch.Queue().Restart(*last);
    return *last;
  }
  return FBatch.Queue().Add(FSource, UtcNow());
}

DriveLoop::Step DriveLoop::DealWithDisc() {
  const OutputFormat format = FBatch.Options().formats.front();
  FOrdinal = FBatch.Queue().FinishedCount(FSource) + 1;
  FAlbum.clear();
  Show("reading the disc");
  DiscReading reading = FDrives.ReadTableOfContents(format);
  QueuedDisc seen;
  if (reading.message.empty()) {
    seen.cddbId = CddbDiscId(FDrives.Toc());
    seen.musicBrainzId = MusicBrainzDiscId(FDrives.Toc());
  }
  if (reading.message.empty() && AlreadyDealtWith(seen)) {
    std::optional<QueuedDisc> last = FBatch.Queue().Last(FSource);
    return Unload(*last) ? Step::Next : Step::End;
  }
  QueuedDisc disc = Enter();
  disc.cddbId = seen.cddbId;
  disc.musicBrainzId = seen.musicBrainzId;
  if (!reading.message.empty()) {
    disc.verdict = reading.Problem();
    Reject(disc, kRejectUnreadable);
  } else if (std::none_of(FDrives.Toc().entries.begin(), FDrives.Toc().entries.end() - 1,
                          [](const TocEntry& entry) { return entry.audio; })) {
    Reject(disc, kRejectDataDisc);
  } else if (!Rip(disc)) {
    return Step::End;
  }
  FBatch.DiscFinished(disc, FName);
  Show(disc.state == DiscState::Done ? "done" : "rejected: " + disc.reason);
  return Unload(disc) ? Step::Next : Step::End;
}

void DriveLoop::Reject(QueuedDisc& disc, const std::string& reason) {
  disc.reason = reason;
  disc.ended = UtcNow();
  FBatch.Queue().Move(disc, DiscState::Rejected);
}

// A rejected disc goes to the reject command, a done one to the unload command; a drive of the machine without
// one opens its door.
bool DriveLoop::Unload(const QueuedDisc& disc) {
  Show("unloading");
  FDrives.CloseHandle();
  const LoaderCommands& loader = FBatch.Loader();
  LoaderResult result = disc.state == DiscState::Rejected ? loader.Reject(FSource, FBatch.StopFlag())
                                                          : loader.Unload(FSource, FBatch.StopFlag());
  if (!loader.CanLoad() && CDDriveHasDoor(FDrives.CurrentDrive())) OpenCDDoor(FDrives.CurrentDrive());
  FUnloadedMark = MediumMark(FSource);
  if (result.outcome == LoaderResult::Outcome::Failed) {
    if (!FBatch.Stopped()) Fail(result.error);
    return false;
  }
  return result.outcome == LoaderResult::Outcome::Done;
}

std::string DriveLoop::WorkFolder(const QueuedDisc& disc) const {
  return FBatch.Options().folder + "/.quillon-batch-work/" + std::to_string(disc.id);
}

// Moves every file of the work folder to its place below `below`, replacing a file of that name, and removes
// the work folder.
void DriveLoop::PlaceFiles(const QueuedDisc& disc, const std::string& below) {
  const fs::path work = WorkFolder(disc);
  std::vector<fs::path> files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(work))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    const fs::path target = fs::path(below) / fs::relative(file, work);
    fs::create_directories(target.parent_path());
    fs::rename(file, target);
  }
  fs::remove_all(work);
  std::error_code kept;  // other drives' discs may still be in the work folder
  fs::remove(work.parent_path(), kept);
}

bool DriveLoop::BuildInput(OutputFormat format, RipInput& input, std::string& error) {
  TIniFile& settings = FBatch.Settings();
  if (!ReadRipValues(settings, input.values)) {
    error = "The settings " + settings.FileName() + " cannot be used for a rip";
    return false;
  }
  input.format = format;
  input.handle = FDrives.Handle();
  input.toc = FDrives.Toc();
  input.drive = FDrives.CurrentDrive().id;
  input.door = FDrives.CurrentDrive();
  if (!ReadDriveOffset(settings, input.drive, input.offset, error)) return false;
  input.offsetSource = DriveOffsetSource(settings, input.drive);
  input.values.eject = false;  // the batch unloads the disc itself
  input.metadataSource = FMetadataSource;
  input.rows = FRows;
  for (RipRow& row : input.rows) row.name = fs::path(row.name).replace_extension(FormatExtension(format)).string();
  input.encoderPool = FBatch.Pool();
  return true;
}

// Identifies the disc, rips it in each format into its work folder and judges it; false when an error ends
// the drive's batch (the disc then stays unfinished in the queue) or the batch stopped.
bool DriveLoop::Rip(QueuedDisc& disc) {
  const BatchOptions& options = FBatch.Options();
  Show("identifying");
  FRows.clear();
  const std::vector<TocRow> discRows = FDrives.Toc().Rows();
  DiscReading reading = FDrives.ReadTableOfContents(options.formats.front());
  for (std::size_t k = 0; k < reading.rows.size() && k < discRows.size(); ++k)
    FRows.push_back({true, reading.rows[k].number, reading.rows[k].name, discRows[k].blocks, discRows[k].start,
                     discRows[k].audio});
  DiscIdentifier identifier(FBatch.Settings(), options.lookup, FBatch.StopFlag());
  DiscIdentity identity = identifier.Identify(FDrives, options.formats.front(), FRows);
  if (FBatch.Stopped()) return false;
  FMetadataSource = identity.metadataSource;
  disc.artist = identity.artist;
  disc.album = identity.album;
  disc.releases = identity.otherReleases;
  FAlbum = disc.album;
  FBatch.Queue().Move(disc, DiscState::Identified);
  if (!options.again && FBatch.Queue().DoneBefore(disc.cddbId, disc.musicBrainzId, disc.id)) {
    Reject(disc, kRejectDuplicate);
    return true;
  }
  std::string required = "no";
  try {
    required = FBatch.Settings().ReadString("Batch", "require metadata", "no");
  } catch (const EIniFileError&) {
  }
  if (identity.metadataSource.empty() && (required == "yes" || required == "1")) {
    Reject(disc, kRejectNoMetadata);
    return true;
  }
  fs::remove_all(WorkFolder(disc));  // what a killed run left of the disc
  FBatch.Queue().Move(disc, DiscState::Ripping);
  std::vector<TrackResult> results;
  bool unreadable = false;
  if (!RipFormats(disc, results, unreadable)) return false;
  FBatch.Queue().Move(disc, DiscState::Verifying);
  Show("verifying");
  Settle(disc, results, unreadable);
  return true;
}

// One job reads the disc once and writes every format into the disc's work folder (with several, a folder per
// format below it).
bool DriveLoop::RipFormats(QueuedDisc& disc, std::vector<TrackResult>& results, bool& unreadable) {
  const BatchOptions& options = FBatch.Options();
  const std::string work = WorkFolder(disc);
  RipInput input;
  std::string error;
  if (!BuildInput(options.formats.front(), input, error)) {
    Fail(error);
    return false;
  }
  input.moreFormats.assign(options.formats.begin() + 1, options.formats.end());
  input.folder = work;
  BatchRipHost host(FBatch.StopFlag(), [this](int track, int tracks, int percent) {
    Show("ripping", track, tracks, percent);
  });
  RipJob job(host);
  host.SetJob(&job);
  MakeFolder(work);
  job.Start(std::move(input));
  if (FBatch.Stopped()) return false;
  if (!host.Errors().empty()) {
    Fail(host.Errors().front());
    return false;
  }
  results = job.Results();
  disc.verdict = "AccurateRip: " + host.Verdicts().accurateRip + "; CTDB: " + host.Verdicts().ctdb;
  unreadable = !host.ReadErrors().empty();
  return true;
}

// Judges the ripped disc and gives its files their names: done in the output folder, rejected apart from the
// collection (in rejected/ID, for a look at what went wrong).
void DriveLoop::Settle(QueuedDisc& disc, const std::vector<TrackResult>& results, bool unreadable) {
  const BatchOptions& options = FBatch.Options();
  const std::string work = WorkFolder(disc);
  std::string reason;
  if (unreadable) reason = kRejectUnreadable;
  else if (std::any_of(results.begin(), results.end(), NotAccurate)) reason = kRejectNotAccurate;
  std::string below = reason.empty() ? options.folder : options.folder + "/rejected/" + std::to_string(disc.id);
  // Without a template that names folders the tracks of every disc would share names ("Track-01.flac"): each
  // disc then gets the folder its log is named after.
  const fs::path firstFolder = results.empty() ? fs::path(work) : fs::path(results.front().path).parent_path();
  const fs::path namedFolder = options.formats.size() > 1 ? firstFolder.parent_path() : firstFolder;
  if (namedFolder == fs::path(work)) below += "/" + DiscFolderName(work, disc);
  disc.tracks = TracksJson(results, work, below);
  disc.folder = (fs::path(below) / fs::relative(firstFolder, work)).lexically_normal().string();
  while (disc.folder.size() > 1 && disc.folder.back() == '/') disc.folder.pop_back();
  PlaceFiles(disc, below);
  if (!reason.empty()) {
    Reject(disc, reason);
    return;
  }
  disc.ended = UtcNow();
  FBatch.Queue().Move(disc, DiscState::Done);
}

void DriveLoop::Show(const std::string& state, int track, int tracks, int percent) {
  DriveProgress progress;
  progress.drive = FName;
  progress.disc = FOrdinal;
  progress.discs = FBatch.Options().discs;
  progress.album = FAlbum;
  progress.state = state;
  progress.track = track;
  progress.tracks = tracks;
  progress.percent = percent;
  FBatch.Observer().DriveChanged(progress);
}

void DriveLoop::Fail(const std::string& text) { FBatch.DriveFailed(FName, text); }
