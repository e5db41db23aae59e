#pragma once
// The CD audio device of the player. Until digital playback arrives (issue 11) it opens and closes
// but always reports "not ready", so the player commands do nothing.

#include <cstdint>
#include <string>

enum class CdAudioMode { NotReady, Stopped, Playing, Recording, Seeking, Paused, Open };

class CdAudioDevice {
 public:
  // Opens the device shareable; on failure error holds the platform's text.
  bool Open(std::string& error);
  void Close();
  bool IsOpen() const { return FOpen; }
  void SetTimeFormatTMSF();
  CdAudioMode Mode() const;
  // Track in the lowest byte, then minute, second and frame.
  std::uint32_t Position() const;
  int NumberOfTracks() const;
  void Stop();

 private:
  bool FOpen = false;
};
