#pragma once
// A settings file in INI format: sections and keys matched without regard to case, values as text.
// Every read sees the file as it is on disk; every write replaces the file whole.

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class EIniFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TIniFile {
 public:
  explicit TIniFile(std::string fileName);
  ~TIniFile();
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  const std::string& FileName() const { return FFileName; }
  // A missing file reads as empty; one that exists but cannot be read throws EIniFileError.
  std::string ReadString(const std::string& section, const std::string& key, const std::string& defaultValue);
  // The values of a section in the order the file lists them.
  std::vector<std::string> ReadSectionValues(const std::string& section);
  // Creates the file and the section when needed and keeps everything else in it; throws EIniFileError
  // when the file cannot be written, leaving the old file as it was.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);

 private:
  struct Content;
  void Refresh();

  std::string FFileName;
  std::unique_ptr<Content> FContent;
};
