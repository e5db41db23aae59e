#pragma once
// Ogg to MP3 Converter: an Ogg Vorbis file, decoded, through LAME into an MP3 file at 128 kbit/s.

#include "acs/ACS_LAME.h"
#include "acs/ACS_Vorbis.h"
#include "tools/TConverterForm.h"

class Togg2mp3 : public TConverterForm {
  Q_OBJECT

 public:
  // Throws EACSException when the Ogg Vorbis libraries or LAME cannot be loaded.
  explicit Togg2mp3(QWidget* parent);

  TVorbisIn VorbisIn1;
  TMP3Out MP3Out1;  // after its source: it goes first

 protected:
  TACSFileIn& Source() override { return VorbisIn1; }
  TACSOutput& Sink() override { return MP3Out1; }
  void SetOutputFileName(const std::string& fileName) override { MP3Out1.SetFileName(fileName); }
};
