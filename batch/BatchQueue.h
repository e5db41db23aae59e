#pragma once
// A batch's discs, kept in an SQLite file beside the output (journal in WAL mode), so that a batch killed at
// any moment starts again where it was: each disc's drive, IDs, state, and what became of it.

#include <cstdint>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;

// A disc goes waiting → identified → ripping → verifying → done; a disc that cannot be done is rejected, from
// any state before done, with why.
enum class DiscState { Waiting, Identified, Ripping, Verifying, Done, Rejected };

// "waiting", "identified", "ripping", "verifying", "done", "rejected".
std::string StateName(DiscState state);
bool Finished(DiscState state);  // done or rejected

// Why a disc was rejected, as the queue and the report name it.
extern const char* const kRejectDataDisc;     // "data disc"
extern const char* const kRejectUnreadable;   // "unreadable"
extern const char* const kRejectNotAccurate;  // "not accurate"
extern const char* const kRejectNoMetadata;   // "no metadata"
extern const char* const kRejectDuplicate;    // "duplicate"

struct QueuedDisc {
  std::int64_t id = 0;
  std::string drive;  // the drive's device or image, as the load command gets it
  std::string cddbId;
  std::string musicBrainzId;
  DiscState state = DiscState::Waiting;
  std::string reason;  // why it was rejected; empty otherwise
  std::string artist;
  std::string album;
  std::string folder;   // where its files are, once done
  std::string verdict;  // the disc's AccurateRip and CTDB verdicts
  std::string tracks;   // the tracks' results, a JSON array
  std::string releases;  // the MusicBrainz releases not chosen, a JSON array
  std::string started;  // UTC, ISO 8601
  std::string ended;
};

struct BatchQueueError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class BatchQueue {
 public:
  // Opens the queue file, making it when it is not there; throws BatchQueueError saying why it cannot.
  explicit BatchQueue(const std::string& path);
  ~BatchQueue();
  BatchQueue(const BatchQueue&) = delete;
  BatchQueue& operator=(const BatchQueue&) = delete;

  // A new disc in the drive, waiting; its id is set.
  QueuedDisc Add(const std::string& drive, const std::string& started);
  // Moves the disc to a later state and stores all of it in one step; throws BatchQueueError for a move the
  // states do not allow (back from done, or out of rejected).
  void Move(QueuedDisc& disc, DiscState state);
  // Ripping again a disc a killed run left unfinished: back to waiting, its results cleared.
  void Restart(QueuedDisc& disc);
  std::vector<QueuedDisc> All() const;
  // The drive's last disc, if any.
  std::optional<QueuedDisc> Last(const std::string& drive) const;
  // Whether a disc of those IDs other than `except` was done in this batch.
  bool DoneBefore(const std::string& cddbId, const std::string& musicBrainzId, std::int64_t except) const;
  // How many of the drive's discs are done or rejected.
  int FinishedCount(const std::string& drive) const;

 private:
  void Execute(const std::string& sql) const;
  void Store(const QueuedDisc& disc);
  std::vector<QueuedDisc> Select(const std::string& where, const std::vector<std::string>& values) const;

  sqlite3* FDatabase = nullptr;
  mutable std::mutex FLock;  // the drives' threads share the connection
};
