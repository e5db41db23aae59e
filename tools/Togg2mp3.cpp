#include "tools/Togg2mp3.h"

Togg2mp3::Togg2mp3(QWidget* parent)
    : TConverterForm(parent, {"Ogg to MP3 Converter", QSize(407, 186), "Input Ogg File", "*.ogg",
                              "Output MP3 File", "*.mp3", "mp3", "Ogg Vorbis"}) {
  VorbisIn1.SetLoop(false);
  MP3Out1.SetInput(&VorbisIn1);
  MP3Out1.SetSuspendWhenIdle(true);
  MP3Out1.SetBitRate(br128);
  WireSink(MP3Out1);
}
