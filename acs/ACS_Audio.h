#pragma once
// The sound card: TAudioOut plays the PCM of its input, TAudioIn records PCM for a set time.
// Both hand buffers to the waveOut/waveIn services and take them back from one process-wide completion
// queue, so only one of them may run at a time.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "acs/ACS_Classes.h"
#include "platform/waveaudio/waveaudio.h"

// Bits of TDeviceInfo::Formats: 11.025, 22.05 and 44.1 kHz, each as mono 8-bit, mono 16-bit, stereo 8-bit
// and stereo 16-bit, in that order.
using TAudioFormats = std::uint16_t;

struct TDeviceInfo {
  std::string DeviceName;
  std::uint32_t DriverVersion = 0;
  TAudioFormats Formats = 0;
  bool Stereo = false;
};

// Fills Info for a playback (OutputDevice true) or recording device; throws EACSException
// "Device N is not available." for a number the sound card does not have.
void GetDeviceInfo(int DeviceNumber, bool OutputDevice, TDeviceInfo& Info);

class TAudioOut : public TACSOutput {
 public:
  TAudioOut();
  ~TAudioOut() override;

  int BaseChannel() const { return FBaseChannel; }
  void SetBaseChannel(int channel);
  std::uint8_t Volume() const { return FVolume; }
  void SetVolume(std::uint8_t volume) { FVolume = volume; }

 protected:
  void Prepare() override;
  bool DoOutput(bool Abort) override;
  void Done() override;

 private:
  // Reads the next block from the input and hands it to the device; false at the end of the input.
  bool SubmitBlock();
  void CloseDevice();

  int FBaseChannel = 0;
  std::atomic<std::uint8_t> FVolume{255};
  HWAVEOUT FDevice = nullptr;
  std::int32_t FQueueDepth = 8;
};

class TAudioIn : public TACSInput {
 public:
  TAudioIn();
  ~TAudioIn() override;

  int GetBitsPerSample() override { return FInBitsPerSample; }
  int GetChannels() override { return FInChannels; }
  int GetSampleRate() override { return FInSampleRate; }
  int GetTotalTime() override { return FRecTime; }
  int GetData(void* buffer, int bufferSize) override;
  void Init() override;
  void Flush() override;

  int BaseChannel() const { return FBaseChannel; }
  void SetBaseChannel(int channel);
  int InBitsPerSample() const { return FInBitsPerSample; }
  void SetInBitsPerSample(int bits) { FInBitsPerSample = bits; }
  int InChannels() const { return FInChannels; }
  void SetInChannels(int channels) { FInChannels = channels; }
  int InSampleRate() const { return FInSampleRate; }
  void SetInSampleRate(int rate) { FInSampleRate = rate; }
  int RecTime() const { return FRecTime; }
  void SetRecTime(int seconds) { FRecTime = seconds; }

 private:
  void QueueBuffer();
  // Takes the next recorded buffer into the block buffer; false when the device delivered none in time.
  bool TakeBuffer();
  void OpenDevice();
  void CloseDevice();

  int FBaseChannel = 0;
  HWAVEIN FDevice = nullptr;
  int FInBitsPerSample = 8;
  int FInChannels = 1;
  int FInSampleRate = 8000;
  std::array<std::uint8_t, 16384> FBuffer{};
  std::int32_t FOpenCount = 0;
  int FRecTime = 600;
  std::int32_t FRecBytes = 0;
};
