#include "tools/Togg2wav.h"

Togg2wav::Togg2wav(QWidget* parent)
    : TConverterForm(parent, {"Ogg to WAV Converter", QSize(407, 190), "Input Ogg File", "*.ogg",
                              "Output WAV File", "*.wav", "wav", "Ogg Vorbis"}) {
  VorbisIn1.SetLoop(false);
  WaveOut1.SetInput(&VorbisIn1);
  WaveOut1.SetSuspendWhenIdle(true);
  WireSink(WaveOut1);
}
