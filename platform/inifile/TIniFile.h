#pragma once
// A settings file in INI format: sections and keys matched without regard to case, values as text.

#include <memory>
#include <string>
#include <vector>


class TIniFile {
 public:
  // A missing or unreadable file reads as empty.
  explicit TIniFile(std::string fileName);
  ~TIniFile();
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  const std::string& FileName() const { return FFileName; }
  std::string ReadString(const std::string& section, const std::string& key, const std::string& defaultValue) const;
  // The values of a section in the order the file lists them.
  std::vector<std::string> ReadSectionValues(const std::string& section) const;

 private:
  struct Content;
  std::string FFileName;
  std::unique_ptr<Content> FContent;
};
