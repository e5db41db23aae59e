#include "cli/AccuracyCommands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <future>
#include <optional>

#include "cd/AccurateRip.h"
#include "cd/AccurateRipClient.h"
#include "cd/CdDrives.h"
#include "cd/Ctdb.h"
#include "cd/CtdbClient.h"
#include "cd/DiscChecksums.h"
#include "cd/ReadOffsetDetection.h"
#include "cli/CliSupport.h"
#include "cli/Usage.h"
#include "platform/ProgramFolder.h"
#include "platform/files/FileChecks.h"
#include "platform/inifile/TIniFile.h"
#include "rip/RipJob.h"
#include "rip/RipLog.h"

namespace {

struct DiscOptions {
  std::string drive;
  std::string settings;
  std::optional<int> offset;
  bool save = false;
};

// detecting: the offset command's options, which find the drive's offset instead of taking one.
bool Parse(const std::vector<std::string>& args, DiscOptions& options, bool detecting = false) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    int number = 0;
    if (args[i].rfind("--", 0) != 0) {
      if (!options.drive.empty()) return false;
      options.drive = args[i];
    } else if (detecting && args[i] == "--save") {
      options.save = true;
    } else if (i + 1 == args.size()) {
      return false;
    } else if (args[i] == "--settings") {
      options.settings = args[++i];
    } else if (!detecting && args[i] == "--offset" && ParseNumber(args[i + 1], -kMostReadOffset, kMostReadOffset, number)) {
      options.offset = number;
      ++i;
    } else {
      return false;
    }
  }
  return !options.drive.empty();
}

// The disc of the drive, opened with the drive's read offset set.
struct OpenedDisc {
  CdDrives drives;
  std::unique_ptr<TIniFile> settings;
};

bool Open(const DiscOptions& options, OpenedDisc& disc, std::string& error) {
  if (!SelectDrive(disc.drives, options.drive)) {
    error = "No such drive: " + options.drive;
    return false;
  }
  DiscReading reading = disc.drives.ReadTableOfContents(OutputFormat::WAV);
  if (!reading.message.empty()) {
    error = reading.Problem();
    return false;
  }
  disc.settings = std::make_unique<TIniFile>(options.settings.empty() ? SettingsFile() : options.settings);
  int offset = options.offset.value_or(0);
  if (!options.offset && !ReadDriveOffset(*disc.settings, disc.drives.CurrentDrive().id, offset, error)) return false;
  SetCDReadOffset(disc.drives.Handle(), offset);
  return true;
}

std::string Hex8(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

int ReadChecksums(const std::vector<std::string>& args, const char* command, OpenedDisc& disc,
                  std::vector<AudioTrackChecksums>& tracks) {
  DiscOptions options;
  if (!Parse(args, options)) return UsageError(command);
  std::string error;
  std::vector<std::uint32_t> unreadable;
  if (!Open(options, disc, error) || !ChecksumAudioTracks(disc.drives.Handle(), disc.drives.Toc(), tracks, unreadable, error))
    return Fail(error);
  if (!unreadable.empty()) Fail(std::to_string(unreadable.size()) + " blocks could not be read");
  return unreadable.empty() ? 0 : 1;
}

// A rip log is a few pages of text: anything far larger is no log, and only a regular file is read (a
// FIFO or a device would give no end, a folder no text).
bool ReadLog(const std::string& fileName, std::string& log, std::string& error) {
  constexpr std::int64_t kLargestLog = 4 << 20;
  int handle = OpenRegularFile(fileName);
  if (handle < 0) {
    error = "Cannot open file " + fileName + ": " + OpenFailureReason(fileName);
    return false;
  }
  struct stat info {};
  bool fits = fstat(handle, &info) == 0 && info.st_size <= kLargestLog;
  log.resize(fits ? static_cast<std::size_t>(info.st_size) : 0);
  std::size_t done = 0;
  for (ssize_t got = 1; fits && done < log.size() && got > 0;) {
    got = read(handle, log.data() + done, log.size() - done);
    if (got > 0) done += static_cast<std::size_t>(got);
    if (got < 0 && errno == EINTR) got = 1;
  }
  close(handle);
  if (!fits) error = "The file " + fileName + " is too large to be a rip log (over 4 MiB)";
  else if (done != log.size()) error = "Cannot read file " + fileName;
  return error.empty();
}

}  // namespace

int RunChecksums(const std::vector<std::string>& args) {
  OpenedDisc disc;
  std::vector<AudioTrackChecksums> tracks;
  int status = ReadChecksums(args, "checksums", disc, tracks);
  std::vector<const CtdbTrackPart*> parts;
  for (const AudioTrackChecksums& track : tracks) {
    const TrackSums& sums = track.checksums.Sums();
    std::printf("%02d\t%s\t%s\t%s\t%s\t%s\t%s\n", track.number, Hex8(sums.crc32).c_str(), Hex8(sums.crc32NoNull).c_str(),
                Hex8(sums.arV1).c_str(), Hex8(sums.arV2).c_str(), Hex8(sums.ar450).c_str(), Hex8(sums.ctdb).c_str());
    parts.push_back(&track.checksums.Ctdb());
  }
  if (!tracks.empty()) std::printf("Disc\t%s\n", Hex8(CtdbDiscCrc(parts)).c_str());
  return status;
}

// Both databases are asked at once; one that gives no answer leaves its verdicts "not verified" and the
// command failed, a server that is not set only the verdicts.
int RunVerify(const std::vector<std::string>& args) {
  OpenedDisc disc;
  std::vector<AudioTrackChecksums> tracks;
  int status = ReadChecksums(args, "verify", disc, tracks);
  if (tracks.empty()) return status;
  RipValues values;
  try {
    ReadDatabaseValues(*disc.settings, values);
  } catch (const EIniFileError& failure) {
    return Fail(failure.what());
  }
  const TableOfContents& toc = disc.drives.Toc();
  std::future<CtdbLookup> pendingCtdb = std::async(std::launch::async, [&] {
    return values.ctdbServer.empty() ? CtdbLookup{} : CtdbClient(values.ctdbServer, values.cacheFolder).Look(toc, KeepWaiting);
  });
  DbarLookup accurateRip;
  if (!values.accurateRipServer.empty())
    accurateRip = AccurateRipClient(values.accurateRipServer, values.cacheFolder).Look(AccurateRipIdsOf(toc), KeepWaiting);
  const CtdbLookup ctdb = pendingCtdb.get();
  StopWhenInterrupted();
  if (!accurateRip.error.empty()) status = Fail("AccurateRip: " + accurateRip.error);
  if (!ctdb.error.empty()) status = Fail("CTDB: " + ctdb.error);
  std::vector<TrackVerdict> accurateRipVerdicts, ctdbVerdicts;
  std::vector<const CtdbTrackPart*> parts;
  std::vector<int> offsets;  // at which tracks proved out
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    const int k = tracks[i].number - toc.firstTrack;
    TrackVerdict byAccurateRip, byCtdb;
    if (accurateRip.result != DbarLookup::Result::Failed) {
      ShiftedSumsOf sumsAt = ShiftedSumsFromDrive(disc.drives.Handle(), toc, k, i == 0, i + 1 == tracks.size());
      byAccurateRip = VerifyTrack(accurateRip.pressings, std::size_t(k), tracks[i].checksums, sumsAt, offsets);
      if (byAccurateRip.kind == TrackVerdict::Kind::AccurateWithOffset) offsets.push_back(byAccurateRip.offset);
    }
    if (ctdb.result != CtdbLookup::Result::Failed)
      byCtdb = VerifyCtdbTrack(ctdb.entries, i, tracks[i].checksums.Ctdb(), AudioAroundFromDrive(disc.drives.Handle(), toc, k));
    accurateRipVerdicts.push_back(byAccurateRip);
    ctdbVerdicts.push_back(byCtdb);
    parts.push_back(&tracks[i].checksums.Ctdb());
    std::printf("%02d\t%s\tAccurateRip: %s\tCTDB: %s\n", tracks[i].number, Hex8(tracks[i].checksums.Sums().crc32).c_str(),
                byAccurateRip.Text().c_str(), byCtdb.Text().c_str());
  }
  std::printf("Disc\tAccurateRip: %s\tCTDB: %s\n", DiscVerdictText(accurateRipVerdicts).c_str(),
              CtdbDiscVerdictText(ctdb.entries, parts, ctdbVerdicts).c_str());
  return status;
}

// What is being read, on one line of a terminal, redrawn.
void ShowStep(const std::string& step) { ShowProgressLine(step); }

int RunOffset(const std::vector<std::string>& args) {
  DiscOptions options;
  if (!Parse(args, options, true)) return UsageError("offset");
  OpenedDisc disc;
  std::string error;
  if (!Open(options, disc, error)) return Fail(error);
  // Ctrl-C ends the reading at its next step; the report then says it was stopped.
  ReadOffsetProgress progress;
  progress.show = ShowStep;
  progress.keepGoing = [] { return !Interrupted(); };
  ReadOffsetReport report;
  try {
    RipValues values;
    ReadDatabaseValues(*disc.settings, values);
    ReadOffsetRequest request{disc.drives.Handle(), disc.drives.Toc(), disc.drives.CurrentDrive().id,
                              values.accurateRipServer, values.cacheFolder};
    report = DetectReadOffset(request, *disc.settings, progress);
    if (options.save) StoreReadOffset(*disc.settings, report);
  } catch (const EIniFileError& failure) {
    ShowStep("");
    return Fail(failure.what());
  }
  ShowStep("");
  if (Interrupted()) throw Interruption();
  for (const auto& [label, text] : report.Lines()) std::printf("%s: %s\n", label.c_str(), text.c_str());
  std::fflush(stdout);  // the lines come before the error line
  return report.outcome == ReadOffsetReport::Outcome::Found ? 0 : Fail(report.Problem());
}

int RunVerifyLog(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::fputs("usage: quillon-cli verify-log FILE\n", stderr);
    return 2;
  }
  std::string log, error;
  if (!ReadLog(args[0], log, error)) return Fail(error);
  if (!RipLogIntact(log)) return Fail("The log " + args[0] + " does not match its checksum: it was changed");
  std::printf("The log matches its checksum\n");
  return 0;
}
