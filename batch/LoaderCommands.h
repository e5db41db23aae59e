#pragma once
// The programs that feed an autoloader's drive: one loads the next disc, one takes a finished disc out, one
// puts a rejected disc aside. Each gets the drive's device (or image) as its argument and a time limit; it
// exits 0 when it did its work and 1 when there are no more discs, anything else is an error.

#include <atomic>
#include <chrono>
#include <string>

class TIniFile;

struct LoaderResult {
  enum class Outcome { Done, NoMoreDiscs, Failed };
  Outcome outcome = Outcome::Done;
  std::string error;  // for Failed: what went wrong, naming the command
};

class LoaderCommands {
 public:
  // Section "Batch": "load command", "unload command", "reject command" (empty: none), "command timeout" in
  // seconds (default 120).
  explicit LoaderCommands(TIniFile& settings);

  bool CanLoad() const { return !FLoad.empty(); }
  // Without a load command the drive is fed by hand: Load says Done at once.
  LoaderResult Load(const std::string& drive, const std::atomic<bool>& stop) const;
  // Without an unload command a drive of the machine opens its door; Unload says Done.
  LoaderResult Unload(const std::string& drive, const std::atomic<bool>& stop) const;
  // Without a reject command a rejected disc is unloaded as any other.
  LoaderResult Reject(const std::string& drive, const std::atomic<bool>& stop) const;

 private:
  LoaderResult Run(const std::string& command, const std::string& drive, const std::atomic<bool>& stop) const;

  std::string FLoad;
  std::string FUnload;
  std::string FReject;
  std::chrono::seconds FTimeout{120};
};
