#pragma once
// The CD audio device of the player, for one drive of the drive list. It plays digitally: the disc is read
// through the CD drive library and heard through the sound card, so it needs no audio cable and plays disc
// images too. Without a sound device it still opens and answers; playing then does nothing.
// Its calls come from one thread; the playing itself runs on threads of its own.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/akrip32/akrip32.h"

class DiscPlayer;

enum class CdAudioMode { NotReady, Stopped, Playing, Recording, Seeking, Paused, Open };

class CdAudioDevice {
 public:
  CdAudioDevice();
  ~CdAudioDevice();
  CdAudioDevice(const CdAudioDevice&) = delete;
  CdAudioDevice& operator=(const CdAudioDevice&) = delete;

  // Opens the device for the drive, shareable: the drive stays free for other readers. The disc is
  // looked for at once and, while there is none, again at each query.
  void Open(const CDREC& drive);
  void Close();
  bool IsOpen() const { return FOpen; }
  // The drive whose table was read (again): the disc is looked for afresh, unless this drive's disc is
  // playing or paused. Another drive stops the playing; the same drive keeps an open door open.
  void SelectDrive(const CDREC& drive);

  // Positions are minute, second and frame from the start of the disc until this is called; from then
  // on track, minute, second and frame within the track.
  void SetTimeFormatTMSF();
  // Asked at every tick of the main window's timer; it also lets go of the sound card once the player
  // has stood stopped for a moment.
  CdAudioMode Mode();
  // The position of what is heard: one field per byte from the lowest.
  std::uint32_t Position();
  int NumberOfTracks();

  // Goes to a position given in the time format (a bare track number is that track's start). Stops
  // playing; false for a position not on an audio track.
  bool Seek(std::uint32_t position);
  // Plays from the current position to the end of the disc's audio; false without a disc or sound device.
  bool Play();
  bool Pause();
  // False when the device is not paused.
  bool Resume();
  bool Stop();
  bool CanEject();
  // Opens the door; the disc is gone until the door is closed.
  bool Eject();
  // The one command string the device knows: "set cdaudio door closed|open [wait]".
  bool SendString(const std::string& command);

 private:
  // The disc in the drive, opened when there is one; false without.
  bool DiscPresent();
  bool Playing() const;
  void ForgetDisc();
  void ReleaseQuietSound();
  bool ReadLayout();
  // Where in the disc the sound is, as a block address.
  std::int32_t CurrentBlock() const;
  // The track holding the block: its index in the layout.
  std::size_t TrackAt(std::int32_t block) const;
  // One past the last block of the audio that plays on from the block (the next data track or the end).
  std::int32_t AudioEnd(std::int32_t block) const;
  bool CloseDoor();

  struct Track {
    int number = 0;
    std::int32_t start = 0;
    bool audio = true;
  };

  bool FOpen = false;
  bool FTmsf = false;
  bool FDoorOpen = false;
  CDREC FDrive{};
  HCDROM FHandle = 0;
  std::vector<Track> FTracks;
  std::int32_t FLeadout = 0;
  std::int32_t FPosition = 0;  // where a stopped device stands
  bool FPaused = false;
  std::unique_ptr<DiscPlayer> FPlayer;  // opened to play, closed a moment after the playing stopped
  std::chrono::steady_clock::time_point FStoppedAt;
};
