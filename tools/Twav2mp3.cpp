#include "tools/Twav2mp3.h"

Twav2mp3::Twav2mp3(QWidget* parent)
    : TConverterForm(parent, {"WAV to MP3 Converter", QSize(410, 193), "Input WAV File", "*.wav",
                              "Output MP3 File", "*.mp3", "mp3", "PCM WAV"}) {
  WaveIn1.SetLoop(false);
  MP3Out1.SetInput(&WaveIn1);
  MP3Out1.SetSuspendWhenIdle(true);
  MP3Out1.SetBitRate(br128);
  WireSink(MP3Out1);
}
