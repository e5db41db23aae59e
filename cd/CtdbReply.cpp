#include "cd/CtdbReply.h"

#include <cstdint>
#include <algorithm>
#include <map>

namespace {

constexpr std::size_t kDeepest = 32;  // elements within elements: the reply has three levels

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':'; }
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One to eight hexadecimal digits.
bool ParseHex(const std::string& text, std::uint32_t& value) {
  if (text.empty() || text.size() > 8) return false;
  value = 0;
  for (char c : text) {
    if (HexDigit(c) < 0) return false;
    value = value << 4 | std::uint32_t(HexDigit(c));
  }
  return true;
}

// One to nine decimal digits.
bool ParseCount(const std::string& text, int& value) {
  if (text.empty() || text.size() > 9) return false;
  value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// The words of text between runs of white space.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words(1);
  for (char c : text) {
    if (!IsSpace(c)) words.back() += c;
    else if (!words.back().empty()) words.emplace_back();
  }
  if (words.back().empty()) words.pop_back();
  return words;
}

// The parts of text between the colons, empty ones too.
std::vector<std::string> Fields(const std::string& text) {
  std::vector<std::string> fields(1);
  for (char c : text) {
    if (c == ':') fields.emplace_back();
    else fields.back() += c;
  }
  return fields;
}

// The audio tracks of a toc as CtdbTocText writes it ("0:11413:-25024:45713"), or -1 when it is not one.
int AudioTracksOf(const std::string& toc) {
  const std::vector<std::string> starts = Fields(toc);
  if (starts.size() < 2 || starts.size() > 100) return -1;
  int audio = 0;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const bool data = !starts[i].empty() && starts[i][0] == '-';
    int block = 0;
    if ((data && i + 1 == starts.size()) || !ParseCount(starts[i].substr(data ? 1 : 0), block)) return -1;
    if (!data && i + 1 < starts.size()) ++audio;
  }
  return audio;
}

using Attributes = std::map<std::string, std::string>;

bool ParseEntry(const Attributes& attributes, CtdbEntry& entry) {
  auto crc = attributes.find("crc32"), confidence = attributes.find("confidence"), toc = attributes.find("toc");
  if (crc == attributes.end() || confidence == attributes.end() || toc == attributes.end()) return false;
  if (!ParseHex(crc->second, entry.crc) || !ParseCount(confidence->second, entry.confidence)) return false;
  entry.toc = toc->second;
  const int audio = AudioTracksOf(entry.toc);
  if (audio < 0) return false;
  auto tracks = attributes.find("trackcrcs");
  if (tracks == attributes.end()) return true;
  for (const std::string& word : Words(tracks->second)) {
    entry.trackCrcs.push_back(0);
    if (!ParseHex(word, entry.trackCrcs.back())) return false;
  }
  return entry.trackCrcs.empty() || entry.trackCrcs.size() == std::size_t(audio);
}

// Reads the XML one markup at a time.
class Reader {
 public:
  explicit Reader(const std::string& text) : FText(text) {}

  bool AtEnd() const { return FAt >= FText.size(); }
  bool Next(const char* literal) {
    const std::string expected(literal);
    if (FText.compare(FAt, expected.size(), expected) != 0) return false;
    FAt += expected.size();
    return true;
  }
  void SkipSpace() {
    while (!AtEnd() && IsSpace(FText[FAt])) ++FAt;
  }
  // Up to and past the literal; false when it does not come.
  bool SkipPast(const char* literal) {
    std::size_t found = FText.find(literal, FAt);
    if (found == std::string::npos) return false;
    FAt = found + std::string(literal).size();
    return true;
  }
  // The text up to the next "<" or the end.
  std::string Text() {
    std::size_t next = std::min(FText.find('<', FAt), FText.size());
    std::string text = FText.substr(FAt, next - FAt);
    FAt = next;
    return text;
  }
  bool Name(std::string& name) {
    if (AtEnd() || !IsNameStart(FText[FAt])) return false;
    std::size_t start = FAt;
    while (!AtEnd() && IsNameChar(FText[FAt])) ++FAt;
    name = FText.substr(start, FAt - start);
    return true;
  }
  // name="value" or name='value', after white space; the value holds no "<".
  bool Attribute(Attributes& attributes) {
    std::string name;
    if (!Name(name)) return false;
    SkipSpace();
    if (!Next("=")) return false;
    SkipSpace();
    if (AtEnd() || (FText[FAt] != '"' && FText[FAt] != '\'')) return false;
    const char quote = FText[FAt++];
    std::size_t end = FText.find(quote, FAt);
    if (end == std::string::npos) return false;
    std::string value = FText.substr(FAt, end - FAt);
    FAt = end + 1;
    return value.find('<') == std::string::npos && attributes.emplace(name, value).second;
  }
  // After "<": the element's name and attributes up to ">" or "/>".
  bool StartTag(std::string& name, Attributes& attributes, bool& empty) {
    if (!Name(name)) return false;
    for (;;) {
      const std::size_t before = FAt;
      SkipSpace();
      if (Next(">")) return empty = false, true;
      if (Next("/>")) return empty = true, true;
      if (FAt == before || !Attribute(attributes)) return false;
    }
  }

 private:
  const std::string& FText;
  std::size_t FAt = 0;
};

bool OnlySpace(const std::string& text) {
  for (char c : text)
    if (!IsSpace(c)) return false;
  return true;
}

}  // namespace

bool ParseCtdbReply(const std::string& xml, std::vector<CtdbEntry>& entries) {
  entries.clear();
  std::vector<CtdbEntry> found;
  Reader reader(xml);
  std::vector<std::string> open;  // the elements the reader is in
  bool rootDone = false;
  for (;;) {
    const std::string text = reader.Text();
    if (open.empty() && !OnlySpace(text)) return false;  // no text around the root
    if (reader.AtEnd()) break;
    if (reader.Next("<!--")) {
      if (!reader.SkipPast("-->")) return false;
    } else if (reader.Next("<?")) {
      if (rootDone || !open.empty() || !reader.SkipPast("?>")) return false;
    } else if (reader.Next("</")) {
      std::string name;
      if (!reader.Name(name) || open.empty() || name != open.back()) return false;
      reader.SkipSpace();
      if (!reader.Next(">")) return false;
      open.pop_back();
      rootDone = open.empty();
    } else {
      reader.Next("<");  // an element starts
      std::string name;
      Attributes attributes;
      bool empty = false;
      if (rootDone || !reader.StartTag(name, attributes, empty)) return false;
      if (open.empty() && name != "ctdb") return false;
      if (open.size() == 1 && name == "entry") {
        found.emplace_back();
        if (!ParseEntry(attributes, found.back())) return false;
      }
      if (!empty) open.push_back(name);
      else rootDone = open.empty();
      if (open.size() > kDeepest) return false;
    }
  }
  if (!rootDone) return false;
  entries = std::move(found);
  return true;
}
