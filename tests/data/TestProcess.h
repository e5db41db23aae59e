#pragma once
// Runs other programs from the tests: quillon-cli and the reference tools.

#include <string>

namespace testdata {

struct ProcessResult {
  int status = -1;  // the exit status, -1 when the program did not exit normally
  std::string out;  // standard output and standard error together
};

ProcessResult RunCommand(const std::string& command);

}  // namespace testdata
