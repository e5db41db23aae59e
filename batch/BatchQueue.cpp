#include "batch/BatchQueue.h"

#include <sqlite3.h>

#include <array>

const char* const kRejectDataDisc = "data disc";
const char* const kRejectUnreadable = "unreadable";
const char* const kRejectNotAccurate = "not accurate";
const char* const kRejectNoMetadata = "no metadata";
const char* const kRejectDuplicate = "duplicate";

namespace {

constexpr std::array<const char*, 6> kStateNames = {"waiting", "identified", "ripping", "verifying", "done", "rejected"};

DiscState StateOf(const std::string& name) {
  for (std::size_t k = 0; k < kStateNames.size(); ++k)
    if (name == kStateNames[k]) return static_cast<DiscState>(k);
  throw BatchQueueError("the batch queue holds a disc in an unknown state: " + name);
}

// The statement, finalised however it is left.
class Statement {
 public:
  Statement(sqlite3* database, const std::string& sql) : FDatabase(database) {
    if (sqlite3_prepare_v2(database, sql.c_str(), -1, &FStatement, nullptr) != SQLITE_OK)
      throw BatchQueueError(std::string("the batch queue cannot be read: ") + sqlite3_errmsg(database));
  }
  ~Statement() { sqlite3_finalize(FStatement); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  void Bind(int index, const std::string& text) {
    sqlite3_bind_text(FStatement, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  void Bind(int index, std::int64_t value) { sqlite3_bind_int64(FStatement, index, value); }
  // True while there is a row.
  bool Step() {
    int status = sqlite3_step(FStatement);
    if (status == SQLITE_ROW) return true;
    if (status != SQLITE_DONE)
      throw BatchQueueError(std::string("the batch queue cannot be written: ") + sqlite3_errmsg(FDatabase));
    return false;
  }
  std::string Text(int column) const {
    const unsigned char* text = sqlite3_column_text(FStatement, column);
    return text == nullptr ? std::string() : reinterpret_cast<const char*>(text);
  }
  std::int64_t Integer(int column) const { return sqlite3_column_int64(FStatement, column); }

 private:
  sqlite3* FDatabase;
  sqlite3_stmt* FStatement = nullptr;
};

const char* const kColumns =
    "id, drive, cddb_id, musicbrainz_id, state, reason, artist, album, folder, verdict, tracks, releases, started, "
    "ended";

}  // namespace

std::string StateName(DiscState state) { return kStateNames[static_cast<std::size_t>(state)]; }

bool Finished(DiscState state) { return state == DiscState::Done || state == DiscState::Rejected; }

BatchQueue::BatchQueue(const std::string& path) {
  if (sqlite3_open_v2(path.c_str(), &FDatabase, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                      nullptr) != SQLITE_OK) {
    std::string why = FDatabase != nullptr ? sqlite3_errmsg(FDatabase) : "out of memory";
    sqlite3_close(FDatabase);
    throw BatchQueueError("Cannot open the batch queue " + path + ": " + why);
  }
  sqlite3_busy_timeout(FDatabase, 5000);
  try {
    // WAL with full syncs: a disc's state, once stored, survives a power loss.
    Execute("PRAGMA journal_mode=WAL");
    Execute("PRAGMA synchronous=FULL");
    Execute("CREATE TABLE IF NOT EXISTS discs (id INTEGER PRIMARY KEY, drive TEXT NOT NULL, cddb_id TEXT, "
            "musicbrainz_id TEXT, state TEXT NOT NULL, reason TEXT, artist TEXT, album TEXT, folder TEXT, "
            "verdict TEXT, tracks TEXT, releases TEXT, started TEXT, ended TEXT)");
  } catch (const BatchQueueError& failure) {
    sqlite3_close(FDatabase);
    throw BatchQueueError("Cannot open the batch queue " + path + ": " + failure.what());
  }
}

BatchQueue::~BatchQueue() { sqlite3_close(FDatabase); }

void BatchQueue::Execute(const std::string& sql) const {
  char* error = nullptr;
  if (sqlite3_exec(FDatabase, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK) return;
  std::string why = error != nullptr ? error : "unknown error";
  sqlite3_free(error);
  throw BatchQueueError(why);
}

QueuedDisc BatchQueue::Add(const std::string& drive, const std::string& started) {
  std::lock_guard<std::mutex> guard(FLock);
  Statement insert(FDatabase, "INSERT INTO discs (drive, state, started) VALUES (?, 'waiting', ?)");
  insert.Bind(1, drive);
  insert.Bind(2, started);
  insert.Step();
  QueuedDisc disc;
  disc.id = sqlite3_last_insert_rowid(FDatabase);
  disc.drive = drive;
  disc.started = started;
  return disc;
}

void BatchQueue::Move(QueuedDisc& disc, DiscState state) {
  if (Finished(disc.state) || state < disc.state)
    throw BatchQueueError("disc " + std::to_string(disc.id) + " of the batch cannot go from " +
                          StateName(disc.state) + " to " + StateName(state));
  disc.state = state;
  std::lock_guard<std::mutex> guard(FLock);
  Store(disc);
}

void BatchQueue::Restart(QueuedDisc& disc) {
  if (Finished(disc.state))
    throw BatchQueueError("disc " + std::to_string(disc.id) + " of the batch is " + StateName(disc.state) +
                          " and is not ripped again");
  QueuedDisc fresh;
  fresh.id = disc.id;
  fresh.drive = disc.drive;
  fresh.started = disc.started;
  disc = fresh;
  std::lock_guard<std::mutex> guard(FLock);
  Store(disc);
}

void BatchQueue::Store(const QueuedDisc& disc) {
  Statement update(FDatabase,
                   "UPDATE discs SET cddb_id = ?, musicbrainz_id = ?, state = ?, reason = ?, artist = ?, album = ?, "
                   "folder = ?, verdict = ?, tracks = ?, releases = ?, started = ?, ended = ? WHERE id = ?");
  const std::array<const std::string*, 12> values = {&disc.cddbId, &disc.musicBrainzId, nullptr, &disc.reason,
                                                     &disc.artist, &disc.album, &disc.folder, &disc.verdict,
                                                     &disc.tracks, &disc.releases, &disc.started, &disc.ended};
  for (std::size_t k = 0; k < values.size(); ++k)
    update.Bind(static_cast<int>(k + 1), values[k] != nullptr ? *values[k] : StateName(disc.state));
  update.Bind(13, disc.id);
  update.Step();
}

std::vector<QueuedDisc> BatchQueue::Select(const std::string& where, const std::vector<std::string>& values) const {
  std::lock_guard<std::mutex> guard(FLock);
  Statement select(FDatabase, std::string("SELECT ") + kColumns + " FROM discs " + where);
  for (std::size_t k = 0; k < values.size(); ++k) select.Bind(static_cast<int>(k + 1), values[k]);
  std::vector<QueuedDisc> discs;
  while (select.Step()) {
    QueuedDisc disc;
    disc.id = select.Integer(0);
    disc.drive = select.Text(1);
    disc.cddbId = select.Text(2);
    disc.musicBrainzId = select.Text(3);
    disc.state = StateOf(select.Text(4));
    disc.reason = select.Text(5);
    disc.artist = select.Text(6);
    disc.album = select.Text(7);
    disc.folder = select.Text(8);
    disc.verdict = select.Text(9);
    disc.tracks = select.Text(10);
    disc.releases = select.Text(11);
    disc.started = select.Text(12);
    disc.ended = select.Text(13);
    discs.push_back(disc);
  }
  return discs;
}

std::vector<QueuedDisc> BatchQueue::All() const { return Select("ORDER BY id", {}); }

std::optional<QueuedDisc> BatchQueue::Last(const std::string& drive) const {
  std::vector<QueuedDisc> discs = Select("WHERE drive = ? ORDER BY id DESC LIMIT 1", {drive});
  if (discs.empty()) return std::nullopt;
  return discs.front();
}

bool BatchQueue::DoneBefore(const std::string& cddbId, const std::string& musicBrainzId, std::int64_t except) const {
  return !Select("WHERE state = 'done' AND cddb_id = ? AND musicbrainz_id = ? AND id <> " + std::to_string(except),
                 {cddbId, musicBrainzId})
              .empty();
}

int BatchQueue::FinishedCount(const std::string& drive) const {
  return static_cast<int>(Select("WHERE drive = ? AND state IN ('done', 'rejected')", {drive}).size());
}
