#include "platform/akrip32/CddbClient.h"

#include <cstdio>

#include "platform/http/HttpClient.h"

namespace {

constexpr int kLeadIn = 150;  // blocks before the first track's address 0

// The protocol separates the words of a command by "+", so each word is escaped on its own.
std::string EscapedWords(const std::vector<std::string>& words) {
  std::string joined;
  for (const std::string& word : words) {
    if (!joined.empty()) joined += '+';
    joined += UrlEscaped(word);
  }
  return joined;
}

std::vector<std::string> Lines(const std::string& body) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < body.size()) {
    std::size_t end = body.find('\n', start);
    if (end == std::string::npos) end = body.size();
    std::string line = body.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// The first blank-separated word of text, removed from it.
std::string TakeWord(std::string& text) {
  std::size_t start = text.find_first_not_of(' ');
  if (start == std::string::npos) {
    text.clear();
    return {};
  }
  std::size_t end = text.find(' ', start);
  std::string word = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
  text = end == std::string::npos ? std::string() : text.substr(end + 1);
  return word;
}

// "category discid Artist / Title"; a title without the separator names artist and disc alike.
bool ParseMatch(std::string text, CddbMatch& match) {
  match.category = TakeWord(text);
  match.discId = TakeWord(text);
  if (match.category.empty() || match.discId.empty()) return false;
  std::size_t separator = text.find(" / ");
  match.artist = separator == std::string::npos ? text : text.substr(0, separator);
  match.title = separator == std::string::npos ? text : text.substr(separator + 3);
  return true;
}

// "site protocol port address latitude longitude description"
bool ParseSite(std::string text, CddbSite& site) {
  site.host = TakeWord(text);
  std::string protocol = TakeWord(text);
  std::string port = TakeWord(text);
  site.cgi = TakeWord(text);
  TakeWord(text);
  TakeWord(text);
  site.location = text;
  if (site.host.empty() || port.find_first_not_of("0123456789") != std::string::npos || port.empty() ||
      port.size() > 5)
    return false;
  site.port = std::stoi(port);
  return true;
}

}  // namespace

std::uint32_t CddbDiscIdOf(const CddbDisc& disc) {
  std::uint32_t n = 0;
  for (std::uint32_t start : disc.trackStarts)
    for (std::uint32_t seconds = (start + kLeadIn) / 75; seconds > 0; seconds /= 10) n += seconds % 10;
  // Both ends in whole seconds first, as the database counts the playing time.
  std::uint32_t first = disc.trackStarts.empty() ? 0 : disc.trackStarts.front();
  std::uint32_t t = (disc.leadout + kLeadIn) / 75 - (first + kLeadIn) / 75;
  return (n % 255) << 24 | t << 8 | static_cast<std::uint32_t>(disc.trackStarts.size());
}

void CddbClient::SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total) {
  FConnectTimeout = connect;
  FTotalTimeout = total;
}

// hello=USER+HOST+CLIENT+VERSION, user and host taken from the e-mail address.
std::vector<std::string> CddbClient::HelloWords() const {
  std::size_t at = FEmail.find('@');
  std::string user = FEmail.substr(0, at);
  std::string host = at == std::string::npos ? "localhost" : FEmail.substr(at + 1);
  std::size_t blank = FClient.rfind(' ');
  std::string client = FClient.substr(0, blank);
  std::string version = blank == std::string::npos ? std::string() : FClient.substr(blank + 1);
  return {user, host, client, version};
}

bool CddbClient::Exchange(const std::vector<std::string>& command, Reply& reply) const {
  HttpRequest request;
  request.url = "http://" + FServer + FCgiPath + "?cmd=" + EscapedWords(command) + "&hello=" +
                EscapedWords(HelloWords()) + "&proto=6";
  request.connectTimeout = FConnectTimeout;
  request.totalTimeout = FTotalTimeout;
  request.keepWaiting = FKeepWaiting;
  HttpReply answer = HttpGet(request);  // entries are a few kilobytes: the cap is far above any reply
  return answer.status == 200 && ParseReply(answer.body, reply);
}

bool CddbClient::ParseReply(const std::string& body, Reply& reply) {
  std::vector<std::string> lines = Lines(body);
  if (lines.empty() || lines[0].size() < 3 || lines[0].find_first_not_of("0123456789") < 3) return false;
  reply.code = std::stoi(lines[0].substr(0, 3));
  reply.status = lines[0].size() > 4 ? lines[0].substr(4) : std::string();
  reply.lines.clear();
  if (reply.code / 10 % 10 != 1) return true;  // only x1x replies carry lines, closed by "."
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i] == ".") return true;
    reply.lines.push_back(lines[i]);
  }
  return false;  // cut short: the closing "." never came
}

bool CddbClient::Sites(std::vector<CddbSite>& sites) const {
  sites.clear();
  Reply reply;
  if (!Exchange({"sites"}, reply) || reply.code != 210) return false;
  for (const std::string& line : reply.lines) {
    CddbSite site;
    if (ParseSite(line, site)) sites.push_back(site);
  }
  return true;
}

bool CddbClient::Query(const CddbDisc& disc, std::vector<CddbMatch>& matches) const {
  matches.clear();
  char discId[9];
  std::snprintf(discId, sizeof discId, "%08x", CddbDiscIdOf(disc));
  std::vector<std::string> command = {"cddb", "query", discId, std::to_string(disc.trackStarts.size())};
  for (std::uint32_t start : disc.trackStarts) command.push_back(std::to_string(start + kLeadIn));
  command.push_back(std::to_string((disc.leadout + kLeadIn) / 75));
  Reply reply;
  if (!Exchange(command, reply)) return false;
  switch (reply.code) {
    case 200: {
      CddbMatch match;
      if (!ParseMatch(reply.status, match)) return false;
      matches.push_back(match);
      return true;
    }
    case 210:  // several exact matches
    case 211:  // inexact matches
      for (const std::string& line : reply.lines) {
        CddbMatch match;
        if (ParseMatch(line, match)) matches.push_back(match);
      }
      return true;
    case 202:
      return true;
    default:
      return false;
  }
}

bool CddbClient::Read(const std::string& category, const std::string& discId, std::string& entry) const {
  entry.clear();
  Reply reply;
  if (!Exchange({"cddb", "read", category, discId}, reply) || reply.code != 210) return false;
  // Servers end lines with CR LF or with LF alone; readers of the entry rely on the carriage return.
  for (const std::string& line : reply.lines) entry += line + "\r\n";
  return true;
}
