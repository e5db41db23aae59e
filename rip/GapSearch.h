#pragma once
// Searches a disc's pregaps (DetectCDGaps) on a thread of its own, so that the job's thread keeps its window
// alive meanwhile and can end a job at once when a drive command does not come back: the search is then
// abandoned, and its thread ends when the command returns.

#include <atomic>
#include <memory>
#include <thread>

#include "platform/akrip32/akrip32.h"

class GapSearch {
 public:
  explicit GapSearch(HCDROM handle);
  ~GapSearch();
  GapSearch(const GapSearch&) = delete;
  GapSearch& operator=(const GapSearch&) = delete;

  bool Done() const { return FShared->done; }
  // The track being searched and the disc's last track; 0 before the first.
  int Track() const { return FShared->track; }
  int LastTrack() const { return FShared->last; }
  // How the pregaps were found, once Done.
  GapDetection Result() const { return FShared->how; }
  // Ends the search at its next drive command.
  void Cancel() { FShared->cancel = true; }
  // Leaves a search that has not finished to its thread.
  void Abandon();

 private:
  // What the thread shares with the search; it outlives an abandoned search until the thread ends.
  struct Shared {
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    std::atomic<int> track{0};
    std::atomic<int> last{0};
    GapDetection how = GapDetection::Cancelled;  // written before done is set
  };

  std::shared_ptr<Shared> FShared = std::make_shared<Shared>();
  std::thread FThread;
};
