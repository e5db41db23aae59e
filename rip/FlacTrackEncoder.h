#pragma once
// Encodes one ripped track, waiting in its temporary WAV file, into its FLAC file. Each call has encoder and
// files of its own, so tracks may be encoded on several threads at once.

#include <functional>
#include <string>
#include <vector>

struct FlacTrack {
  std::string wavPath;
  std::string flacPath;
  int level = 5;                      // 0 (fastest) to 8 (smallest)
  std::vector<std::string> comments;  // NAME=VALUE
};

enum class TrackEncodeEnd { Done, Cancelled, Failed };

struct TrackEncodeResult {
  TrackEncodeEnd end = TrackEncodeEnd::Done;
  std::string error;  // why it failed
};

// Returns when the file is written, the encoding failed, or cancelled() answered true; meanwhile it calls, on
// the calling thread, progress with the percentage encoded whenever that changes and cancelled at least every
// 20 ms. A cancelled or failed track leaves any earlier file of that name as it was.
TrackEncodeResult EncodeFlacTrack(const FlacTrack& track, const std::function<void(int percent)>& progress,
                                  const std::function<bool()>& cancelled);
