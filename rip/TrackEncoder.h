#pragma once
// One output format of a rip: turns a track, read into a temporary CD audio WAV file, into the file the user
// keeps. The job runs several encodings at once, each on a thread of its own, so an encoder keeps no state
// between calls and reaches no window.

#include <atomic>
#include <functional>
#include <string>

#include "cd/DiscMetadata.h"
#include "rip/ReplayGain.h"

struct EncodeResult {
  enum class Status { Done, Cancelled, Failed };
  Status status = Status::Done;
  std::string error;          // Failed: the text of the encoder's error box
  bool closesWindow = false;  // Failed before anything was encoded: the window goes with the box
};

class TrackEncoder {
 public:
  virtual ~TrackEncoder() = default;
  // Writes outputPath from the WAV file at wavPath. An earlier file of that name is replaced only by a complete
  // one; it stays when the encoding is cancelled or fails. The job chose the name: a link there is followed
  // only when it is the user's or root's. progress gets 0 to 100 as the encoding goes; cancel
  // is looked at between blocks. A file that cannot be opened, created or written throws EStreamError.
  virtual EncodeResult Encode(const std::string& wavPath, const std::string& outputPath, const TrackTags& tags,
                              const std::function<void(int)>& progress, const std::atomic<bool>& cancel) const = 0;
  // Adds the album's ReplayGain to a file this encoder finished, known only once every track is read; the
  // file is replaced only by a complete new one. Empty when done, else why not.
  virtual std::string AddAlbumGain(const std::string& outputPath, const GainValues& album) const;
};
