#pragma once
// Ogg to WAV Converter: an Ogg Vorbis file, decoded, into a WAV file.

#include "acs/ACS_Vorbis.h"
#include "acs/ACS_Wave.h"
#include "tools/TConverterForm.h"

class Togg2wav : public TConverterForm {
  Q_OBJECT

 public:
  // Throws EACSException when the Ogg Vorbis libraries cannot be loaded.
  explicit Togg2wav(QWidget* parent);

  TVorbisIn VorbisIn1;
  TWaveOut WaveOut1;  // after its source: it goes first

 protected:
  TACSFileIn& Source() override { return VorbisIn1; }
  TACSOutput& Sink() override { return WaveOut1; }
  void SetOutputFileName(const std::string& fileName) override { WaveOut1.SetFileName(fileName); }
};
