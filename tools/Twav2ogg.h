#pragma once
// WAV to Ogg Converter: a WAV file into an Ogg Vorbis file, with the quality and the processor load
// chosen in the window.

#include "acs/ACS_Vorbis.h"
#include "acs/ACS_Wave.h"
#include "tools/TConverterForm.h"

class QComboBox;

class Twav2ogg : public TConverterForm {
  Q_OBJECT

 public:
  // Throws EACSException when the Ogg Vorbis libraries cannot be loaded.
  explicit Twav2ogg(QWidget* parent);

  QComboBox* cpu = nullptr;
  QComboBox* compr = nullptr;
  TWaveIn WaveIn1;
  TVorbisOut VorbisOut1;  // after its source: it goes first

  // A lower "CPU Usage" pauses longer before each block: less load, a slower conversion.
  void cpuChange();

 protected:
  TACSFileIn& Source() override { return WaveIn1; }
  TACSOutput& Sink() override { return VorbisOut1; }
  void SetOutputFileName(const std::string& fileName) override { VorbisOut1.SetFileName(fileName); }
  void ApplySettings() override;

 private:
  QComboBox* AddChoice(const QString& caption, int left, int labelWidth, const QStringList& items);
};
