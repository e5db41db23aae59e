#include "batch/BatchReport.h"

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/files/ReplacementFile.h"

using json = nlohmann::json;

namespace {

struct DriveSummary {
  int discs = 0;
  int done = 0;
  int rejected = 0;
  std::string started;
  std::string ended;
};

std::map<std::string, DriveSummary> Summaries(const std::vector<QueuedDisc>& discs) {
  std::map<std::string, DriveSummary> drives;
  for (const QueuedDisc& disc : discs) {
    DriveSummary& summary = drives[disc.drive];
    ++summary.discs;
    summary.done += disc.state == DiscState::Done;
    summary.rejected += disc.state == DiscState::Rejected;
    if (summary.started.empty() || (!disc.started.empty() && disc.started < summary.started))
      summary.started = disc.started;
    if (disc.ended > summary.ended) summary.ended = disc.ended;
  }
  return drives;
}

json ParsedOr(const std::string& text) {
  json parsed = json::parse(text, nullptr, false);
  return parsed.is_discarded() ? json::array() : parsed;
}

std::string Field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// "01 accurate (confidence 5), read in burst mode; 02 ..."
std::string TrackSummary(const json& tracks) {
  std::string text;
  for (const json& track : tracks) {
    if (!text.empty()) text += "; ";
    text += track.value("number", "") + " " + track.value("accurateRip", "") + ", CTDB " + track.value("ctdb", "") +
            ", " + track.value("readPath", "");
  }
  return text;
}

std::string JsonText(const std::vector<QueuedDisc>& discs) {
  json report = {{"discs", json::array()}, {"drives", json::array()}};
  for (const QueuedDisc& disc : discs)
    report["discs"].push_back({{"drive", disc.drive},
                               {"cddbId", disc.cddbId},
                               {"musicBrainzDiscId", disc.musicBrainzId},
                               {"state", StateName(disc.state)},
                               {"rejected", disc.state == DiscState::Rejected},
                               {"reason", disc.reason},
                               {"artist", disc.artist},
                               {"album", disc.album},
                               {"folder", disc.folder},
                               {"verdict", disc.verdict},
                               {"tracks", ParsedOr(disc.tracks)},
                               {"otherReleases", ParsedOr(disc.releases)},
                               {"started", disc.started},
                               {"ended", disc.ended}});
  for (const auto& [drive, summary] : Summaries(discs))
    report["drives"].push_back({{"drive", drive},
                                {"discs", summary.discs},
                                {"done", summary.done},
                                {"rejected", summary.rejected},
                                {"started", summary.started},
                                {"ended", summary.ended}});
  // Invalid UTF-8 from a disc's text never makes the report unwritable.
  return report.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string CsvText(const std::vector<QueuedDisc>& discs) {
  std::ostringstream csv;
  csv << "row,drive,cddb id,musicbrainz disc id,state,reason,artist,album,folder,verdict,tracks,started,ended\n";
  for (const QueuedDisc& disc : discs)
    csv << "disc," << Field(disc.drive) << "," << Field(disc.cddbId) << "," << Field(disc.musicBrainzId) << ","
        << StateName(disc.state) << "," << Field(disc.reason) << "," << Field(disc.artist) << ","
        << Field(disc.album) << "," << Field(disc.folder) << "," << Field(disc.verdict) << ","
        << Field(TrackSummary(ParsedOr(disc.tracks))) << "," << disc.started << "," << disc.ended << "\n";
  // A drive's summary: its discs in all, done and rejected in the state and reason columns.
  for (const auto& [drive, summary] : Summaries(discs))
    csv << "drive," << Field(drive) << ",,,done " << summary.done << ",rejected " << summary.rejected << ",,,,,discs "
        << summary.discs << "," << summary.started << "," << summary.ended << "\n";
  return csv.str();
}

}  // namespace

BatchReport::BatchReport(std::string folder, std::string name) : FFolder(std::move(folder)), FName(std::move(name)) {}

// The temporary files a ReplacementFile writes beside the report; no other batch writes them while this one
// holds the folder's queue.
void BatchReport::RemoveLeftovers() const {
  std::error_code ignored;
  std::filesystem::remove(JsonPath() + ".partial", ignored);
  std::filesystem::remove(CsvPath() + ".partial", ignored);
}

std::string BatchReport::Write(const std::vector<QueuedDisc>& discs) const {
  std::string why = ReplaceFileSayingWhy(JsonPath(), JsonText(discs), LinkRule::OwnedOnly);
  std::string csvWhy = ReplaceFileSayingWhy(CsvPath(), CsvText(discs), LinkRule::OwnedOnly);
  if (why.empty()) return csvWhy;
  return csvWhy.empty() ? why : why + "; " + csvWhy;
}
