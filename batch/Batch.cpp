#include "batch/Batch.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <thread>

#include "batch/DriveLoop.h"
#include "rip/RipJob.h"

std::string BatchQueuePath(const std::string& folder) { return folder + "/.quillon-batch.sqlite"; }

std::string DriveShortName(const std::string& source) {
  const std::filesystem::path path(source);
  if (path.parent_path().filename().empty() || path.parent_path() == "/dev") return path.filename().string();
  return (path.parent_path().filename() / path.filename()).string();
}

std::string UtcNow() {
  std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

namespace {

// [Rip] encoder threads, 0 for one per core: the pool all the drives' encodings share.
std::size_t PoolPlaces(TIniFile& settings) {
  RipValues values;
  if (!ReadRipValues(settings, values) || values.encoderThreads <= 0)
    return std::max(1u, std::thread::hardware_concurrency());
  return static_cast<std::size_t>(values.encoderThreads);
}

}  // namespace

Batch::Batch(BatchOptions options, BatchObserver& observer)
    : FOptions(std::move(options)),
      FObserver(observer),
      FSettings(FOptions.settings),
      FQueue(BatchQueuePath(FOptions.folder)),
      FReport(FOptions.folder, FOptions.name),
      FLoader(FSettings),
      FPool(std::make_shared<EncoderPool>(PoolPlaces(FSettings))) {
  // One batch at a time in a folder: a second would rip the same drives into the same queue.
  FHold = open(BatchQueuePath(FOptions.folder).c_str(), O_RDONLY | O_CLOEXEC);
  if (FHold < 0 || flock(FHold, LOCK_EX | LOCK_NB) != 0)
    throw BatchQueueError("Another batch is running in " + FOptions.folder);
  FReport.RemoveLeftovers();
  for (int index : FOptions.drives) FDrives.push_back(std::make_unique<DriveLoop>(*this, index));
}

Batch::~Batch() {
  if (FHold >= 0) close(FHold);
}

void Batch::Run() {
  std::vector<std::thread> threads;
  for (const std::unique_ptr<DriveLoop>& drive : FDrives) threads.emplace_back([&drive] { drive->Run(); });
  for (std::thread& thread : threads) thread.join();
}

void Batch::DiscFinished(const QueuedDisc& disc, const std::string& drive) {
  {
    std::lock_guard<std::mutex> guard(FReportLock);
    const std::string why = FReport.Write(FQueue.All());
    if (!why.empty()) FObserver.DriveFailed(drive, "The batch report could not be written: " + why);
  }
  FObserver.DiscFinished(disc);
}

void Batch::DriveFailed(const std::string& drive, const std::string& text) {
  FFailed = true;
  FObserver.DriveFailed(drive, text);
}
