#include "tools/Twav2ogg.h"

#include <QComboBox>
#include <QLabel>

Twav2ogg::Twav2ogg(QWidget* parent)
    : TConverterForm(parent, {"WAV to Ogg Converter", QSize(411, 228), "Input WAV File", "*.wav",
                              "Output Ogg File", "*.ogg", "ogg", "PCM WAV"}) {
  cpu = AddChoice("CPU &Usage", 8, 72, {"1", "2", "3"});
  compr = AddChoice("Com&pr. %", 168, 62, {"20", "30", "40", "50", "60", "70", "80", "90"});
  WaveIn1.SetLoop(false);
  VorbisOut1.SetInput(&WaveIn1);
  // Suspended between conversions: a polling worker without a pause, at "CPU Usage" 3, would keep a
  // processor busy for as long as the program runs.
  VorbisOut1.SetSuspendWhenIdle(true);
  VorbisOut1.SetSerial(0);
  VorbisOut1.SetCompression(0.2f);
  WireSink(VorbisOut1);
  cpuChange();
  connect(cpu, &QComboBox::currentIndexChanged, this, &Twav2ogg::cpuChange);
}

QComboBox* Twav2ogg::AddChoice(const QString& caption, int left, int labelWidth, const QStringList& items) {
  auto* label = new QLabel(caption, this);
  label->setGeometry(left, kSettingsTop, labelWidth, 22);
  auto* list = new QComboBox(this);
  list->setGeometry(left + labelWidth + 4, kSettingsTop, 52, 22);
  list->setEditable(false);
  list->addItems(items);
  list->setCurrentIndex(0);
  label->setBuddy(list);
  return list;
}

void Twav2ogg::cpuChange() { VorbisOut1.SetDelay(16 - 5 * cpu->currentText().toInt()); }

void Twav2ogg::ApplySettings() { VorbisOut1.SetCompression(compr->currentText().toFloat() / 100); }
