#pragma once
// WAV to MP3 Converter: a WAV file through LAME into an MP3 file at 128 kbit/s.

#include "acs/ACS_LAME.h"
#include "acs/ACS_Wave.h"
#include "tools/TConverterForm.h"

class Twav2mp3 : public TConverterForm {
  Q_OBJECT

 public:
  // Throws EACSException when LAME cannot be loaded: the window cannot exist without it.
  explicit Twav2mp3(QWidget* parent);

  TWaveIn WaveIn1;
  TMP3Out MP3Out1;  // after its source: it goes first

 protected:
  TACSFileIn& Source() override { return WaveIn1; }
  TACSOutput& Sink() override { return MP3Out1; }
  void SetOutputFileName(const std::string& fileName) override { MP3Out1.SetFileName(fileName); }
};
