#pragma once
// One drive's part of a batch, on a thread of its own: wait for a disc (or have the loader bring one), read
// and identify it, rip it through the rip job into a folder of its own below the output, judge it, move its
// files to their names, unload it, and go on until the loader has no more discs, --discs is reached, or the
// batch stops.

#include <optional>
#include <string>
#include <vector>

#include "batch/BatchQueue.h"
#include "cd/CdDrives.h"
#include "rip/RipJob.h"

class Batch;

class DriveLoop {
 public:
  DriveLoop(Batch& batch, int index);
  void Run();

 private:
  enum class Step { Next, End };
  bool Limited() const;
  bool HoldsDisc();
  bool Feed();
  bool WaitForDisc();
  Step DealWithDisc();
  bool AlreadyDealtWith(const QueuedDisc& disc) const;
  QueuedDisc Enter();
  bool Rip(QueuedDisc& disc);
  bool RipFormats(QueuedDisc& disc, std::vector<TrackResult>& results, bool& unreadable);
  void Settle(QueuedDisc& disc, const std::vector<TrackResult>& results, bool unreadable);
  bool BuildInput(OutputFormat format, RipInput& input, std::string& error);
  void Reject(QueuedDisc& disc, const std::string& reason);
  bool Unload(const QueuedDisc& disc);
  std::string WorkFolder(const QueuedDisc& disc) const;
  void PlaceFiles(const QueuedDisc& disc, const std::string& below);
  void Show(const std::string& state, int track = 0, int tracks = 0, int percent = 0);
  void Fail(const std::string& text);

  Batch& FBatch;
  CdDrives FDrives;
  std::string FSource;  // the device or image, as the loader gets it
  std::string FName;    // its short name for the progress line
  std::string FUnloadedMark;  // the image file as it was when its disc was unloaded
  std::string FAlbum;
  std::vector<RipRow> FRows;  // the disc's rows, named and tagged for the first format
  std::string FMetadataSource;
  int FOrdinal = 1;  // the drive's disc in the batch, counting those done or rejected before it
  bool FFirst = true;  // the run's first disc of the drive, which a killed run may have dealt with already
};
