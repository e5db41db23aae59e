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
class QPushButton;
class QSpinBox;
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
  // Online: the lookups' and the checksum databases' servers, and the cover art.
  QLineEdit* cddbserver = nullptr;
  QLineEdit* cddbemail = nullptr;
  QLineEdit* musicbrainzserver = nullptr;
  QComboBox* lookuporder = nullptr;
  QLineEdit* accurateripserver = nullptr;
  QLineEdit* ctdbserver = nullptr;
  QLineEdit* coverartserver = nullptr;
  QComboBox* coverartsize = nullptr;
  QLineEdit* coverartfile = nullptr;
  // Reading: how a rip reads the disc and what it writes besides the tracks.
  QComboBox* readmode = nullptr;
  QLineEdit* readoffset = nullptr;  // of the main window's drive; empty: none set
  QPushButton* detectoffset = nullptr;
  QSpinBox* encoderthreads = nullptr;
  QCheckBox* testandcopy = nullptr;
  QCheckBox* detectgaps = nullptr;
  QCheckBox* deemphasis = nullptr;
  QCheckBox* onefile = nullptr;
  QCheckBox* replaygain = nullptr;
  QCheckBox* playlist = nullptr;
  QCheckBox* eject = nullptr;

  // The identification of the main window's drive, whose read offset the Reading page shows (empty: no
  // drive), and what "Detect…" opens.
  std::function<std::string()> Drive;
  std::function<void()> DetectReadOffset;

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
  QWidget* BuildOnlinePage();
  static void AddPair(QGridLayout* grid, int row, int column, const QString& caption, QWidget* control);
  QWidget* BuildReadingPage();
  void ReadOnlineSettings(TIniFile& settings);
  void ReadReadingSettings(TIniFile& settings);
  void WriteOnlineSettings(TIniFile& settings);
  void WriteReadingSettings(TIniFile& settings);
  bool ReadOffsetAccepted();
  void DetectOffsetClick();
  std::string CurrentDrive() const;

  std::function<TIniFile*()> FSettings;
};
