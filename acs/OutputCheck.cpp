#include "acs/OutputCheck.h"

#include "platform/files/FileChecks.h"

std::string OutputPathWarning(const std::vector<std::string>& inputs, const std::string& output) {
  for (const std::string& input : inputs)
    if (IsSameFile(input, output)) return " Please check the Input File and Output File! They can't be the same file! ";
  if (IsFolder(output)) return " Please check the Output File! It is a folder! ";
  return {};
}

std::string InvalidInputText(const std::string& fileName, const std::string& kind) {
  return "The file " + fileName + " is not a valid " + kind + " file";
}
