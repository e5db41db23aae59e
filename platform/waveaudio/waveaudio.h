#pragma once
// The waveOut/waveIn services over SDL2 audio: buffers queued with a device come back one by one through
// the device's callback, on SDL's audio thread, in the order they were queued.

#include <cstdint>

using DWORD = std::uint32_t;
using DWORD_PTR = std::uintptr_t;
using UINT = unsigned int;
using WORD = std::uint16_t;
using MMRESULT = UINT;

struct WaveDevice;
using HWAVEOUT = WaveDevice*;
using HWAVEIN = WaveDevice*;

struct WAVEHDR {
  char* lpData;
  DWORD dwBufferLength;
  DWORD dwBytesRecorded;
  DWORD_PTR dwUser;
  DWORD dwFlags;
  DWORD dwLoops;
  WAVEHDR* lpNext;
  DWORD_PTR reserved;
};
using LPWAVEHDR = WAVEHDR*;

struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
};

constexpr int MAXPNAMELEN = 32;

struct WAVEOUTCAPSA {
  WORD wMid;
  WORD wPid;
  DWORD vDriverVersion;
  char szPname[MAXPNAMELEN];
  DWORD dwFormats;
  WORD wChannels;
  WORD wReserved1;
  DWORD dwSupport;
};

struct WAVEINCAPSA {
  WORD wMid;
  WORD wPid;
  DWORD vDriverVersion;
  char szPname[MAXPNAMELEN];
  DWORD dwFormats;
  WORD wChannels;
  WORD wReserved1;
};

// Called with the device, the message, the instance data given to the open call and, for WOM_DONE and
// WIM_DATA, the returned header as first parameter. It must not call back into this unit.
using WaveCallback = void (*)(WaveDevice* device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                              DWORD_PTR param2);

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT WAVERR_BADFORMAT = 32;
constexpr MMRESULT WAVERR_UNPREPARED = 34;

constexpr UINT WAVE_FORMAT_PCM = 1;
constexpr DWORD CALLBACK_FUNCTION = 0x30000;
constexpr DWORD WAVE_MAPPED = 0x4;

constexpr UINT WOM_OPEN = 955;
constexpr UINT WOM_CLOSE = 956;
constexpr UINT WOM_DONE = 957;
constexpr UINT WIM_OPEN = 958;
constexpr UINT WIM_CLOSE = 959;
constexpr UINT WIM_DATA = 960;

constexpr DWORD WHDR_DONE = 0x1;
constexpr DWORD WHDR_PREPARED = 0x2;
constexpr DWORD WHDR_INQUEUE = 0x10;

constexpr DWORD WAVE_FORMAT_1M08 = 0x1;
constexpr DWORD WAVE_FORMAT_1S08 = 0x2;
constexpr DWORD WAVE_FORMAT_1M16 = 0x4;
constexpr DWORD WAVE_FORMAT_1S16 = 0x8;
constexpr DWORD WAVE_FORMAT_2M08 = 0x10;
constexpr DWORD WAVE_FORMAT_2S08 = 0x20;
constexpr DWORD WAVE_FORMAT_2M16 = 0x40;
constexpr DWORD WAVE_FORMAT_2S16 = 0x80;
constexpr DWORD WAVE_FORMAT_4M08 = 0x100;
constexpr DWORD WAVE_FORMAT_4S08 = 0x200;
constexpr DWORD WAVE_FORMAT_4M16 = 0x400;
constexpr DWORD WAVE_FORMAT_4S16 = 0x800;

UINT waveOutGetNumDevs();
MMRESULT waveOutGetDevCapsA(UINT deviceId, WAVEOUTCAPSA* caps, UINT size);
MMRESULT waveOutOpen(HWAVEOUT* device, UINT deviceId, const WAVEFORMATEX* format, WaveCallback callback,
                     DWORD_PTR instance, DWORD flags);
MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size);
MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size);
MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT size);
// Holds playback where it is; waveOutRestart goes on from there.
MMRESULT waveOutPause(HWAVEOUT device);
MMRESULT waveOutRestart(HWAVEOUT device);
// Returns every queued buffer at once, as done.
MMRESULT waveOutReset(HWAVEOUT device);
MMRESULT waveOutClose(HWAVEOUT device);

UINT waveInGetNumDevs();
MMRESULT waveInGetDevCapsA(UINT deviceId, WAVEINCAPSA* caps, UINT size);
MMRESULT waveInOpen(HWAVEIN* device, UINT deviceId, const WAVEFORMATEX* format, WaveCallback callback,
                    DWORD_PTR instance, DWORD flags);
MMRESULT waveInPrepareHeader(HWAVEIN device, WAVEHDR* header, UINT size);
MMRESULT waveInUnprepareHeader(HWAVEIN device, WAVEHDR* header, UINT size);
MMRESULT waveInAddBuffer(HWAVEIN device, WAVEHDR* header, UINT size);
MMRESULT waveInStart(HWAVEIN device);
// Stops recording and returns every queued buffer with what it holds so far.
MMRESULT waveInReset(HWAVEIN device);
MMRESULT waveInClose(HWAVEIN device);
