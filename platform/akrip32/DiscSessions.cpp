#include "platform/akrip32/DiscSessions.h"

#include <cdio/cdio.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

std::string Upper(std::string word) {
  std::transform(word.begin(), word.end(), word.begin(), [](unsigned char c) { return std::toupper(c); });
  return word;
}

// A session number as a sheet writes it ("01"); 0 for anything else.
int SessionNumber(const std::string& word) {
  bool digits = !word.empty() && word.size() <= 2 &&
                std::all_of(word.begin(), word.end(), [](unsigned char c) { return std::isdigit(c); });
  return digits ? std::stoi(word) : 0;
}

}  // namespace

void ReadSessions(CdIo_t* cdio, DiscLayout& layout) {
  lsn_t lastSessionStart = 0;
  if (cdio_get_last_session(cdio, &lastSessionStart) == DRIVER_OP_SUCCESS) {
    SetSessionsFromLastSession(layout, lastSessionStart);
    return;
  }
  const char* sheet = cdio_get_driver_id(cdio) == DRIVER_BINCUE ? cdio_get_arg(cdio, "cue") : nullptr;
  if (sheet == nullptr) return;
  std::ifstream file(sheet);
  std::ostringstream text;
  text << file.rdbuf();
  SetSessionsFromSheet(text.str(), layout);
}

void SetSessionsFromLastSession(DiscLayout& layout, std::int32_t lastSessionStart) {
  auto& tracks = layout.tracks;
  auto first = std::find_if(tracks.begin(), tracks.end(), [&](const DiscTrack& t) { return t.start >= lastSessionStart; });
  if (first == tracks.end()) return;
  const int last = first == tracks.begin() ? 1 : 2;
  for (auto track = tracks.begin(); track != tracks.end(); ++track) track->session = track < first ? 1 : last;
}

void SetSessionsFromSheet(const std::string& sheet, DiscLayout& layout) {
  std::vector<int> sessions;
  int session = 1;
  bool named = false;
  std::istringstream lines(sheet);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string keyword, what, number;
    words >> keyword >> what >> number;
    keyword = Upper(keyword);
    if (keyword == "TRACK") sessions.push_back(session);
    if (keyword != "REM" || Upper(what) != "SESSION") continue;
    int next = SessionNumber(number);
    if (next < session) return;
    session = next;
    named = true;
  }
  if (!named || sessions.size() != layout.tracks.size()) return;
  for (std::size_t k = 0; k < sessions.size(); ++k) layout.tracks[k].session = sessions[k];
}
