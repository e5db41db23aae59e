#include "platform/inifile/TIniFile.h"

#define SI_NO_CONVERSION  // settings are byte strings, kept as they are
#define SI_IMPLEMENTATION  // the templates are compiled here, for char only
#include <SimpleIni.h>

struct TIniFile::Content {
  CSimpleIniA ini{false, false, false};  // not UTF-8 aware, no duplicate keys, no multi-line values
};

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName)), FContent(std::make_unique<Content>()) {
  FContent->ini.LoadFile(FFileName.c_str());
}

TIniFile::~TIniFile() = default;

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
  const char* value = FContent->ini.GetValue(section.c_str(), key.c_str(), nullptr);
  return value != nullptr ? value : defaultValue;
}

std::vector<std::string> TIniFile::ReadSectionValues(const std::string& section) const {
  CSimpleIniA::TNamesDepend keys;
  FContent->ini.GetAllKeys(section.c_str(), keys);
  keys.sort(CSimpleIniA::Entry::LoadOrder());
  std::vector<std::string> values;
  for (const auto& key : keys) values.push_back(ReadString(section, key.pItem, ""));
  return values;
}
