#pragma once
// The options dialog: default output folders, MP3, Ogg, FLAC and Opus options and file naming, kept in
// settings.ini.

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLineEdit;
class QListWidget;
class QTabWidget;
class TIniFile;

class TOptions : public QDialog {
  Q_OBJECT

 public:
  // settings gives the main window's settings object, which may be missing.
  TOptions(QWidget* parent, std::function<TIniFile*()> settings);

  QTabWidget* Pages = nullptr;
  QLineEdit* mp3folder = nullptr;
  QLineEdit* wavfolder = nullptr;
  QLineEdit* oggfolder = nullptr;
  QLineEdit* flacfolder = nullptr;
  QCheckBox* open = nullptr;
  QComboBox* samplerate = nullptr;
  QComboBox* bitrate = nullptr;
  QComboBox* channel = nullptr;
  QCheckBox* copyright = nullptr;
  QCheckBox* crc = nullptr;
  QCheckBox* originalbit = nullptr;
  QCheckBox* privatebit = nullptr;
  QComboBox* cpu = nullptr;
  QComboBox* compr = nullptr;
  QLineEdit* nametemplate = nullptr;
  QCheckBox* windowssafe = nullptr;
  QComboBox* level = nullptr;
  QLineEdit* opusfolder = nullptr;
  QComboBox* opusbitrate = nullptr;
  QComboBox* mp3quality = nullptr;  // "none (CBR)", then the qualities 0 to 9 of a variable bit rate
  // A check box item per format, in the order of the enumeration: written beside the main window's chosen format.
  QListWidget* alsowrite = nullptr;

  void FormActivate();
  void OKClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* BuildFolderPage();
  QHBoxLayout* BuildAlsoWriteRow(QWidget* page);
  QWidget* BuildMp3Page();
  QWidget* BuildOggPage();
  QWidget* BuildNamesPage();
  QWidget* BuildFlacPage();
  QWidget* BuildOpusPage();
  // Without a buddy the caption takes no mnemonic: for a row added once every letter of it was taken.
  QLineEdit* AddFolderRow(QWidget* page, int top, const QString& label, bool buddy = true);
  static void AddLabelled(QGridLayout* grid, int row, const QString& caption, QWidget* control);
  void ReadSettings(TIniFile& settings);
  void ShowMp3Quality(TIniFile& settings);
  void WriteSettings(TIniFile& settings);
  void SettingsFailed();

  std::function<TIniFile*()> FSettings;
};
