#include "cd/ReadOffsetDetection.h"

#include <cstdlib>
#include <sstream>

#include "cd/AccurateRip.h"
#include "cd/AccurateRipClient.h"
#include "cd/CdDrives.h"
#include "cd/CtdbToc.h"
#include "cd/DiscChecksums.h"
#include "platform/inifile/TIniFile.h"

namespace {

constexpr int kFewestTracks = 3;
constexpr const char* kStopped = "The detection was stopped";

bool Go(const ReadOffsetProgress& progress, const std::string& step) {
  if (progress.show) progress.show(step);
  return !progress.keepGoing || progress.keepGoing();
}

// "track 4", "tracks 1, 2, 3"
std::string TrackList(const std::vector<int>& tracks) {
  std::string text = tracks.size() == 1 ? "track " : "tracks ";
  for (std::size_t i = 0; i < tracks.size(); ++i) text += (i == 0 ? "" : ", ") + std::to_string(tracks[i]);
  return text;
}

// "track 4 matches at -1200; tracks 1, 2 match at +6", leaving out one shift.
std::string OtherMatches(const std::map<int, std::vector<int>>& proved, std::optional<int> except) {
  std::string text;
  for (const auto& [shift, tracks] : proved) {
    if (shift == except) continue;
    if (!text.empty()) text += "; ";
    text += TrackList(tracks) + (tracks.size() == 1 ? " matches at " : " match at ") + SignedOffset(shift);
  }
  return text;
}

// "Reading track 3 whole"
std::string Step(int track, const char* what) {
  std::string step = "Reading track ";
  step += std::to_string(track);
  return step + what;
}

bool Nearer(int shift, int than) {
  return std::abs(shift) < std::abs(than) || (std::abs(shift) == std::abs(than) && shift > than);
}

// The shift most tracks prove (of as many, the nearest 0, the later first), when two tracks or more prove it.
std::optional<int> ShiftMostTracksProve(const std::map<int, std::vector<int>>& proved) {
  std::optional<int> best;
  for (const auto& [shift, tracks] : proved) {
    if (tracks.size() < 2) continue;
    const std::size_t most = best ? proved.at(*best).size() : 0;
    if (tracks.size() > most || (tracks.size() == most && Nearer(shift, *best))) best = shift;
  }
  return best;
}

// For each audio track, the shifts at which its block-450 sum matches a pressing's, proved on the whole
// track, which is read once for all of them. False with the problem when the disc could not be read or the
// user stopped.
bool ProveShifts(const ReadOffsetRequest& request, const std::vector<DbarPressing>& pressings,
                 const ReadOffsetProgress& progress, std::map<int, std::vector<int>>& proved, std::string& problem) {
  const TableOfContents& toc = request.toc;
  std::vector<int> audio;
  for (int k = 0; k < toc.TrackCount(); ++k)
    if (toc.entries[k].audio) audio.push_back(k);
  SetCDReadOffset(request.handle, 0);
  for (std::size_t i = 0; i < audio.size(); ++i) {
    const int k = audio[i];
    const bool first = i == 0, last = i + 1 == audio.size();
    const int number = toc.entries[k].trackNumber;
    problem = kStopped;
    if (!Go(progress, Step(number, " around block 450"))) return false;
    TrackChecksums head(std::uint64_t(toc.BlocksOf(k)) * 588, first, last, CtdbAudioFrames(toc));
    if (!ChecksumTrackTo450(request.handle, toc, k, head)) {
      problem = "The disc could not be read";
      return false;
    }
    const std::vector<int> candidates = OffsetCandidates(pressings, std::size_t(k), head, true);
    if (candidates.empty()) continue;
    if (!Go(progress, Step(number, " whole"))) return false;
    const std::vector<ShiftedTrackSums::Sums> sums =
        ShiftedSumsFromDrive(request.handle, toc, k, first, last, progress.keepGoing)(candidates);
    if (sums.size() != candidates.size()) return false;
    for (const ShiftedTrackSums::Sums& shifted : sums) {
      const std::size_t discTrack = std::size_t(k);
      if (ConfidenceOf(pressings, discTrack, shifted.v1) > 0 || ConfidenceOf(pressings, discTrack, shifted.v2) > 0)
        proved[shifted.shift].push_back(number);
    }
  }
  problem.clear();
  return true;
}

// "003-0001b0f6-00053a1e-1e02b503", the dBAR file's name without "dBAR-" and ".bin": the disc among those
// [Offset Detections] keeps.
std::string DiscKey(const AccurateRipIds& ids) {
  const std::string name = ids.FileName();
  return name.substr(5, name.size() - 9);
}

// Adds the disc to those that found the offset on the drive and gives how many did. The key holds the
// offset, then the discs: "6 003-0001b0f6-00053a1e-1e02b503 ..."; a disc that finds another offset starts
// afresh, and the same disc read again counts once.
int CountAgreeingDisc(TIniFile& settings, const std::string& drive, int offset, const std::string& disc) {
  std::istringstream kept(settings.ReadString("Offset Detections", drive, ""));
  int keptOffset = 0;
  std::vector<std::string> discs;
  if (kept >> keptOffset && keptOffset == offset)
    for (std::string key; kept >> key && discs.size() < std::size_t(kAgreeingDiscs);)
      if (key != disc) discs.push_back(key);
  if (discs.size() == std::size_t(kAgreeingDiscs)) discs.pop_back();
  discs.insert(discs.begin(), disc);
  std::string value = std::to_string(offset);
  for (const std::string& key : discs) value += " " + key;
  settings.WriteString("Offset Detections", drive, value);
  return static_cast<int>(discs.size());
}

void LookUpList(const AccurateRipClient& client, const ReadOffsetRequest& request,
                const ReadOffsetProgress& progress, ReadOffsetReport& report) {
  if (request.server.empty()) {
    report.listProblem = "AccurateRip is turned off";
    return;
  }
  Go(progress, "Asking AccurateRip for its list of drives");
  DriveOffsetListLookup list = client.LookDriveOffsets(progress.keepGoing);
  if (!list.found) report.listProblem = list.error;
  if (const DriveOffsetRecord* record = ListedDriveOffset(list.records, request.drive)) report.listed = *record;
}

// The disc's pressings in the database, or the report's outcome when there are none to read against.
bool LookUpDisc(const AccurateRipClient& client, const ReadOffsetRequest& request, const ReadOffsetProgress& progress,
                ReadOffsetReport& report, std::vector<DbarPressing>& pressings) {
  int audio = 0;
  for (int k = 0; k < request.toc.TrackCount(); ++k) audio += request.toc.entries[k].audio ? 1 : 0;
  report.outcome = ReadOffsetReport::Outcome::CannotTell;
  if (audio < kFewestTracks) {
    report.problem = "it has fewer than " + std::to_string(kFewestTracks) + " audio tracks";
    return false;
  }
  report.outcome = ReadOffsetReport::Outcome::Failed;
  if (request.server.empty()) {
    report.problem = "AccurateRip is turned off: the [AccurateRip] server is empty";
    return false;
  }
  if (!Go(progress, "Asking AccurateRip for the disc")) {
    report.problem = kStopped;
    return false;
  }
  DbarLookup lookup = client.Look(AccurateRipIdsOf(request.toc), progress.keepGoing);
  if (lookup.result == DbarLookup::Result::Failed) {
    report.problem = "AccurateRip: " + lookup.error;
    return false;
  }
  if (lookup.result == DbarLookup::Result::NotInDatabase) {
    report.outcome = ReadOffsetReport::Outcome::CannotTell;
    report.problem = "AccurateRip does not know it";
    return false;
  }
  pressings = std::move(lookup.pressings);
  return true;
}

}  // namespace

ReadOffsetReport DetectReadOffset(const ReadOffsetRequest& request, TIniFile& settings,
                                  const ReadOffsetProgress& progress) {
  ReadOffsetReport report;
  report.drive = request.drive;
  if (request.handle == 0 || request.toc.entries.empty()) {
    report.problem = request.handle == 0 ? kNoDiscMessage : kNoTocMessage;
    return report;
  }
  AccurateRipClient client(request.server, request.cacheFolder);
  LookUpList(client, request, progress, report);
  if (progress.listKnown) progress.listKnown(report.ListedText());
  std::vector<DbarPressing> pressings;
  if (!LookUpDisc(client, request, progress, report, pressings)) return report;
  if (!ProveShifts(request, pressings, progress, report.proved, report.problem)) return report;
  const std::optional<int> shift = ShiftMostTracksProve(report.proved);
  if (!shift) {
    report.outcome = ReadOffsetReport::Outcome::CannotTell;
    report.problem = "no shift makes two of its tracks match AccurateRip";
    if (!report.proved.empty()) report.problem += " (" + OtherMatches(report.proved, std::nullopt) + ")";
    return report;
  }
  report.outcome = ReadOffsetReport::Outcome::Found;
  report.offset = *shift;
  const std::string disc = DiscKey(AccurateRipIdsOf(request.toc));
  report.agreeingDiscs = CountAgreeingDisc(settings, request.drive, report.offset, disc);
  report.stored = settings.ReadString("Drive Offsets", request.drive, "") == std::to_string(report.offset);
  const bool listAgrees = report.listed && report.listed->offset == report.offset;
  if (!report.stored && (listAgrees || report.agreeingDiscs >= kAgreeingDiscs)) StoreReadOffset(settings, report);
  return report;
}

void StoreReadOffset(TIniFile& settings, ReadOffsetReport& report) {
  if (report.outcome != ReadOffsetReport::Outcome::Found) return;
  settings.WriteString("Drive Offsets", report.drive, std::to_string(report.offset));
  report.stored = true;
}

std::string ReadOffsetReport::Problem() const {
  return outcome == Outcome::CannotTell ? "The disc cannot tell the drive's read offset: " + problem : problem;
}

std::string ReadOffsetReport::ListedText() const {
  if (listed) return SignedOffset(listed->offset) + " (sent in " + std::to_string(listed->submissions) + " times)";
  return listProblem.empty() ? "the drive is not listed" : "not known (" + listProblem + ")";
}

std::vector<std::pair<std::string, std::string>> ReadOffsetReport::Lines() const {
  std::vector<std::pair<std::string, std::string>> lines = {{"Drive", drive}, {"AccurateRip's drive list", ListedText()}};
  if (outcome != Outcome::Found) {
    std::string unknown = outcome == Outcome::CannotTell ? "the disc cannot tell (" : "unknown (";
    lines.emplace_back("Read offset", unknown + problem + ")");
    return lines;
  }
  std::string found = SignedOffset(offset) + " (" + TrackList(proved.at(offset));
  const std::string others = OtherMatches(proved, offset);
  lines.emplace_back("Read offset", found + (others.empty() ? "" : "; " + others) + ")");
  std::string agreeing = std::to_string(agreeingDiscs);
  if (listed && listed->offset == offset) {
    agreeing += ", and the drive list";
  } else {
    agreeing += " (";
    agreeing += std::to_string(kAgreeingDiscs) + " store it without asking)";
  }
  lines.emplace_back("Discs that agree", agreeing);
  lines.emplace_back("Stored", stored ? "yes, in [Drive Offsets]" : "no");
  return lines;
}
