#include "batch/LoaderCommands.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/inifile/TIniFile.h"

namespace {

std::string ReadValue(TIniFile& settings, const char* key) {
  try {
    return settings.ReadString("Batch", key, "");
  } catch (const EIniFileError&) {
    return {};
  }
}

// The last line the command wrote, to say in the report why it failed.
std::string LastLine(const std::string& output) {
  std::string text = output;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  std::size_t start = text.find_last_of('\n');
  return start == std::string::npos ? text : text.substr(start + 1);
}

}  // namespace

LoaderCommands::LoaderCommands(TIniFile& settings)
    : FLoad(ReadValue(settings, "load command")),
      FUnload(ReadValue(settings, "unload command")),
      FReject(ReadValue(settings, "reject command")) {
  const std::string timeout = ReadValue(settings, "command timeout");
  if (!timeout.empty() && timeout.find_first_not_of("0123456789") == std::string::npos && timeout.size() < 7 &&
      std::stoi(timeout) > 0)
    FTimeout = std::chrono::seconds(std::stoi(timeout));
}

LoaderResult LoaderCommands::Load(const std::string& drive, const std::atomic<bool>& stop) const {
  return FLoad.empty() ? LoaderResult{} : Run(FLoad, drive, stop);
}

LoaderResult LoaderCommands::Unload(const std::string& drive, const std::atomic<bool>& stop) const {
  return FUnload.empty() ? LoaderResult{} : Run(FUnload, drive, stop);
}

LoaderResult LoaderCommands::Reject(const std::string& drive, const std::atomic<bool>& stop) const {
  return FReject.empty() ? Unload(drive, stop) : Run(FReject, drive, stop);
}

// The command runs through the shell, so that the setting may hold arguments of its own; the drive comes as
// one more argument, never parsed by the shell. It runs in a process group of its own, which the time limit
// (or a stop) ends as a whole.
LoaderResult LoaderCommands::Run(const std::string& command, const std::string& drive,
                                 const std::atomic<bool>& stop) const {
  int output[2];
  if (pipe2(output, O_CLOEXEC) != 0) return {LoaderResult::Outcome::Failed, command + ": " + std::strerror(errno)};
  pid_t child = fork();
  if (child < 0) {
    close(output[0]);
    close(output[1]);
    return {LoaderResult::Outcome::Failed, command + ": " + std::strerror(errno)};
  }
  if (child == 0) {
    setpgid(0, 0);
    int null = open("/dev/null", O_RDONLY);
    dup2(null, STDIN_FILENO);
    dup2(output[1], STDOUT_FILENO);
    dup2(output[1], STDERR_FILENO);
    const std::string script = command + " \"$1\"";
    execl("/bin/sh", "sh", "-c", script.c_str(), "sh", drive.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  setpgid(child, child);
  close(output[1]);
  fcntl(output[0], F_SETFL, O_NONBLOCK);
  std::string said;
  const auto deadline = std::chrono::steady_clock::now() + FTimeout;
  int status = 0;
  bool ended = false;
  bool overdue = false;
  while (!ended) {
    char buffer[4096];
    for (ssize_t got; (got = read(output[0], buffer, sizeof buffer)) > 0;) said.append(buffer, std::size_t(got));
    if (said.size() > 65536) said.erase(0, said.size() - 65536);
    ended = waitpid(child, &status, WNOHANG) == child;
    if (ended) break;
    if (!overdue && (stop || std::chrono::steady_clock::now() >= deadline)) {
      overdue = true;
      kill(-child, SIGKILL);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  close(output[0]);
  const std::string line = LastLine(said);
  const std::string because = line.empty() ? "" : " (" + line + ")";
  if (overdue && stop) return {LoaderResult::Outcome::Failed, command + " was stopped with the batch"};
  if (overdue)
    return {LoaderResult::Outcome::Failed,
            command + " did not end within " + std::to_string(FTimeout.count()) + " s and was killed" + because};
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {};
  if (WIFEXITED(status) && WEXITSTATUS(status) == 1) return {LoaderResult::Outcome::NoMoreDiscs, {}};
  if (WIFEXITED(status))
    return {LoaderResult::Outcome::Failed,
            command + " " + drive + " exited with status " + std::to_string(WEXITSTATUS(status)) + because};
  return {LoaderResult::Outcome::Failed,
          command + " " + drive + " was ended by signal " + std::to_string(WTERMSIG(status)) + because};
}
