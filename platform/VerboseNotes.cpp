#include "platform/VerboseNotes.h"

#include <atomic>
#include <mutex>

namespace {

struct Notes {
  std::mutex lock;
  std::function<void(const std::string&)> sink;
  std::atomic<bool> wanted{false};
};

Notes& TheNotes() {
  static Notes notes;
  return notes;
}

}  // namespace

void SetVerboseNotes(std::function<void(const std::string&)> sink) {
  std::lock_guard<std::mutex> guard(TheNotes().lock);
  TheNotes().wanted = static_cast<bool>(sink);
  TheNotes().sink = std::move(sink);
}

bool VerboseNotesWanted() { return TheNotes().wanted; }

void VerboseNote(const std::string& note) {
  if (!VerboseNotesWanted()) return;
  std::lock_guard<std::mutex> guard(TheNotes().lock);
  if (TheNotes().sink) TheNotes().sink(note);
}
