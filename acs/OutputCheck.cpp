#include "acs/OutputCheck.h"

#include "platform/files/FileChecks.h"

std::string OutputPathWarning(const std::vector<std::string>& inputs, const std::string& output) {
  for (const std::string& input : inputs)
    if (IsSameFile(input, output)) return " Please check the Input File and Output File! They can't be the same file! ";
  if (IsFolder(output)) return " Please check the Output File! It is a folder! ";
  return {};
}

std::string InvalidInputText(const TACSFileIn& source, const std::string& kind) {
  if (!source.InvalidReason().empty()) return source.InvalidReason();
  return "The file " + source.FileName() + " is not a valid " + kind + " file";
}
