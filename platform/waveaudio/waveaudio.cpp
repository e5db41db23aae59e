#include "platform/waveaudio/waveaudio.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/dynlib/DynamicLibrary.h"

struct WaveDevice {
  SDL_AudioDeviceID id = 0;
  bool capture = false;
  WaveCallback callback = nullptr;
  DWORD_PTR instance = 0;
  std::mutex lock;
  std::deque<WAVEHDR*> queued;
  DWORD offset = 0;  // bytes of the first queued buffer already played
  std::uint8_t silence = 0;
  int silentCallbacks = 0;  // callbacks in a row that found no buffer: the audio before them has gone out
  bool dropped = false;     // reset or paused: what is still in the device need not be heard
};

namespace {

// SDL is bound by name at run time: through the sound server's library it needs the Ogg Vorbis libraries,
// and the program must start without those to say which one is missing. Without SDL there is no device.
struct SdlEntries {
  decltype(&::SDL_SetHint) SDL_SetHint = nullptr;
  decltype(&::SDL_InitSubSystem) SDL_InitSubSystem = nullptr;
  decltype(&::SDL_GetVersion) SDL_GetVersion = nullptr;
  decltype(&::SDL_GetNumAudioDevices) SDL_GetNumAudioDevices = nullptr;
  decltype(&::SDL_GetAudioDeviceName) SDL_GetAudioDeviceName = nullptr;
  decltype(&::SDL_GetAudioDeviceSpec) SDL_GetAudioDeviceSpec = nullptr;
  decltype(&::SDL_OpenAudioDevice) SDL_OpenAudioDevice = nullptr;
  decltype(&::SDL_PauseAudioDevice) SDL_PauseAudioDevice = nullptr;
  decltype(&::SDL_LockAudioDevice) SDL_LockAudioDevice = nullptr;
  decltype(&::SDL_UnlockAudioDevice) SDL_UnlockAudioDevice = nullptr;
  decltype(&::SDL_CloseAudioDevice) SDL_CloseAudioDevice = nullptr;
};

SdlEntries gSdl;

#define RESOLVE(name) library.Resolve(#name, gSdl.name, complete)

bool BindSdl() {
  static DynamicLibrary library;
  bool complete = library.Load("libSDL2-2.0.so.0");
  RESOLVE(SDL_SetHint);
  RESOLVE(SDL_InitSubSystem);
  RESOLVE(SDL_GetVersion);
  RESOLVE(SDL_GetNumAudioDevices);
  RESOLVE(SDL_GetAudioDeviceName);
  RESOLVE(SDL_GetAudioDeviceSpec);
  RESOLVE(SDL_OpenAudioDevice);
  RESOLVE(SDL_PauseAudioDevice);
  RESOLVE(SDL_LockAudioDevice);
  RESOLVE(SDL_UnlockAudioDevice);
  RESOLVE(SDL_CloseAudioDevice);
  return complete;
}

#undef RESOLVE

// SDL's audio subsystem alone; false when no audio driver could start (no SDL, no sound server, no card).
// SDL would otherwise take over SIGINT and SIGTERM, and the program would no longer end on them.
bool AudioStarted() {
  static const bool started = [] {
    if (!BindSdl()) return false;
    gSdl.SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    return gSdl.SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  }();
  return started;
}

UINT DeviceCount(bool capture) {
  if (!AudioStarted()) return 0;
  return UINT(std::max(0, gSdl.SDL_GetNumAudioDevices(capture ? 1 : 0)));
}

DWORD DriverVersion() {
  SDL_version version;
  gSdl.SDL_GetVersion(&version);
  return DWORD(version.major) << 8 | version.minor;
}

// SDL converts between the stream's format and the device's, so every standard format can be taken.
constexpr DWORD kAllFormats = 0xFFF;

template <typename Caps>
MMRESULT DeviceCaps(bool capture, UINT deviceId, Caps* caps, UINT size) {
  if (caps == nullptr || size < sizeof(Caps)) return MMSYSERR_INVALPARAM;
  if (deviceId >= DeviceCount(capture)) return MMSYSERR_BADDEVICEID;
  std::memset(caps, 0, sizeof(Caps));
  const char* name = gSdl.SDL_GetAudioDeviceName(int(deviceId), capture ? 1 : 0);
  if (name != nullptr) std::strncpy(caps->szPname, name, MAXPNAMELEN - 1);
  caps->vDriverVersion = DriverVersion();
  caps->dwFormats = kAllFormats;
  SDL_AudioSpec deviceFormat;
  caps->wChannels = 2;
  if (gSdl.SDL_GetAudioDeviceSpec(int(deviceId), capture ? 1 : 0, &deviceFormat) == 0 && deviceFormat.channels == 1) caps->wChannels = 1;
  return MMSYSERR_NOERROR;
}

void Complete(WaveDevice* device, WAVEHDR* header) {
  header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
  device->callback(device, device->capture ? WIM_DATA : WOM_DONE, device->instance, DWORD_PTR(header), 0);
}

// Takes the buffers that are finished off the queue; the callback is raised outside the lock.
void PlaybackCallback(void* userdata, Uint8* stream, int length) {
  auto* device = static_cast<WaveDevice*>(userdata);
  std::vector<WAVEHDR*> finished;
  {
    std::lock_guard<std::mutex> guard(device->lock);
    int filled = 0;
    while (filled < length && !device->queued.empty()) {
      WAVEHDR* header = device->queued.front();
      DWORD count = std::min<DWORD>(header->dwBufferLength - device->offset, DWORD(length - filled));
      std::memcpy(stream + filled, header->lpData + device->offset, count);
      filled += int(count);
      device->offset += count;
      if (device->offset == header->dwBufferLength) {
        finished.push_back(header);
        device->queued.pop_front();
        device->offset = 0;
      }
    }
    if (filled < length) std::memset(stream + filled, device->silence, std::size_t(length - filled));
    device->silentCallbacks = filled == 0 ? device->silentCallbacks + 1 : 0;
  }
  for (WAVEHDR* header : finished) Complete(device, header);
}

void CaptureCallback(void* userdata, Uint8* stream, int length) {
  auto* device = static_cast<WaveDevice*>(userdata);
  std::vector<WAVEHDR*> finished;
  {
    std::lock_guard<std::mutex> guard(device->lock);
    int taken = 0;
    while (taken < length && !device->queued.empty()) {
      WAVEHDR* header = device->queued.front();
      DWORD count = std::min<DWORD>(header->dwBufferLength - header->dwBytesRecorded, DWORD(length - taken));
      std::memcpy(header->lpData + header->dwBytesRecorded, stream + taken, count);
      taken += int(count);
      header->dwBytesRecorded += count;
      if (header->dwBytesRecorded == header->dwBufferLength) {
        finished.push_back(header);
        device->queued.pop_front();
      }
    }
    // Audio that arrives with no buffer queued is lost, as with any recording device.
  }
  for (WAVEHDR* header : finished) Complete(device, header);
}

MMRESULT Open(bool capture, WaveDevice** result, UINT deviceId, const WAVEFORMATEX* format, WaveCallback callback,
              DWORD_PTR instance) {
  if (result == nullptr || format == nullptr || callback == nullptr) return MMSYSERR_INVALPARAM;
  if (deviceId >= DeviceCount(capture)) return MMSYSERR_BADDEVICEID;
  bool known = format->wFormatTag == WAVE_FORMAT_PCM && (format->wBitsPerSample == 8 || format->wBitsPerSample == 16) &&
               (format->nChannels == 1 || format->nChannels == 2) && format->nSamplesPerSec > 0;
  if (!known) return WAVERR_BADFORMAT;
  auto device = std::make_unique<WaveDevice>();
  device->capture = capture;
  device->callback = callback;
  device->instance = instance;
  device->silence = format->wBitsPerSample == 8 ? 0x80 : 0;
  SDL_AudioSpec wanted{};
  wanted.freq = int(format->nSamplesPerSec);
  wanted.format = format->wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
  wanted.channels = Uint8(format->nChannels);
  wanted.samples = 1024;
  wanted.callback = capture ? CaptureCallback : PlaybackCallback;
  wanted.userdata = device.get();
  const char* name = gSdl.SDL_GetAudioDeviceName(int(deviceId), capture ? 1 : 0);
  SDL_AudioSpec obtained;
  device->id = gSdl.SDL_OpenAudioDevice(name, capture ? 1 : 0, &wanted, &obtained, 0);
  if (device->id == 0) return MMSYSERR_ERROR;
  // Playback runs from the open on and plays silence until buffers arrive; recording waits for waveInStart.
  if (!capture) gSdl.SDL_PauseAudioDevice(device->id, 0);
  *result = device.release();
  return MMSYSERR_NOERROR;
}

MMRESULT Prepare(WaveDevice* device, WAVEHDR* header, UINT size) {
  if (device == nullptr) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  header->dwFlags |= WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT Unprepare(WaveDevice* device, WAVEHDR* header, UINT size) {
  if (device == nullptr) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  if ((header->dwFlags & WHDR_INQUEUE) != 0) return MMSYSERR_ERROR;
  header->dwFlags &= ~WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT Queue(WaveDevice* device, WAVEHDR* header, UINT size) {
  if (device == nullptr) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  if ((header->dwFlags & WHDR_PREPARED) == 0) return WAVERR_UNPREPARED;
  std::lock_guard<std::mutex> guard(device->lock);
  header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
  if (device->capture) header->dwBytesRecorded = 0;
  device->queued.push_back(header);
  device->dropped = false;
  return MMSYSERR_NOERROR;
}

// Stops the device's callback and hands back every queued buffer.
MMRESULT Reset(WaveDevice* device) {
  if (device == nullptr) return MMSYSERR_INVALHANDLE;
  std::deque<WAVEHDR*> returned;
  gSdl.SDL_LockAudioDevice(device->id);
  {
    std::lock_guard<std::mutex> guard(device->lock);
    returned.swap(device->queued);
    device->offset = 0;
    device->dropped = true;
  }
  gSdl.SDL_UnlockAudioDevice(device->id);
  for (WAVEHDR* header : returned) Complete(device, header);
  return MMSYSERR_NOERROR;
}

// A paused device plays silence (or records nothing) until it goes on.
MMRESULT SetPaused(WaveDevice* device, bool paused) {
  if (device == nullptr) return MMSYSERR_INVALHANDLE;
  gSdl.SDL_PauseAudioDevice(device->id, paused ? 1 : 0);
  std::lock_guard<std::mutex> guard(device->lock);
  device->dropped = paused;
  return MMSYSERR_NOERROR;
}

// A buffer counts as done once the device has taken its last byte, which it has not played yet: before
// the device closes, a few periods of silence must follow, or the end of the sound would be cut off.
void WaitUntilPlayedOut(WaveDevice* device) {
  constexpr int kSilentPeriods = 3;
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (std::chrono::steady_clock::now() < until) {
    {
      std::lock_guard<std::mutex> guard(device->lock);
      if (device->dropped || !device->queued.empty() || device->silentCallbacks >= kSilentPeriods) return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

MMRESULT Close(WaveDevice* device) {
  if (device == nullptr) return MMSYSERR_INVALHANDLE;
  if (!device->capture) WaitUntilPlayedOut(device);
  gSdl.SDL_CloseAudioDevice(device->id);  // waits for a callback under way
  delete device;
  return MMSYSERR_NOERROR;
}

}  // namespace

UINT waveOutGetNumDevs() { return DeviceCount(false); }

MMRESULT waveOutGetDevCapsA(UINT deviceId, WAVEOUTCAPSA* caps, UINT size) {
  return DeviceCaps(false, deviceId, caps, size);
}

MMRESULT waveOutOpen(HWAVEOUT* device, UINT deviceId, const WAVEFORMATEX* format, WaveCallback callback,
                     DWORD_PTR instance, DWORD) {
  return Open(false, device, deviceId, format, callback, instance);
}

MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size) { return Prepare(device, header, size); }
MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size) {
  return Unprepare(device, header, size);
}
MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT size) { return Queue(device, header, size); }
MMRESULT waveOutPause(HWAVEOUT device) { return SetPaused(device, true); }
MMRESULT waveOutRestart(HWAVEOUT device) { return SetPaused(device, false); }

MMRESULT waveOutReset(HWAVEOUT device) { return Reset(device); }
MMRESULT waveOutClose(HWAVEOUT device) { return Close(device); }

UINT waveInGetNumDevs() { return DeviceCount(true); }

MMRESULT waveInGetDevCapsA(UINT deviceId, WAVEINCAPSA* caps, UINT size) {
  return DeviceCaps(true, deviceId, caps, size);
}

MMRESULT waveInOpen(HWAVEIN* device, UINT deviceId, const WAVEFORMATEX* format, WaveCallback callback,
                    DWORD_PTR instance, DWORD) {
  return Open(true, device, deviceId, format, callback, instance);
}

MMRESULT waveInPrepareHeader(HWAVEIN device, WAVEHDR* header, UINT size) { return Prepare(device, header, size); }
MMRESULT waveInUnprepareHeader(HWAVEIN device, WAVEHDR* header, UINT size) { return Unprepare(device, header, size); }
MMRESULT waveInAddBuffer(HWAVEIN device, WAVEHDR* header, UINT size) { return Queue(device, header, size); }

MMRESULT waveInStart(HWAVEIN device) { return SetPaused(device, false); }

MMRESULT waveInReset(HWAVEIN device) {
  MMRESULT result = SetPaused(device, true);
  return result == MMSYSERR_NOERROR ? Reset(device) : result;
}

MMRESULT waveInClose(HWAVEIN device) { return Close(device); }
