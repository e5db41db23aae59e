#pragma once
// Plays stretches of a disc through the sound card. For each stretch a thread of its own reads the disc 25
// blocks at a time and queues the audio with the first sound device; the device hands each buffer back
// when it has been played, which is how the position of what is heard is known. The sound device stays
// open from one stretch to the next: closing it waits for the sound server, opening it does not.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/akrip32/akrip32.h"
#include "platform/waveaudio/waveaudio.h"

class DiscPlayer {
 public:
  // nullptr when no sound device can be opened.
  static std::unique_ptr<DiscPlayer> Open();
  ~DiscPlayer();
  DiscPlayer(const DiscPlayer&) = delete;
  DiscPlayer& operator=(const DiscPlayer&) = delete;

  // Plays the blocks [from, to) of an open disc, in place of what was playing.
  void Play(HCDROM handle, std::int32_t from, std::int32_t to);
  // Silences the sound at once and ends the stretch.
  void Stop();
  void Pause();
  void Resume();
  // A stretch was started and not stopped.
  bool Active() const { return FReader.joinable(); }
  // True once the stretch was played to its end, or the disc stopped giving audio.
  bool Finished() const;
  // The block being heard now; once finished, where playing stopped.
  std::int32_t HeardBlock() const;

 private:
  struct Buffer {
    WAVEHDR header{};
    std::vector<char> bytes;
    std::int32_t block = 0;  // the disc block its audio starts with
    std::int32_t blocks = 0;
  };

  DiscPlayer();
  void ReadAndQueue();
  // Waits for a buffer that is not queued; nullptr once the stretch is stopped.
  Buffer* FreeBuffer();
  // Reads the next blocks into the buffer; false when the disc gave nothing.
  bool Fill(Buffer& buffer);
  void WaitUntilPlayed();
  static void BufferPlayed(WaveDevice* device, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2);

  HWAVEOUT FSound = nullptr;
  std::vector<Buffer> FBuffers;
  std::unique_ptr<TRACKBUF> FRead = std::make_unique<TRACKBUF>();
  std::thread FReader;
  // The stretch, read by its thread.
  HCDROM FHandle = 0;
  std::int32_t FNext = 0;  // the next block to read
  std::int32_t FEnd = 0;
  // Shared with the sound device's thread.
  mutable std::mutex FLock;
  std::condition_variable FChanged;
  std::deque<Buffer*> FQueued;  // in the order the sound device plays them
  std::int32_t FHeard = 0;
  bool FStopping = false;
  bool FFinished = false;
};
