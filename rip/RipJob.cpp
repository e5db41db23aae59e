#include "rip/RipJob.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <thread>
#include <utility>

#include "acs/ACS_Wave.h"
#include "acs/TFileStream.h"
#include "cd/TrackNaming.h"
#include "platform/ProgramFolder.h"
#include "platform/files/FileChecks.h"
#include "platform/files/ReplacementFile.h"
#include "platform/inifile/TIniFile.h"
#include "rip/DeEmphasis.h"
#include "rip/TimeLeft.h"
#include "rip/FlacTrackEncoder.h"
#include "rip/GapSearch.h"
#include "rip/Mp3TrackEncoder.h"
#include "rip/OggTrackEncoder.h"
#include "rip/OpusTrackEncoder.h"
#include "rip/RipCueSheet.h"
#include "rip/RipPlaylist.h"
#include "rip/TrackTagging.h"
#include "rip/WavTrackEncoder.h"

namespace {

bool ToInteger(const std::string& text, int& value) {
  try {
    std::size_t used = 0;
    value = std::stoi(text, &used);
    return used == text.size();
  } catch (const std::exception&) {
    return false;
  }
}

std::string WithoutLast(const std::string& text, std::size_t count) {
  return text.size() > count ? text.substr(0, text.size() - count) : std::string();
}

int ReadInteger(TIniFile& settings, const char* section, const char* key, int defaultValue) {
  int value;
  return ToInteger(settings.ReadString(section, key, ""), value) ? value : defaultValue;
}

bool ReadFlag(TIniFile& settings, const char* section, const char* key, const char* defaultValue = "False") {
  return settings.ReadString(section, key, defaultValue) != "False";
}

std::string Trimmed(const std::string& text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void RemoveFile(const std::string& path) { std::remove(path.c_str()); }

void PutLittleEndian(std::uint8_t* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

bool Rippable(const RipRow& row) { return row.checked && row.audio; }

// How the pregaps were found, as the log says it.
std::string GapDetectionText(GapDetection how) {
  switch (how) {
    case GapDetection::QSubchannel: return "Q sub-channel";
    case GapDetection::Sheet: return "from the image's cue sheet";
    case GapDetection::NotSupported: return "not supported by the drive";
    case GapDetection::Cancelled: break;
  }
  return "cancelled";
}

// Removes a temporary file when its track ends before an encoder has it, however it ends.
struct TemporaryFile {
  std::string path;
  ~TemporaryFile() {
    if (!path.empty()) RemoveFile(path);
  }
};

void ReadCoverArtValues(TIniFile& settings, RipValues& values) {
  values.coverArtServer = settings.ReadString("Cover Art", "server", "http://coverartarchive.org");
  values.coverArtSize = settings.ReadString("Cover Art", "size", "500");
  values.coverArtFile = settings.ReadString("Cover Art", "file", "cover.jpg");
}

// The release a MusicBrainz lookup chose for the rows; empty after any other lookup, or none.
std::string ChosenRelease(const RipInput& input) {
  if (input.metadataSource != "MusicBrainz") return {};
  for (const RipRow& row : input.rows)
    if (Rippable(row) && !row.tags.musicBrainzReleaseId.empty()) return row.tags.musicBrainzReleaseId;
  return {};
}

// The name the cover is saved as: the one set, a ".jpg" or ".png" at its end following the image's type
// ("cover.png" for a PNG image where "cover.jpg" is set). Empty for a name that is no plain file name.
std::string CoverFileName(const std::string& name, const std::string& mimeType) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) return {};
  std::filesystem::path path(name);
  if (path.extension() != ".jpg" && path.extension() != ".png") return name;
  return path.replace_extension(mimeType == "image/png" ? ".png" : ".jpg").string();
}

}  // namespace

std::string TrackTime(std::uint32_t block) {
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u.%02u", block / 75 / 60, block / 75 % 60, block % 75);
  return text;
}

std::string UnreadableText(const std::vector<std::uint32_t>& blocks) {
  std::string stretches;
  for (std::size_t i = 0; i < blocks.size();) {
    std::size_t last = i;
    while (last + 1 < blocks.size() && blocks[last + 1] == blocks[last] + 1) ++last;
    if (!stretches.empty()) stretches += ", ";
    stretches += TrackTime(blocks[i]);
    if (last > i) stretches += "\u2013" + TrackTime(blocks[last]);
    i = last + 1;
  }
  std::string count = std::to_string(blocks.size()) + (blocks.size() == 1 ? " block" : " blocks");
  return count + " could not be read at " + stretches;
}

std::string ReadErrorText(const std::string& number, const std::vector<std::uint32_t>& blocks) {
  return "Track " + number + ": " + UnreadableText(blocks);
}

std::vector<OutputFormat> RipFormats(const RipInput& input) {
  std::vector<OutputFormat> formats{input.format};
  for (OutputFormat format : input.moreFormats)
    if (std::find(formats.begin(), formats.end(), format) == formats.end()) formats.push_back(format);
  return formats;
}

std::string FormatFolderName(OutputFormat format) { return FormatExtension(format).substr(1); }

std::vector<OutputFormat> ReadAlsoWrite(TIniFile& settings) {
  std::istringstream list(settings.ReadString("Rip", "also write", ""));
  std::vector<OutputFormat> formats;
  for (std::string item; std::getline(list, item, ',');) {
    std::transform(item.begin(), item.end(), item.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    item = Trimmed(item);
    for (OutputFormat format : OutputFormats())
      if (item == FormatFolderName(format) && std::find(formats.begin(), formats.end(), format) == formats.end())
        formats.push_back(format);
  }
  return formats;
}

std::string AlsoWriteText(const std::vector<OutputFormat>& formats) {
  std::string text;
  for (OutputFormat format : formats) {
    if (!text.empty()) text += ',';
    text += FormatFolderName(format);
  }
  return text;
}

std::string OneFileProblem(OutputFormat format) {
  if (format == OutputFormat::WAV || format == OutputFormat::FLAC) return {};
  const char* name = format == OutputFormat::MP3 ? "MP3" : format == OutputFormat::Opus ? "Opus" : "Ogg Vorbis";
  return std::string("A rip to one file is written as WAV or FLAC, whose audio stays exact, not as ") + name +
         ": choose WAV or FLAC, or rip a file per track";
}

std::string OneFileName(const std::vector<RipRow>& rows, OutputFormat format) {
  const std::string extension = FormatExtension(format);
  for (const RipRow& row : rows) {
    if (!Rippable(row)) continue;
    std::string name = TrackFileName(row.tags.album, "", extension);
    if (row.tags.album.empty() || name == TrackFileName("", "", extension)) name = "Disc" + extension;
    std::string folders = std::filesystem::path(Trimmed(row.name)).parent_path().string();
    return folders.empty() ? name : folders + "/" + name;
  }
  return "Disc" + extension;
}

bool ReadRipValues(TIniFile& settings, RipValues& values) {
  try {
    if (!ToInteger(WithoutLast(settings.ReadString("MP3 Options", "dwSampleRate", "44100"), 2), values.sampleRate))
      return false;
    if (!ToInteger(WithoutLast(settings.ReadString("MP3 Options", "wBitrate", "128"), 4), values.bitrate))
      return false;
    values.copyright = ReadFlag(settings, "MP3 Options", "bCopyright");
    values.crc = ReadFlag(settings, "MP3 Options", "bCRC");
    values.privateBit = ReadFlag(settings, "MP3 Options", "bPrivate");
    values.original = ReadFlag(settings, "MP3 Options", "bOriginal");
    values.open = ReadFlag(settings, "Folder", "open");
    values.cpu = ReadInteger(settings, "OGG Options", "cpu", 3);
    values.compr = ReadInteger(settings, "OGG Options", "compr", 20);
    values.flacLevel = ReadInteger(settings, "FLAC Options", "level", 5);
    if (values.flacLevel < 0 || values.flacLevel > 8) values.flacLevel = 5;
    values.opusBitrate = ReadInteger(settings, "Opus Options", "bitrate", 160);
    values.mp3Vbr = settings.ReadString("MP3 Options", "mode", "CBR") == "VBR";
    values.mp3Quality = ReadInteger(settings, "MP3 Options", "quality", 2);
    if (values.mp3Quality < 0 || values.mp3Quality > 9) values.mp3Quality = 2;
    ReadDatabaseValues(settings, values);
    values.testAndCopy = settings.ReadString("Rip", "test and copy", "False") != "False";
    values.deEmphasis = ReadFlag(settings, "Rip", "de-emphasis");
    values.detectGaps = ReadFlag(settings, "Rip", "detect gaps", "True");
    values.encoderThreads = std::max(0, ReadInteger(settings, "Rip", "encoder threads", 0));
    values.oneFile = ReadFlag(settings, "Rip", "one file");
    values.replayGain = ReadFlag(settings, "Rip", "ReplayGain", "True");
    values.playlist = ReadFlag(settings, "Rip", "playlist", "True");
    values.eject = ReadFlag(settings, "Rip", "eject");
    ReadCoverArtValues(settings, values);
    // Anything but a known mode reads in the default one, which never delivers less than the others.
    if (!ParseRipReadMode(settings.ReadString("Rip", "read mode", "verify"), values.readMode))
      values.readMode = RipReadMode::Verify;
  } catch (const EIniFileError&) {
    return false;
  }
  return true;
}

void ReadDatabaseValues(TIniFile& settings, RipValues& values) {
  values.accurateRipServer = settings.ReadString("AccurateRip", "server", "http://www.accuraterip.com");
  values.ctdbServer = settings.ReadString("CTDB", "server", "http://db.cuetools.net");
  values.cacheFolder = CacheFolder(settings.FileName());
}

bool ReadDriveOffset(TIniFile& settings, const std::string& drive, int& offset, std::string& error) {
  offset = 0;
  std::string text;
  try {
    text = settings.ReadString("Drive Offsets", drive.c_str(), "");
  } catch (const EIniFileError&) {
    return true;
  }
  long long value = 0;
  try {
    std::size_t used = 0;
    value = std::stoll(text, &used);
    if (used != text.size()) return true;
  } catch (const std::out_of_range&) {
    value = kMostReadOffset + 1LL;
  } catch (const std::exception&) {
    return true;
  }
  if (value < -kMostReadOffset || value > kMostReadOffset) {
    error = "The read offset " + text + " of " + drive + " in [Drive Offsets] is out of range: a read offset lies within " +
            std::to_string(-kMostReadOffset) + " and " + std::to_string(kMostReadOffset) + " samples";
    return false;
  }
  offset = static_cast<int>(value);
  return true;
}

std::string DriveOffsetSource(TIniFile& settings, const std::string& drive) {
  try {
    int value = 0;
    if (ToInteger(settings.ReadString("Drive Offsets", drive.c_str(), ""), value)) return "from [Drive Offsets]";
  } catch (const EIniFileError&) {
  }
  return "none set for the drive";
}

RipJob::RipJob(RipHost& host) : FHost(host) {}

RipJob::~RipJob() {
  StopEncodings();
  GiveUpCoverArt();
}

void RipJob::Start(RipInput input) {
  FInput = std::move(input);
  FFinished.clear();
  FReadErrors.clear();
  FResults.clear();
  FFailure.reset();
  FLoudness.clear();
  FWholeDisc = std::all_of(FInput.rows.begin(), FInput.rows.end(),
                           [](const RipRow& row) { return !row.audio || row.number == "00" || row.checked; });
  FTracksToRip = std::count_if(FInput.rows.begin(), FInput.rows.end(), Rippable);
  FFormats = RipFormats(FInput);
  SetCDReadOffset(FInput.handle, FInput.offset);
  FPlan = ReadPlan(FInput.values.readMode, CDReadsExactly(FInput.handle));
  FAccuracy.Start(FInput);
  FCancel = false;
  FRunning = true;
  FHost.SetCaption("Marrowby");
  StartCoverArt();
  RunGuarded([this] {
    DetectGaps();
    CountJob();
    RipProcedure();
  });
  SetCDReadMode(FInput.handle, ReadMode::Burst);  // the CD player reads on as before the job
}

// An error that escapes a step ends the job; the window can then be closed.
void RipJob::RunGuarded(const std::function<void()>& step) {
  try {
    step();
  } catch (const std::exception& error) {
    StopEncodings();
    GiveUpCoverArt();
    FRunning = false;
    FHost.SetButtonCaption("Close");
    FHost.ShowStandardError(error.what());
  }
}

void RipJob::SetCancel(bool cancel) {
  FCancel = cancel;
  if (cancel) FReader->Cancel();
}

// The cue sheet and the log need the disc's pregaps: a drive's are searched for once, before the first track is
// read, while the window is served. A cancel ends the search at its next drive command; one that does not come
// back within a second is left to its thread.
void RipJob::DetectGaps() {
  if (FInput.toc.entries.empty()) return;
  if (!FInput.values.detectGaps) {
    FInput.gapDetection = "off";
    return;
  }
  GapSearch search(FInput.handle);
  if (!AwaitGapSearch(search)) {
    search.Abandon();
    return;
  }
  DiscCodes codes;
  if (ReadCDCodes(FInput.handle, codes)) AddDiscCodes(codes, FInput.toc);
  FInput.gapDetection = GapDetectionText(search.Result());
}

// False when the job stopped and the search did not end in time.
bool RipJob::AwaitGapSearch(GapSearch& search) {
  using Clock = std::chrono::steady_clock;
  std::optional<Clock::time_point> stopped;
  int shown = 0;
  while (true) {
    const bool done = search.Done();
    if (search.Track() != shown) {
      shown = search.Track();
      FHost.SetCaption("Detecting gaps: track " + std::to_string(shown) + " of " + std::to_string(search.LastTrack()));
    }
    if (done) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    Pump();
    if (!Stopping()) continue;
    if (!stopped) stopped = Clock::now();
    search.Cancel();
    if (Clock::now() - *stopped > std::chrono::seconds(1)) return false;
  }
}

void RipJob::RipProcedure() {
  if (FFormats.size() > 1 && FInput.values.oneFile)
    throw EStreamError("A rip to one file is written in one format: choose one, or rip a file per track");
  if (FFormats.size() > 1) EncodedBranch();
  else if (FInput.values.oneFile) OneFileBranch();
  else if (FInput.format == OutputFormat::WAV) WavBranch();
  else EncodedBranch();
}

// A name may hold folders (a naming template's); they are made below an existing output folder (a missing
// output folder stays missing: the file cannot be created then, as without folders in names). The job chose
// those names: another user's link at one of them is refused before anything is made or written through it.
std::string RipJob::OutputPath(const RipRow& row) const {
  std::string name = Trimmed(row.name);
  std::string path = FInput.folder + "/" + name;
  std::string link = ForeignLinkAlong(FInput.folder, name);
  if (!link.empty()) throw EStreamError("Cannot create file " + path + ": " + ForeignLinkText(link));
  if (IsFolder(FInput.folder)) MakeFolderOf(path);
  return path;
}

// With several formats, each format's files go into its own folder, named with its extension.
std::string RipJob::FormatOutputPath(const RipRow& row, std::size_t formatIndex) const {
  if (FFormats.size() == 1) return OutputPath(row);
  const OutputFormat format = FFormats[formatIndex];
  RipRow named = row;
  named.name = FormatFolderName(format) + "/" +
               std::filesystem::path(Trimmed(row.name)).replace_extension(FormatExtension(format)).string();
  return OutputPath(named);
}

const TrackEncoder& RipJob::EncoderOf(std::size_t formatIndex) const {
  return formatIndex == 0 ? *FEncoder : *FMoreEncoders[formatIndex - 1];
}

void RipJob::CommonStart(const RipRow& row) {
  FHost.SetButtonCaption("Cancel");
  FHost.SetCaption("Processing:" + row.number + " (" + row.name + ")");
  ++FTrackOrdinal;
  ShowJobProgress();
}

// The blocks and tracks to rip; the time left is measured from here, after the gap search.
void RipJob::CountJob() {
  FJobBlocks = FBlocksRead = FTrackRead = 0;
  FTrackOrdinal = 0;
  for (const RipRow& row : FInput.rows)
    if (Rippable(row)) FJobBlocks += row.blocks;
  FLastProgress.clear();
  FTimeLeft.Start();
}

// The share of the job done: WAV counts the blocks read, the encoded formats reading and encoding too.
double RipJob::JobDone() const {
  if (FJobBlocks == 0) return 0.0;
  if (FEncoder) return JobGauge() / 100.0;
  return double(FBlocksRead + FTrackRead) / double(FJobBlocks);
}

void RipJob::ShowJobProgress() {
  std::optional<int> left = FTimeLeft.SecondsLeft(JobDone());
  const std::string shown = std::to_string(FTrackOrdinal) + (left ? TimeLeftText(*left) : std::string());
  if (shown == FLastProgress) return;
  FLastProgress = shown;
  FHost.ShowJobProgress(FTrackOrdinal, static_cast<int>(FTracksToRip), left);
}

std::string RipJob::FinishedCaption() const {
  return FReadErrors.empty() ? "Finished!" : "Finished with read errors";
}

void RipJob::Finish() {
  if (!FCancel) EjectWhenDone();
  FCancel = false;
  FRunning = false;
  FHost.SetCaption(FinishedCaption());
  FHost.SetButtonCaption("Close");
}

// A file whose track had unreadable blocks, or whose reads disagreed, stays as the best the drive could give,
// and the user is told.
void RipJob::TrackFinished(const RipRow& row, const std::string& path, ProvedRead& read) {
  if (FFinished.empty() || FFinished.back() != path) FFinished.push_back(path);  // a one-file rip's tracks share it
  for (const std::string& more : read.result.morePaths) FFinished.push_back(more);
  TrackResult& result = read.result;
  result.path = path;
  std::vector<std::string> problems;
  if (!result.unreadable.empty()) problems.push_back(ReadErrorText(row.number, result.unreadable));
  if (!result.reliable) problems.push_back("Track " + row.number + ": the reads of test and copy differ, the track is unreliable");
  for (const std::string& text : problems) {
    FReadErrors.push_back(text);
    FHost.ReportReadErrors(text);
  }
  FResults.push_back(result);
  FHost.ReportTrack(result);
}

// The disc's verdicts, the log and the cue sheet, once every checked track is written. The log is the rip's
// proof: one that cannot be written is an error, though the files stay.
void RipJob::Completed() {
  SaveCoverArt();
  if (FResults.empty() || FInput.toc.entries.empty()) return;
  DiscVerdicts verdicts = FAccuracy.DiscVerdictsOf(FResults);
  std::string error;
  verdicts.albumReplayGain = AlbumGain();
  std::string log = FAccuracy.WriteLogAndCue(FResults, verdicts, error);
  FHost.ReportDisc(verdicts, log);
  if (!error.empty()) FHost.ShowError(error);
  std::vector<std::string> paths;
  for (const TrackResult& result : FResults) paths.push_back(result.path);
  if (FInput.values.playlist) WritePlaylist(RipSheetFolder(paths, FInput.folder), FResults);
  WriteFormatSheets();
}

// The other formats' folders get their own cue sheet and play list, which name their files.
void RipJob::WriteFormatSheets() {
  for (std::size_t k = 1; k < FFormats.size(); ++k) {
    std::vector<TrackResult> results = FResults;
    std::vector<std::string> paths;
    for (TrackResult& result : results) {
      if (result.morePaths.size() >= k) result.path = result.morePaths[k - 1];
      paths.push_back(result.path);
    }
    const std::string why = FAccuracy.WriteCue(results);
    if (!why.empty()) FHost.ShowError("the cue sheet could not be written: " + why);
    if (FInput.values.playlist) WritePlaylist(RipSheetFolder(paths, FInput.folder), results);
  }
}

// The files finished before a cancel stay: the log says which they are.
void RipJob::LogCancelled() {
  if (FResults.empty() || FInput.toc.entries.empty()) return;
  std::string error;
  FAccuracy.WriteCancelledLog(FResults, error);
  if (!error.empty()) FHost.ShowError(error);
}

// One entry per finished file, in disc order; a rip to one file has one entry, named after the album.
void RipJob::WritePlaylist(const std::string& folder, const std::vector<TrackResult>& results) {
  std::vector<PlaylistEntry> entries;
  for (const TrackResult& result : results) {
    auto row = std::find_if(FInput.rows.begin(), FInput.rows.end(),
                            [&](const RipRow& candidate) { return candidate.number == result.number; });
    const TrackTags tags = row == FInput.rows.end() ? TrackTags{} : row->tags;
    const int seconds = static_cast<int>((result.blocks + 37) / 75);
    if (!entries.empty() && entries.back().path == result.path) {
      entries.back().seconds += seconds;
      entries.back().artist = tags.albumArtist.empty() ? tags.artist : tags.albumArtist;
      entries.back().title = tags.album.empty() ? "Disc" : tags.album;
    } else {
      entries.push_back({result.path, seconds, tags.artist, tags.title});
    }
  }
  const std::string path = folder + "/" + FAccuracy.SheetName() + ".m3u8";
  std::string why = ReplaceFileSayingWhy(path, RipPlaylistText(entries, folder), LinkRule::OwnedOnly);
  if (!why.empty()) FHost.ShowError("The play list could not be written: " + why);
}

// An image has no door: then nothing happens.
void RipJob::EjectWhenDone() const {
  if (FInput.values.eject && !CDReadsExactly(FInput.handle)) OpenCDDoor(FInput.door);
}

// Known once every track of a whole-disc rip is read.
std::optional<GainValues> RipJob::AlbumGain() const {
  if (!FWholeDisc || FLoudness.empty() || std::ptrdiff_t(FLoudness.size()) != FTracksToRip) return std::nullopt;
  std::vector<const ReplayGain*> tracks;
  for (const auto& loudness : FLoudness) tracks.push_back(loudness.get());
  return ReplayGain::Album(tracks);
}

// The track is read as the plan says, each pass judged by the databases; the last pass is the one kept.
RipJob::ProvedRead RipJob::ReadTrackProved(const RipRow& row, TFileStream& file) {
  TrackPass pass = FPlan.FirstPass();
  ProvedRead read = ReadPass(row, file, pass.mode);
  while (!Stopping()) {
    TrackAudio audio{&file, [this](std::int64_t first, std::int32_t count, std::uint8_t* out) {
                        ReadAround(first, count, out);
                      }};
    TrackVerdicts verdicts = FAccuracy.Verify(row, read.checksums, audio, [this] {
      Pump();
      return !Stopping();
    });
    read.result.verdict = verdicts.accurateRip;
    read.result.ctdbVerdict = verdicts.ctdb;
    std::optional<TrackPass> next = FPlan.After(pass, verdicts.accurateRip, verdicts.ctdb);
    if (!next || Stopping()) break;
    pass = *next;
    read = ReadPass(row, file, pass.mode);
  }
  const std::vector<std::uint32_t>& unreadable = read.result.unreadable;
  read.result.readPath = FPlan.Describe(pass, read.result.verdict, read.result.ctdbVerdict,
                                        unreadable.empty() ? "" : UnreadableText(unreadable));
  read.result.fromImage = CDReadsExactly(FInput.handle);
  if (read.loudness && !Stopping()) {
    read.result.replayGain = read.loudness->Track();
    FLoudness.push_back(read.loudness);
  }
  return read;
}

RipJob::ProvedRead RipJob::ReadPass(const RipRow& row, TFileStream& file, ReadMode mode) {
  ProvedRead read{{}, FAccuracy.ChecksumsFor(row)};
  TrackResult& result = read.result;
  result.number = row.number;
  result.blocks = row.blocks;
  std::vector<std::uint32_t> crcs;  // of the reads so far
  if (FInput.values.testAndCopy) {
    TrackChecksums test = FAccuracy.ChecksumsFor(row);
    ReadTrack(row, nullptr, test, mode);
    result.tested = true;
    result.testCrc = test.Sums().crc32;
    crcs.push_back(result.testCrc);
  }
  // A copy that differs from every earlier read is read again, three times at most.
  for (int copy = 0; !Stopping(); ++copy) {
    read.checksums = FAccuracy.ChecksumsFor(row);
    auto loudness = FInput.values.replayGain ? std::make_shared<ReplayGain>() : nullptr;
    file.Seek(0, SEEK_SET);
    result.unreadable = ReadTrack(row, &file, read.checksums, mode, loudness.get());
    read.loudness = std::move(loudness);
    std::uint32_t crc = read.checksums.Sums().crc32;
    if (!result.tested || std::find(crcs.begin(), crcs.end(), crc) != crcs.end()) break;
    crcs.push_back(crc);
    if (copy == 3) {
      result.reliable = false;
      break;
    }
  }
  result.sums = read.checksums.Sums();
  return read;
}

// The drive reads on a thread of its own, one read ahead of the job where the job asks so. A reader still
// busy with a read that nobody waited for (the job ended by an error while it read ahead) is left to it.
void RipJob::StartRead(const TRACKBUF& request) {
  if (FReader->Busy()) {
    FReader->Cancel();
    FReader->Abandon();
    FReader = std::make_unique<DriveReader>();
  }
  FReader->Start(FInput.handle, request);
}

// The drive may take long over a damaged stretch; the window is served meanwhile. Once the job stops, the
// read has a moment to end at its next drive command; a drive command that does not come back by then is left
// to the reader's thread, and the job goes on to its end.
const TRACKBUF* RipJob::AwaitRead(std::vector<std::uint32_t>& unreadable) {
  using Clock = std::chrono::steady_clock;
  constexpr auto kGrace = std::chrono::milliseconds(300);
  std::optional<Clock::time_point> stopped;
  while (!FReader->Wait(std::chrono::milliseconds(20))) {
    Pump();
    if (!Stopping()) continue;
    if (!stopped) {
      stopped = Clock::now();
      FReader->Cancel();
    } else if (Clock::now() - *stopped > kGrace) {
      FReader->Abandon();
      FReader = std::make_unique<DriveReader>();
      return nullptr;
    }
  }
  if (Stopping()) return nullptr;
  unreadable.insert(unreadable.end(), FReader->Unreadable().begin(), FReader->Unreadable().end());
  return &FReader->Result();
}

// Blocks of the disc around a track, for proving it read at another offset: read once, silence where the disc
// has no audio.
void RipJob::ReadAround(std::int64_t first, std::int32_t count, std::uint8_t* out) {
  std::memset(out, 0, std::size_t(count) * CD_BLOCK_BYTES);
  SetCDReadMode(FInput.handle, ReadMode::Burst);
  auto request = std::make_unique<TRACKBUF>();
  std::vector<std::uint32_t> unreadable;
  for (std::int64_t block = std::max<std::int64_t>(first, 0); block < first + count;) {
    request->startFrame = static_cast<std::uint32_t>(block);
    request->numFrames = static_cast<std::uint32_t>(std::min<std::int64_t>(TRACKBUF_BLOCKS, first + count - block));
    request->maxLen = TRACKBUF_BLOCKS * CD_BLOCK_BYTES;
    StartRead(*request);
    const TRACKBUF* read = AwaitRead(unreadable);
    if (read == nullptr || read->len == 0) return;
    std::memcpy(out + std::size_t(block - first) * CD_BLOCK_BYTES, read->buf + read->startOffset, read->len);
    block += read->numFrames;
  }
}

std::vector<std::uint32_t> RipJob::ReadTrack(const RipRow& row, TFileStream* file, TrackChecksums& checksums,
                                             ReadMode mode, ReplayGain* loudness) {
  SetCDReadMode(FInput.handle, mode);
  const std::uint32_t length = row.blocks;
  auto request = std::make_unique<TRACKBUF>();
  // A track shorter than one read must not take blocks of the next track with it.
  std::uint32_t blocksPerRead = std::min<std::uint32_t>(TRACKBUF_BLOCKS, length);
  TWaveHeader header = MakeWaveHeader(2, 16, static_cast<std::int32_t>(length * CD_BLOCK_BYTES), 44100);
  if (file != nullptr) file->WriteBuffer(header.data(), kWaveHeaderSize);
  std::uint32_t start = row.start;
  std::uint32_t remaining = length;
  std::int64_t written = 0;
  std::vector<std::uint32_t> unreadable;
  FTrackRead = 0;
  request->maxLen = TRACKBUF_BLOCKS * CD_BLOCK_BYTES;
  request->startFrame = start;
  request->numFrames = blocksPerRead;
  if (remaining > 0) StartRead(*request);
  while (remaining > 0 && !Stopping()) {
    const TRACKBUF* read = AwaitRead(unreadable);
    if (read == nullptr) break;
    // A disc that delivers nothing (taken out, a dead handle) must not give silent files.
    if (read->len == 0) throw EStreamError("The disc could not be read");
    // The next read goes on while this one is written and summed.
    if (remaining > read->numFrames) {
      request->startFrame = start + read->numFrames;
      request->numFrames = std::min(blocksPerRead, remaining - read->numFrames);
      StartRead(*request);
    }
    if (file != nullptr) file->WriteBuffer(read->buf + read->startOffset, read->len);
    checksums.Add(read->buf + read->startOffset, read->len);
    if (loudness != nullptr) loudness->Add(read->buf + read->startOffset, read->len);
    written += read->len;
    start += read->numFrames;
    remaining -= std::min(read->numFrames, remaining);
    Pump();
    ShowReadProgress(length - remaining, length);
  }
  // The header states what the file holds when the disc gave less than its table promised.
  if (file != nullptr && !Stopping() && written != std::int64_t(length) * CD_BLOCK_BYTES) {
    std::uint8_t size[4];
    PutLittleEndian(size, static_cast<std::uint32_t>(written));
    file->Seek(40, SEEK_SET);
    file->WriteBuffer(size, 4);
    PutLittleEndian(size, static_cast<std::uint32_t>(written + 36));
    file->Seek(4, SEEK_SET);
    file->WriteBuffer(size, 4);
  }
  for (std::uint32_t& block : unreadable) block -= row.start;
  return unreadable;
}

// WAV output shows each track's reading; the encoded formats show the whole job, reading and encoding.
void RipJob::ShowReadProgress(std::uint32_t done, std::uint32_t length) {
  FTrackRead = done;
  ShowJobProgress();
  if (!FEncoder) {
    FHost.SetGauge(static_cast<int>(std::int64_t(done) * 100 / length));
    return;
  }
  FLastGauge = JobGauge();
  FHost.SetGauge(FLastGauge);
}

// Reading a block counts for 40 %, encoding it for 60 %.
int RipJob::JobGauge() const {
  if (FJobBlocks == 0) return 0;
  std::uint64_t done = (FBlocksRead + FTrackRead) * 40 * 100;
  for (const Encoding& encoding : FEncodings)
    done += std::uint64_t(FInput.rows[encoding.row].blocks) * 60 * std::uint64_t(encoding.worker->Progress()) /
            FFormats.size();
  return static_cast<int>(done / (FJobBlocks * 100));
}

void RipJob::WavBranch() {
  for (RipRow& row : FInput.rows) {
    if (!Rippable(row) || FCancel) continue;
    CommonStart(row);
    std::string path = OutputPath(row);
    TFileStream file(path, TFileStream::Mode::Replace, LinkRule::OwnedOnly);
    ProvedRead read = ReadTrackProved(row, file);
    if (FCancel) break;  // the unfinished file goes; an earlier file of that name stays
    if (!file.Commit()) throw EStreamError("Cannot create file " + path);
    FBlocksRead += row.blocks;
    FTrackRead = 0;
    TrackFinished(row, path, read);
  }
  if (!FCancel) Completed();
  else LogCancelled();
  Finish();
}

// The checked tracks, each read and proved as in a rip to a file per track, then joined in disc order into one
// file; a cancel keeps no part of it.
void RipJob::OneFileBranch() {
  const std::string problem = OneFileProblem(FInput.format);
  if (!problem.empty()) throw EStreamError(problem);
  RipRow whole;
  whole.name = OneFileName(FInput.rows, FInput.format);
  const std::string output = OutputPath(whole);
  std::vector<std::unique_ptr<TemporaryFile>> parts;
  std::vector<std::pair<std::size_t, ProvedRead>> reads;
  for (std::size_t index = 0; index < FInput.rows.size() && !FCancel; ++index) {
    const RipRow& row = FInput.rows[index];
    if (!Rippable(row)) continue;
    CommonStart(row);
    parts.push_back(std::make_unique<TemporaryFile>(TemporaryFile{output + "." + row.number + ".convert"}));
    TFileStream file(parts.back()->path, TFileStream::Mode::Create);
    ProvedRead read = ReadTrackProved(row, file);
    FBlocksRead += row.blocks;
    FTrackRead = 0;
    if (!FCancel) reads.emplace_back(index, std::move(read));
  }
  if (FCancel || reads.empty()) return Finish();
  FHost.SetCaption("Processing: one file (" + whole.name + ")");
  std::vector<std::string> paths;
  for (const auto& part : parts) paths.push_back(part->path);
  if (FInput.format == OutputFormat::WAV) {
    JoinParts(paths, output, true);
  } else {
    TemporaryFile joined{output + ".convert"};
    JoinParts(paths, joined.path, false);
    parts.clear();  // room for the encoded file
    // The album's tags, as no one track's.
    TrackTags tags = FInput.rows[reads.front().first].tags;
    tags.title = tags.album;
    tags.track = 0;
    tags.musicBrainzRecordingId.clear();
    tags.musicBrainzTrackId.clear();
    if (FInput.values.replayGain) {
      std::vector<const ReplayGain*> all;
      for (const auto& loudness : FLoudness) all.push_back(loudness.get());
      tags = WithReplayGain(tags, ReplayGain::Album(all), AlbumGain());
    }
    const std::string wav = std::exchange(joined.path, std::string());  // the encoding removes it
    // A whole-disc file keeps the disc's audio exactly: it is never de-emphasised.
    if (!EncodeOneFile(wav, output, WithDiscCodes(tags, FInput.toc, 0, false))) return;
  }
  for (auto& [index, read] : reads) TrackFinished(FInput.rows[index], output, read);
  Completed();
  Finish();
}

// The audio of the parts' WAV files, one after the other, as one WAV file.
void RipJob::JoinParts(const std::vector<std::string>& parts, const std::string& path, bool replace) const {
  std::int64_t bytes = 0;
  for (const std::string& part : parts) bytes += std::int64_t(std::filesystem::file_size(part)) - kWaveHeaderSize;
  TFileStream out(path, replace ? TFileStream::Mode::Replace : TFileStream::Mode::Create, LinkRule::OwnedOnly);
  TWaveHeader header = MakeWaveHeader(2, 16, static_cast<std::int32_t>(bytes), 44100);
  out.WriteBuffer(header.data(), kWaveHeaderSize);
  std::vector<std::uint8_t> buffer(std::size_t(TRACKBUF_BLOCKS) * CD_BLOCK_BYTES * 8);
  for (const std::string& part : parts) {
    TFileStream in(part, TFileStream::Mode::Read);
    in.Seek(kWaveHeaderSize, SEEK_SET);
    for (std::int64_t got; (got = in.Read(buffer.data(), std::int64_t(buffer.size()))) > 0;)
      out.WriteBuffer(buffer.data(), got);
  }
  if (!out.Commit()) throw EStreamError("Cannot create file " + path);
}

// The joined file encoded on a thread of its own while the window is served; false when it was cancelled or
// failed (then shown).
bool RipJob::EncodeOneFile(const std::string& wav, const std::string& output, const TrackTags& tags) {
  std::unique_ptr<TrackEncoder> encoder = MakeEncoder(FInput.format);
  FStopEncoders = false;
  EncodingWorker worker(*encoder, wav, output, tags, FStopEncoders, [this] { EncodingChanged(); });
  while (worker.GetState() == EncodingWorker::State::Running) {
    WaitForEncodings();
    if (FCancel) FStopEncoders = true;
    FHost.SetGauge(worker.Progress());
  }
  if (worker.GetState() == EncodingWorker::State::Done) return true;
  if (worker.GetState() == EncodingWorker::State::Failed) {
    EncodingWorker::Failure failure = worker.GetFailure();
    if (failure.standard) throw EStreamError(failure.text);
    FHost.ShowError(failure.text);
    FHost.SetButtonCaption("Close");
    FRunning = false;
    return false;
  }
  Finish();
  return false;
}

std::unique_ptr<TrackEncoder> RipJob::MakeEncoder(OutputFormat format) const {
  std::unique_ptr<TrackEncoder> encoder = MakeFormatEncoder(format);
  if (!FCover.valid()) return encoder;
  return std::make_unique<CoverArtEncoder>(std::move(encoder), FCover);
}

std::unique_ptr<TrackEncoder> RipJob::MakeFormatEncoder(OutputFormat format) const {
  const RipValues& values = FInput.values;
  if (format == OutputFormat::Ogg)
    return std::make_unique<OggTrackEncoder>(16 - 5 * values.cpu, static_cast<float>(values.compr) / 100.0f);
  if (format == OutputFormat::FLAC) return std::make_unique<FlacTrackEncoder>(values.flacLevel);
  if (format == OutputFormat::WAV) return std::make_unique<WavTrackEncoder>();
  if (format == OutputFormat::Opus) return std::make_unique<OpusTrackEncoder>(values.opusBitrate);
  BE_CONFIG config;
  config.mp3.dwSampleRate = static_cast<std::uint32_t>(values.sampleRate);
  config.mp3.wBitrate = static_cast<std::uint16_t>(values.bitrate);
  config.mp3.bPrivate = values.privateBit;
  config.mp3.bCRC = values.crc;
  config.mp3.bCopyright = values.copyright;
  config.mp3.bOriginal = values.original;
  config.mp3.bEnableVBR = values.mp3Vbr;
  config.mp3.nVBRQuality = values.mp3Quality;
  return std::make_unique<Mp3TrackEncoder>(config);
}

std::size_t RipJob::EncoderThreads() const {
  if (FInput.values.encoderThreads > 0) return static_cast<std::size_t>(FInput.values.encoderThreads);
  return std::max(1u, std::thread::hardware_concurrency());
}

void RipJob::EncodedBranch() {
  FEncoder = MakeEncoder(FFormats[0]);
  FMoreEncoders.clear();
  for (std::size_t k = 1; k < FFormats.size(); ++k) FMoreEncoders.push_back(MakeEncoder(FFormats[k]));
  FEncodings.clear();
  FNextReport = 0;
  FStopEncoders = false;
  FLastGauge = -1;
  for (std::size_t index = 0; index < FInput.rows.size() && !Stopping(); ++index)
    if (Rippable(FInput.rows[index])) ReadAndEncode(index);
  while (!Stopping() && EncodingsRunning() > 0) WaitForEncodings();
  EndEncodedBranch();
}

// At most what the encoded file of a row takes: MP3 at its bit rate, 320 kbit/s at a variable one (and room
// for the tag), Ogg Vorbis at 500 kbit/s, the most its quality setting gives, Opus at twice its bit rate, which
// it only aims at, and FLAC as much as the audio itself, which noise takes.
std::uint64_t RipJob::EncodedBytes(const RipRow& row, OutputFormat format) const {
  const std::uint64_t audio = std::uint64_t(row.blocks) * CD_BLOCK_BYTES;
  if (format == OutputFormat::MP3) {
    const int kbps = FInput.values.mp3Vbr ? 320 : std::max(FInput.values.bitrate, 8);  // VBR frames go up to 320
    return std::uint64_t(row.blocks) * std::uint64_t(kbps) * 1000 / 8 / 75 + 65536;
  }
  if (format == OutputFormat::Ogg) return audio * 500 / 1411 + 65536;
  if (format == OutputFormat::Opus) {
    const auto kbps = std::uint64_t(std::max(FInput.values.opusBitrate, 6));
    return std::uint64_t(row.blocks) * kbps * 2 * 1000 / 8 / 75 + 65536;
  }
  return audio + 65536;
}

// A track is read only when its folder has room for its temporary WAV file and its encoded file beside the
// files the running encoders still write; until then it waits for them. With none running it goes ahead: a
// disk too small for even one track says so when the write fails.
void RipJob::WaitForRoom(const RipRow& row, const std::string& output) {
  std::string folder = std::filesystem::path(output).parent_path().string();
  auto roomNeeded = [&] {
    std::uint64_t bytes = kWaveHeaderSize + std::uint64_t(row.blocks) * CD_BLOCK_BYTES;
    for (OutputFormat format : FFormats) bytes += EncodedBytes(row, format);
    for (const Encoding& encoding : FEncodings)
      if (encoding.worker->GetState() == EncodingWorker::State::Running)
        bytes += EncodedBytes(FInput.rows[encoding.row], FFormats[encoding.formatIndex]);
    return bytes;
  };
  while (!Stopping() && EncodingsRunning() > 0 && FreeSpace(folder).value_or(UINT64_MAX) < roomNeeded())
    WaitForEncodings();
}

void RipJob::ReadAndEncode(std::size_t index) {
  RipRow& row = FInput.rows[index];
  CommonStart(row);
  std::vector<std::string> outputs;
  for (std::size_t k = 0; k < FFormats.size(); ++k) outputs.push_back(FormatOutputPath(row, k));
  const std::string& output = outputs.front();
  WaitForRoom(row, output);
  if (Stopping()) return;
  TemporaryFile temporary{output + ".convert"};
  std::optional<ProvedRead> read;
  {
    TFileStream file(temporary.path, TFileStream::Mode::Create);
    read = ReadTrackProved(row, file);
    read->result.deEmphasised = DeEmphasised(row);
    if (read->result.deEmphasised && !Stopping()) {
      // The file's audio is what a player levels: its loudness replaces the disc's.
      auto loudness = read->loudness ? std::make_shared<ReplayGain>() : nullptr;
      DeEmphasise(file, loudness.get());
      if (loudness && !Stopping()) {
        read->result.replayGain = loudness->Track();
        FLoudness.back() = loudness;
        read->loudness = std::move(loudness);
      }
    }
  }
  FBlocksRead += row.blocks;
  FTrackRead = 0;
  // The track waits for free encoder threads, one per format, before the next is read: the disc is never more
  // than one track ahead of the encoders, and the temporary files on disk never more than one more than the
  // threads.
  const std::size_t formats = FFormats.size();
  while (!Stopping() && EncodingsRunning() + formats > std::max(EncoderThreads(), formats)) WaitForEncodings();
  if (Stopping()) return;
  // The album's ReplayGain is known only once every track is read: the finished files get it then.
  TrackTags tags = WithDiscCodes(row.tags, FInput.toc, std::stoi(row.number), read->result.deEmphasised);
  tags = WithReplayGain(tags, read->result.replayGain, std::nullopt);
  StartEncodings(index, outputs, temporary.path, tags, *read);
  temporary.path.clear();  // the encodings remove it
  if (FInput.format == OutputFormat::Ogg) {
    row.checked = false;
    FHost.UncheckRow(index);
  }
}

// One encoding per format, each from a name of its own for the track's temporary file (a hard link, or a copy
// where the file system has none), since each encoding removes its file when it ends.
void RipJob::StartEncodings(std::size_t index, const std::vector<std::string>& outputs, const std::string& wav,
                            const TrackTags& tags, ProvedRead& read) {
  std::vector<std::unique_ptr<TemporaryFile>> wavs;
  for (std::size_t k = 1; k < outputs.size(); ++k) {
    wavs.push_back(std::make_unique<TemporaryFile>(TemporaryFile{outputs[k] + ".convert"}));
    RemoveFile(wavs.back()->path);
    std::error_code error;
    std::filesystem::create_hard_link(wav, wavs.back()->path, error);
    if (error) std::filesystem::copy_file(wav, wavs.back()->path, error);
    if (error) throw EStreamError("Cannot create file " + wavs.back()->path + ": " + error.message());
  }
  for (std::size_t k = 0; k < outputs.size(); ++k) {
    while (!Stopping() && FInput.encoderPool && !FInput.encoderPool->TryTake()) WaitForEncodings();
    if (Stopping()) {
      if (k == 0) RemoveFile(wav);
      return;
    }
    const std::string path = k == 0 ? wav : std::exchange(wavs[k - 1]->path, std::string());
    auto worker = std::make_unique<EncodingWorker>(EncoderOf(k), path, outputs[k], tags, FStopEncoders,
                                                   [this, pool = FInput.encoderPool] {
                                                     if (pool) pool->Give();
                                                     EncodingChanged();
                                                   });
    FEncodings.push_back({index, outputs[k], read, std::move(worker), k});
  }
}

// Once every track of a whole disc is read and encoded, each file gets the album's ReplayGain. A file that
// cannot take it stays as it was, with its track's values, and the log says why.
void RipJob::AddAlbumGain() {
  const std::optional<GainValues> album = AlbumGain();
  if (!FInput.values.replayGain || !album) return;
  for (const Encoding& encoding : FEncodings) {
    if (FCancel) return;
    if (encoding.worker->GetState() != EncodingWorker::State::Done) continue;
    FHost.SetCaption("Album ReplayGain: " + FInput.rows[encoding.row].name);
    Pump();
    const std::string why = EncoderOf(encoding.formatIndex).AddAlbumGain(encoding.output, *album);
    for (TrackResult& result : FResults)
      if (!why.empty() && result.number == FInput.rows[encoding.row].number)
        result.albumGainProblem += (result.albumGainProblem.empty() ? "" : "; ") + why;
  }
}

// Only the encoded formats are de-emphasised, and only tracks the disc says were recorded with pre-emphasis.
bool RipJob::DeEmphasised(const RipRow& row) const {
  // A WAV file among several formats shares the track's temporary file: then none is de-emphasised.
  if (!FInput.values.deEmphasis || std::count(FFormats.begin(), FFormats.end(), OutputFormat::WAV) > 0) return false;
  const std::vector<TocEntry>& entries = FInput.toc.entries;
  return std::any_of(entries.begin(), entries.end(), [&](const TocEntry& entry) {
    return entry.preEmphasis && entry.trackNumber == std::stoi(row.number);
  });
}

// The track's temporary WAV file, once its checksums are taken and it is proven, is filtered in place for the
// encoder; the disc's own audio stays in the sums and the log.
void RipJob::DeEmphasise(TFileStream& file, ReplayGain* loudness) {
  DeEmphasis filter;
  std::vector<std::int16_t> samples(TRACKBUF_BLOCKS * CD_BLOCK_BYTES / 2);
  std::int64_t position = kWaveHeaderSize;
  while (!Stopping()) {
    file.Seek(position, SEEK_SET);
    std::int64_t bytes = file.Read(samples.data(), std::int64_t(samples.size() * 2));
    if (bytes <= 0) break;
    filter.Process(samples.data(), std::size_t(bytes) / 4);
    if (loudness != nullptr) loudness->Add(reinterpret_cast<const std::uint8_t*>(samples.data()), std::size_t(bytes));
    file.Seek(position, SEEK_SET);
    file.WriteBuffer(samples.data(), bytes);
    position += bytes;
    Pump();
  }
}

// Cancel and failure stop every encoding; tracks that were finished by then keep their files and are reported.
void RipJob::EndEncodedBranch() {
  if (Stopping()) FStopEncoders = true;
  while (EncodingsRunning() > 0) WaitForEncodings();
  CheckEncodings();
  if (!Stopping()) AddAlbumGain();
  FEncodings.clear();
  FEncoder.reset();
  FMoreEncoders.clear();
  if (FFailure) {
    EncodingWorker::Failure failure = *FFailure;
    if (failure.standard) throw EStreamError(failure.text);
    FHost.ShowError(failure.text);
    if (failure.closesWindow) FHost.CloseWindow();
    else FHost.SetButtonCaption("Close");
    FRunning = false;
    return;
  }
  if (FCancel && FInput.format == OutputFormat::MP3) FHost.CloseWindow();
  if (!FCancel) Completed();
  else LogCancelled();
  Finish();
}

std::size_t RipJob::EncodingsRunning() const {
  return static_cast<std::size_t>(std::count_if(FEncodings.begin(), FEncodings.end(), [](const Encoding& encoding) {
    return encoding.worker->GetState() == EncodingWorker::State::Running;
  }));
}

// Waits until an encoding ends, or a while, and serves the window.
void RipJob::WaitForEncodings() {
  {
    std::unique_lock<std::mutex> guard(FEncodingLock);
    FEncodingEnded.wait_for(guard, std::chrono::milliseconds(20), [this] { return FEncodingEndedFlag; });
    FEncodingEndedFlag = false;
  }
  Pump();
}

// Called on an encoder thread.
void RipJob::EncodingChanged() {
  std::lock_guard<std::mutex> guard(FEncodingLock);
  FEncodingEndedFlag = true;
  FEncodingEnded.notify_all();
}

void RipJob::Pump() {
  FHost.ProcessMessages();
  if (FEncoder) CheckEncodings();
}

// Takes note of a cancel and of the first failure, reports the tracks finished so far in their order, and
// moves the gauge with the encoders.
void RipJob::CheckEncodings() {
  for (const Encoding& encoding : FEncodings)
    if (!FFailure && encoding.worker->GetState() == EncodingWorker::State::Failed)
      FFailure = encoding.worker->GetFailure();
  if (Stopping()) FStopEncoders = true;
  // A track is finished once the encodings of all its formats are.
  const std::size_t formats = FFormats.size();
  while (FNextReport + formats <= FEncodings.size()) {
    auto group = FEncodings.begin() + std::ptrdiff_t(FNextReport);
    if (std::any_of(group, group + std::ptrdiff_t(formats), [](const Encoding& encoding) {
          return encoding.worker->GetState() == EncodingWorker::State::Running;
        }))
      break;
    ReportEncoded(FNextReport);
    FNextReport += formats;
  }
  int gauge = JobGauge();
  if (gauge != FLastGauge) FHost.SetGauge(gauge);
  FLastGauge = gauge;
  ShowJobProgress();
}

void RipJob::ReportEncoded(std::size_t first) {
  Encoding& encoding = FEncodings[first];
  for (std::size_t k = first; k < first + FFormats.size(); ++k)
    if (FEncodings[k].worker->GetState() != EncodingWorker::State::Done) return;
  encoding.read.result.morePaths.clear();
  for (std::size_t k = first + 1; k < first + FFormats.size(); ++k) encoding.read.result.morePaths.push_back(FEncodings[k].output);
  TrackFinished(FInput.rows[encoding.row], encoding.output, encoding.read);
}

// No encoding outlives the branch that started it, also when an error ends the job.
void RipJob::StopEncodings() {
  FStopEncoders = true;
  FEncodings.clear();
  FEncoder.reset();
  FMoreEncoders.clear();
}

// The cover is fetched on a thread of its own from the start of the job, so that neither the drive nor the
// window waits for it; only a release that a MusicBrainz lookup chose has one.
void RipJob::StartCoverArt() {
  GiveUpCoverArt();
  FCover = {};
  FCoverGivenUp.reset();
  const std::string release = ChosenRelease(FInput);
  if (release.empty() || FInput.values.coverArtServer.empty()) return;
  FCoverGivenUp = std::make_shared<std::atomic<bool>>(false);
  CoverArtClient client(FInput.values.coverArtServer, FInput.values.coverArtSize);
  FCover = std::async(std::launch::async, [client, release, givenUp = FCoverGivenUp] {
             return std::make_shared<const CoverArtAnswer>(client.Fetch(release, [givenUp] { return !*givenUp; }));
           }).share();
}

void RipJob::GiveUpCoverArt() {
  if (FCoverGivenUp) *FCoverGivenUp = true;
}

// Once every track is written: the cover beside the files, and what became of it for the log.
void RipJob::SaveCoverArt() {
  if (!FCover.valid() || FFinished.empty()) return;
  while (FCover.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
    Pump();
    if (FCancel) GiveUpCoverArt();
  }
  const CoverArtAnswer& answer = *FCover.get();
  FInput.coverArt = answer.logLine;
  if (answer.art && !FInput.values.coverArtFile.empty()) FInput.coverArt += WriteCoverFile(*answer.art);
}

// The cover is a convenience beside the rip: one that cannot be saved is said in the log, and the rip stands.
std::string RipJob::WriteCoverFile(const CoverArt& art) const {
  const std::string name = CoverFileName(FInput.values.coverArtFile, art.mimeType);
  if (name.empty()) return "; not saved: [Cover Art] file " + FInput.values.coverArtFile + " is no plain file name";
  const std::string path = RipSheetFolder(FFinished, FInput.folder) + "/" + name;
  const std::string why = ReplaceFileSayingWhy(path, art.bytes, LinkRule::OwnedOnly);
  return why.empty() ? "; saved as " + path : "; not saved: " + why;
}
