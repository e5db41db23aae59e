#include "platform/cdaudio/CdAudioDevice.h"

bool CdAudioDevice::Open(std::string&) {
  FOpen = true;
  return true;
}

void CdAudioDevice::Close() { FOpen = false; }

void CdAudioDevice::SetTimeFormatTMSF() {}

CdAudioMode CdAudioDevice::Mode() const { return CdAudioMode::NotReady; }

std::uint32_t CdAudioDevice::Position() const { return 0; }

int CdAudioDevice::NumberOfTracks() const { return 0; }

void CdAudioDevice::Stop() {}
