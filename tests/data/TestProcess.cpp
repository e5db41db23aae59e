#include "tests/data/TestProcess.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>

namespace testdata {

ProcessResult RunCommand(const std::string& command) {
  ProcessResult result;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 4096> buffer;
  for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
    result.out.append(buffer.data(), got);
  int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace testdata
