#pragma once
// An unattended batch: several drives ripped at once, each on a thread of its own, their encodings sharing one
// pool of encoder threads, every disc kept in the batch's queue and its report rewritten after each disc.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "batch/BatchQueue.h"
#include "batch/BatchReport.h"
#include "batch/LoaderCommands.h"
#include "cd/TrackTable.h"
#include "platform/inifile/TIniFile.h"
#include "rip/EncoderPool.h"

class DriveLoop;

struct BatchOptions {
  std::vector<int> drives;  // indexes into the drive list
  std::vector<OutputFormat> formats;
  std::string folder;
  std::string settings;  // the settings file
  std::string name = "batch";
  bool lookup = false;
  bool again = false;  // a disc done before in this batch is ripped again
  int discs = 0;       // a drive's batch ends after this many discs; 0: when the loader or a stop ends it
};

// What a drive is doing, for a line of progress.
struct DriveProgress {
  std::string drive;  // the drive's short name: "sr0", "disc.cue"
  int disc = 0;       // the drive's disc in the batch, from 1
  int discs = 0;      // the drive's discs in all when known (--discs), else 0
  std::string album;
  std::string state;  // "waiting for a disc", "ripping", "done", "ended", ...
  int track = 0;
  int tracks = 0;
  int percent = 0;
};

// Called on the drives' threads.
class BatchObserver {
 public:
  virtual ~BatchObserver() = default;
  virtual void DriveChanged(const DriveProgress& progress) = 0;
  virtual void DiscFinished(const QueuedDisc& disc) = 0;
  // An error that ended the drive's batch.
  virtual void DriveFailed(const std::string& drive, const std::string& text) = 0;
};

class Batch {
 public:
  // Opens FOLDER/.quillon-batch.sqlite; throws BatchQueueError when the queue cannot be opened. The drive
  // list must have been read.
  Batch(BatchOptions options, BatchObserver& observer);
  ~Batch();
  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;

  // Runs every drive's batch; returns when all have ended.
  void Run();
  // Asks every drive to stop: the disc being ripped stays unfinished in the queue, ripped again next time.
  void Stop() { FStop = true; }
  bool Stopped() const { return FStop; }
  // True when a drive's batch ended on an error.
  bool Failed() const { return FFailed; }

  // What the drives share.
  const BatchOptions& Options() const { return FOptions; }
  TIniFile& Settings() { return FSettings; }
  BatchQueue& Queue() { return FQueue; }
  const LoaderCommands& Loader() const { return FLoader; }
  const std::shared_ptr<EncoderPool>& Pool() const { return FPool; }
  BatchObserver& Observer() { return FObserver; }
  const std::atomic<bool>& StopFlag() const { return FStop; }
  // Rewrites the report from the queue; a report that cannot be written ends no drive, but is told.
  void DiscFinished(const QueuedDisc& disc, const std::string& drive);
  void DriveFailed(const std::string& drive, const std::string& text);

 private:
  BatchOptions FOptions;
  BatchObserver& FObserver;
  TIniFile FSettings;
  BatchQueue FQueue;
  BatchReport FReport;
  LoaderCommands FLoader;
  std::shared_ptr<EncoderPool> FPool;
  std::vector<std::unique_ptr<DriveLoop>> FDrives;
  std::mutex FReportLock;
  std::atomic<bool> FStop{false};
  std::atomic<bool> FFailed{false};
  int FHold = -1;  // the queue file, locked while the batch runs
};

// FOLDER/.quillon-batch.sqlite
std::string BatchQueuePath(const std::string& folder);
// A drive's name on its progress line: a device's own ("sr0"), an image's file with its folder
// ("drive1/disc.cue"), since a loader's images often share their file names.
std::string DriveShortName(const std::string& source);
// The current time, UTC, ISO 8601: "2026-12-09T14:05:09Z".
std::string UtcNow();
