#include "acs/ACS_Audio.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>

namespace {

constexpr int kPlaybackBlock = 8192;
constexpr std::int32_t kRecordingBuffers = 4;
// A device that hands back no buffer for this long is taken for dead, so that stopping a playback or a
// recording cannot hang the program. The slowest buffer (16,384 bytes at 8 kHz, 8-bit mono) takes 2 s.
constexpr auto kDeviceSilenceLimit = std::chrono::seconds(5);
constexpr auto kPollInterval = std::chrono::milliseconds(10);

// The platform flags of the standard formats, in the order of the TAudioFormats bits.
constexpr DWORD kFormatFlags[12] = {
    WAVE_FORMAT_1M08, WAVE_FORMAT_1M16, WAVE_FORMAT_1S08, WAVE_FORMAT_1S16,
    WAVE_FORMAT_2M08, WAVE_FORMAT_2M16, WAVE_FORMAT_2S08, WAVE_FORMAT_2S16,
    WAVE_FORMAT_4M08, WAVE_FORMAT_4M16, WAVE_FORMAT_4S08, WAVE_FORMAT_4S16,
};

// Taken once: device numbers are checked against the devices there were when the program started.
std::int32_t OutputDeviceCount() {
  static const std::int32_t count = std::int32_t(waveOutGetNumDevs());
  return count;
}

std::int32_t InputDeviceCount() {
  static const std::int32_t count = std::int32_t(waveInGetNumDevs());
  return count;
}

// The completion queue and the in-flight counter, shared by every sound-card component of the process.
// The device's callback thread appends and counts down; the worker takes off and counts up.
std::mutex QueueLock;
WAVEHDR* QueueHead = nullptr;
WAVEHDR* QueueTail = nullptr;
std::int32_t InFlight = 0;

void WaveProc(WaveDevice*, UINT message, DWORD_PTR, DWORD_PTR param1, DWORD_PTR) {
  if (message != WOM_DONE && message != WIM_DATA) return;
  auto* header = reinterpret_cast<WAVEHDR*>(param1);
  std::lock_guard<std::mutex> guard(QueueLock);
  header->lpNext = nullptr;
  if (QueueTail == nullptr)
    QueueHead = header;
  else
    QueueTail->lpNext = header;
  QueueTail = header;
  --InFlight;
}

std::int32_t InFlightCount() {
  std::lock_guard<std::mutex> guard(QueueLock);
  return InFlight;
}

void CountSubmitted() {
  std::lock_guard<std::mutex> guard(QueueLock);
  ++InFlight;
}

void CountNotSubmitted() {
  std::lock_guard<std::mutex> guard(QueueLock);
  --InFlight;
}

WAVEHDR* TakeReturned() {
  std::lock_guard<std::mutex> guard(QueueLock);
  WAVEHDR* header = QueueHead;
  if (header != nullptr) {
    QueueHead = header->lpNext;
    if (QueueHead == nullptr) QueueTail = nullptr;
  }
  return header;
}

void FreeBuffer(WAVEHDR* header) {
  delete[] header->lpData;
  delete header;
}

WAVEHDR* NewBuffer(int length) {
  auto* header = new WAVEHDR{};
  header->lpData = new char[std::size_t(length)];
  header->dwBufferLength = DWORD(length);
  return header;
}

template <typename Unprepare>
void DrainQueue(WaveDevice* device, Unprepare unprepare) {
  while (WAVEHDR* header = TakeReturned()) {
    if (device != nullptr) unprepare(device, header, UINT(sizeof(WAVEHDR)));
    FreeBuffer(header);
  }
}

void ResetQueue() {
  DrainQueue(nullptr, waveOutUnprepareHeader);
  std::lock_guard<std::mutex> guard(QueueLock);
  InFlight = 0;
}

// Waits until every buffer handed to the device has come back; false when the device went silent.
bool WaitForAllReturned() {
  std::int32_t last = InFlightCount();
  auto lastChange = std::chrono::steady_clock::now();
  while (true) {
    std::int32_t count = InFlightCount();
    if (count <= 0) return true;
    auto now = std::chrono::steady_clock::now();
    if (count != last) {
      last = count;
      lastChange = now;
    } else if (now - lastChange > kDeviceSilenceLimit) {
      return false;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
}

// Waits for the first returned buffer; false when the device delivered none in time.
bool WaitForReturned() {
  auto start = std::chrono::steady_clock::now();
  while (true) {
    {
      std::lock_guard<std::mutex> guard(QueueLock);
      if (QueueHead != nullptr) return true;
    }
    if (std::chrono::steady_clock::now() - start > kDeviceSilenceLimit) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
}

WAVEFORMATEX MakeFormat(int channels, int sampleRate, int bitsPerSample) {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = WORD(channels);
  format.nSamplesPerSec = DWORD(sampleRate);
  format.nBlockAlign = WORD(channels * bitsPerSample / 8);
  format.nAvgBytesPerSec = DWORD(sampleRate) * format.nBlockAlign;
  format.wBitsPerSample = WORD(bitsPerSample);
  return format;
}

constexpr DWORD kOpenFlags = CALLBACK_FUNCTION | WAVE_MAPPED;

void CheckChannel(int channel, std::int32_t count) {
  if (channel < 0 || channel >= count)
    throw EACSException("Channel " + std::to_string(channel) + " is not available");
}

// 16-bit samples are signed, 8-bit samples unsigned around the mid value 128.
void ScaleVolume(char* data, int length, int bitsPerSample, int volume) {
  if (bitsPerSample == 16) {
    for (int i = 0; i + 1 < length; i += 2) {
      std::int16_t sample;
      std::memcpy(&sample, data + i, 2);
      sample = std::int16_t(std::lround(sample * volume / 255.0));
      std::memcpy(data + i, &sample, 2);
    }
    return;
  }
  for (int i = 0; i < length; ++i) {
    int offset = int(std::uint8_t(data[i])) - 128;
    data[i] = char(std::uint8_t(128 + std::lround(offset * volume / 255.0)));
  }
}

}  // namespace

void GetDeviceInfo(int DeviceNumber, bool OutputDevice, TDeviceInfo& Info) {
  std::int32_t count = OutputDevice ? OutputDeviceCount() : InputDeviceCount();
  if (DeviceNumber < 0 || DeviceNumber >= count)
    throw EACSException("Device " + std::to_string(DeviceNumber) + " is not available.");
  char name[MAXPNAMELEN + 1] = {};
  DWORD version = 0, formats = 0;
  WORD channels = 0;
  if (OutputDevice) {
    WAVEOUTCAPSA caps{};
    waveOutGetDevCapsA(UINT(DeviceNumber), &caps, UINT(sizeof(caps)));
    std::memcpy(name, caps.szPname, MAXPNAMELEN);
    version = caps.vDriverVersion, formats = caps.dwFormats, channels = caps.wChannels;
  } else {
    WAVEINCAPSA caps{};
    waveInGetDevCapsA(UINT(DeviceNumber), &caps, UINT(sizeof(caps)));
    std::memcpy(name, caps.szPname, MAXPNAMELEN);
    version = caps.vDriverVersion, formats = caps.dwFormats, channels = caps.wChannels;
  }
  Info.DeviceName = name;
  Info.DriverVersion = version;
  Info.Formats = 0;
  for (int bit = 0; bit < 12; ++bit)
    if ((formats & kFormatFlags[bit]) != 0) Info.Formats |= TAudioFormats(1u << bit);
  Info.Stereo = channels != 1;
}

// ---- TAudioOut ----

TAudioOut::TAudioOut() { SetDelay(6); }

TAudioOut::~TAudioOut() {
  TerminateWorker();
  CloseDevice();
}

void TAudioOut::SetBaseChannel(int channel) {
  if (Busy()) throw EACSException("Component is buisy");
  if (OutputDeviceCount() == 0) {
    FBaseChannel = 0;
    return;
  }
  CheckChannel(channel, OutputDeviceCount());
  FBaseChannel = channel;
}

void TAudioOut::Prepare() {
  FInput->Init();
  ResetQueue();
  // A source that could not open its file has no format and nothing to play: the run ends at once.
  if (FInput->Channels() == 0 || FInput->SampleRate() == 0 || FInput->BitsPerSample() == 0) return;
  WAVEFORMATEX format = MakeFormat(FInput->Channels(), FInput->SampleRate(), FInput->BitsPerSample());
  HWAVEOUT device = nullptr;
  if (waveOutOpen(&device, UINT(FBaseChannel), &format, WaveProc, DWORD_PTR(this), kOpenFlags) !=
      MMSYSERR_NOERROR) {
    FInput->Flush();  // so that the next start can open the input again
    throw EACSException("Cannot open the sound card for playback (device " + std::to_string(FBaseChannel) + ")");
  }
  FDevice = device;
}

bool TAudioOut::DoOutput(bool Abort) {
  if (!Busy()) return true;
  if (Abort || !FOutputting || FDevice == nullptr) return false;
  DrainQueue(FDevice, waveOutUnprepareHeader);
  std::int32_t inFlight = InFlightCount();
  if (inFlight <= FQueueDepth) {
    for (std::int32_t i = 0; i < FQueueDepth - inFlight + 1; ++i)
      if (!SubmitBlock()) return false;
  }
  if (FInput->Size() > 0) {
    bool ignored;
    OutputStepStarts(false, ignored);  // reports a changed Progress
  }
  return true;
}

bool TAudioOut::SubmitBlock() {
  WAVEHDR* header = NewBuffer(kPlaybackBlock);
  int read = FInput->GetData(header->lpData, kPlaybackBlock);
  if (read <= 0) {
    FreeBuffer(header);
    return false;
  }
  if (FVolume < 255) ScaleVolume(header->lpData, read, FInput->BitsPerSample(), FVolume);
  header->dwBufferLength = DWORD(read);
  CountSubmitted();
  if (waveOutPrepareHeader(FDevice, header, UINT(sizeof(WAVEHDR))) != MMSYSERR_NOERROR ||
      waveOutWrite(FDevice, header, UINT(sizeof(WAVEHDR))) != MMSYSERR_NOERROR) {
    CountNotSubmitted();
    FreeBuffer(header);
    SetRunError("Cannot write to the sound card");
    return false;
  }
  return true;
}

void TAudioOut::Done() {
  CloseDevice();
  FInput->Flush();
}

// Lets the queued blocks play out (within the silence limit), then gives the rest back and closes.
void TAudioOut::CloseDevice() {
  if (FDevice == nullptr) return;
  if (!WaitForAllReturned()) waveOutReset(FDevice);
  DrainQueue(FDevice, waveOutUnprepareHeader);
  waveOutClose(FDevice);
  FDevice = nullptr;
}

// ---- TAudioIn ----

TAudioIn::TAudioIn() { FSize = -1; }

TAudioIn::~TAudioIn() {
  if (FDevice == nullptr) return;
  waveInReset(FDevice);
  DrainQueue(FDevice, waveInUnprepareHeader);
  waveInClose(FDevice);
}

void TAudioIn::SetBaseChannel(int channel) {
  if (Busy()) throw EACSException("Component is buisy");
  CheckChannel(channel, InputDeviceCount());
  FBaseChannel = channel;
}

void TAudioIn::Init() {
  if (Busy()) throw EACSException("The component is buisy");
  FBufStart = 1;
  FBufEnd = 0;
  FPosition = 0;
  // A long time at a high rate would not fit the stream's 32-bit sizes: record what fits.
  std::int64_t bytes = std::int64_t(FInBitsPerSample / 8) * FRecTime * FInChannels * FInSampleRate;
  FRecBytes = std::int32_t(std::clamp<std::int64_t>(bytes, 0, std::numeric_limits<std::int32_t>::max()));
  OpenDevice();
  FBusy = true;
  waveInStart(FDevice);
  ResetQueue();
  FSize = FRecBytes;
}

void TAudioIn::OpenDevice() {
  if (FOpenCount == 0) {
    WAVEFORMATEX format = MakeFormat(FInChannels, FInSampleRate, FInBitsPerSample);
    HWAVEIN device = nullptr;
    if (waveInOpen(&device, UINT(FBaseChannel), &format, WaveProc, DWORD_PTR(this), kOpenFlags) !=
        MMSYSERR_NOERROR)
      throw EACSException("Cannot open the sound card for recording (device " + std::to_string(FBaseChannel) + ")");
    FDevice = device;
  }
  ++FOpenCount;
}

int TAudioIn::GetData(void* buffer, int bufferSize) {
  if (!Busy()) throw EACSException("The Stream is not opened");
  if (FPosition >= FRecBytes) return 0;
  while (InFlightCount() < kRecordingBuffers) QueueBuffer();
  if (FBufStart > FBufEnd) {
    FBufStart = 1;
    if (!TakeBuffer()) return 0;
  }
  // The last buffer may reach past the time asked for: the recording stops at that time exactly.
  int count = std::min({bufferSize, FBufEnd - FBufStart + 1, FRecBytes - FPosition});
  std::memcpy(buffer, FBuffer.data() + FBufStart - 1, std::size_t(count));
  FBufStart += count;
  FPosition += count;
  return count;
}

void TAudioIn::QueueBuffer() {
  WAVEHDR* header = NewBuffer(int(FBuffer.size()));
  CountSubmitted();
  if (waveInPrepareHeader(FDevice, header, UINT(sizeof(WAVEHDR))) != MMSYSERR_NOERROR ||
      waveInAddBuffer(FDevice, header, UINT(sizeof(WAVEHDR))) != MMSYSERR_NOERROR) {
    CountNotSubmitted();
    FreeBuffer(header);
    throw EACSException("Cannot record from the sound card");
  }
}

bool TAudioIn::TakeBuffer() {
  if (!WaitForReturned()) return false;
  WAVEHDR* header = TakeReturned();
  FBufEnd = std::int32_t(std::min<DWORD>(header->dwBytesRecorded, DWORD(FBuffer.size())));
  std::memcpy(FBuffer.data(), header->lpData, std::size_t(FBufEnd));
  waveInUnprepareHeader(FDevice, header, UINT(sizeof(WAVEHDR)));
  FreeBuffer(header);
  return FBufEnd > 0;
}

void TAudioIn::Flush() {
  WaitForAllReturned();
  if (FDevice != nullptr) waveInReset(FDevice);
  std::this_thread::sleep_for(kPollInterval);
  DrainQueue(FDevice, waveInUnprepareHeader);
  CloseDevice();
  FBusy = false;
}

void TAudioIn::CloseDevice() {
  if (FOpenCount == 1 && FDevice != nullptr) {
    waveInClose(FDevice);
    FDevice = nullptr;
  }
  if (FOpenCount > 0) --FOpenCount;
}
