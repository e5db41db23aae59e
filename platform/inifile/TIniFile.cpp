#include "platform/inifile/TIniFile.h"

#include <unistd.h>

#include <cerrno>

#include "platform/files/FileChecks.h"
#include "platform/files/ReplacementFile.h"
#include <cstring>

#define SI_NO_CONVERSION   // settings are byte strings, kept as they are
#define SI_IMPLEMENTATION  // the templates are compiled here, for char only
#include <SimpleIni.h>

namespace fs = std::filesystem;

namespace {

// The whole file, or false when it is no regular file or cannot be read.
bool ReadWholeFile(const std::string& fileName, std::string& text) {
  int handle = OpenRegularFile(fileName);
  if (handle < 0) return false;
  char chunk[65536];
  ssize_t got;
  text.clear();
  while ((got = ::read(handle, chunk, sizeof chunk)) != 0) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) break;
    text.append(chunk, static_cast<std::size_t>(got));
  }
  ::close(handle);
  return got == 0;
}


// The library writes two blank lines between sections (three line ends in a row, each its own call);
// the third is dropped, so a file keeps the single blank line it was written with.
class SingleBlankLineWriter : public CSimpleIniA::OutputWriter {
 public:
  explicit SingleBlankLineWriter(std::string& text) : FText(text) {}
  void Write(const char* text) override {
    FLineEnds = std::strcmp(text, "\n") == 0 ? FLineEnds + 1 : 0;
    if (FLineEnds < 3) FText += text;
  }

 private:
  std::string& FText;
  int FLineEnds = 0;
};

}  // namespace

struct TIniFile::Content {
  CSimpleIniA ini{false, false, false};  // not UTF-8 aware, no duplicate keys, no multi-line values
  bool readable = true;
  fs::file_time_type loadedTime{};
  std::uintmax_t loadedSize = 0;
  bool loaded = false;
};

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName)), FContent(std::make_unique<Content>()) {
  FContent->ini.SetSpaces(false);
  Refresh();
}

TIniFile::~TIniFile() = default;

// Loads the file again when it changed since the last look, so edits by hand are seen.
void TIniFile::Refresh() {
  std::error_code ec;
  fs::file_time_type time = fs::last_write_time(FFileName, ec);
  if (ec) {
    bool missing = !fs::exists(FFileName, ec);
    FContent->ini.Reset();
    FContent->readable = missing;
    FContent->loaded = false;
    return;
  }
  std::uintmax_t size = fs::file_size(FFileName, ec);
  if (FContent->loaded && time == FContent->loadedTime && size == FContent->loadedSize) return;
  FContent->ini.Reset();
  std::string text;
  FContent->readable = ReadWholeFile(FFileName, text) && FContent->ini.LoadData(text) >= 0;
  FContent->loaded = FContent->readable;
  FContent->loadedTime = time;
  FContent->loadedSize = size;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& defaultValue) {
  Refresh();
  if (!FContent->readable) throw EIniFileError("Cannot open file " + FFileName);
  const char* value = FContent->ini.GetValue(section.c_str(), key.c_str(), nullptr);
  return value != nullptr ? value : defaultValue;
}

std::vector<std::string> TIniFile::ReadSectionValues(const std::string& section) {
  Refresh();
  if (!FContent->readable) throw EIniFileError("Cannot open file " + FFileName);
  CSimpleIniA::TNamesDepend keys;
  FContent->ini.GetAllKeys(section.c_str(), keys);
  keys.sort(CSimpleIniA::Entry::LoadOrder());
  std::vector<std::string> values;
  for (const auto& key : keys) values.emplace_back(FContent->ini.GetValue(section.c_str(), key.pItem, ""));
  return values;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  Refresh();
  if (!FContent->readable) throw EIniFileError("Cannot open file " + FFileName);
  FContent->ini.SetValue(section.c_str(), key.c_str(), value.c_str());
  std::string text;
  std::error_code ec;
  SingleBlankLineWriter writer(text);
  if (FContent->ini.Save(writer, false) < 0 || !ReplaceFileWith(FFileName, text)) {
    FContent->loaded = false;  // memory holds a value the file does not: read the file again
    throw EIniFileError("Cannot create file " + FFileName);
  }
  FContent->loadedTime = fs::last_write_time(FFileName, ec);
  FContent->loadedSize = fs::file_size(FFileName, ec);
  FContent->loaded = true;
}
