#pragma once
// The main window: drives, the disc's tracks, the output format and folder, the player and the menus.

#include <QDeadlineTimer>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

#include "app/Forms.h"
#include "app/StatusLine.h"
#include "cd/CdDrives.h"
#include "cd/CddbLookup.h"
#include "cd/MusicBrainzLookup.h"
#include "cd/ReadOffsetDetection.h"
#include "platform/cdaudio/CdAudioDevice.h"
#include "platform/inifile/TIniFile.h"
#include "rip/RipJob.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class EdgeAnchors;

class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TMainForm(QWidget* parent = nullptr);
  ~TMainForm() override;

  // Controls other windows and the tests work with.
  QTreeWidget* ListView1 = nullptr;
  QLineEdit* spSkinEdit1 = nullptr;
  QRadioButton* mp3check = nullptr;
  QRadioButton* wavcheck = nullptr;
  QRadioButton* oggcheck = nullptr;
  QRadioButton* flaccheck = nullptr;
  QRadioButton* opuscheck = nullptr;
  QComboBox* spCDROMlist = nullptr;
  StatusLine* spSLMsgOut = nullptr;
  QCheckBox* spSkinCheckRadioBox1 = nullptr;
  QTimer* Timer1 = nullptr;
  QPushButton* RipButton = nullptr;

  CdDrives& Drives() { return FDrives; }
  bool DeviceFlag() const { return FDeviceFlag; }
  TIniFile* Settings() const { return FSettings.get(); }
  OutputFormat CurrentFormat() const;
  // What a rip takes from this window: format, folder, rows, their start blocks and the drive.
  RipInput RipJobInput() const;
  void UncheckRow(std::size_t row);
  // Selects the drive the program was started with, as if the user had chosen it; a source no drive of the
  // list stands for is named in the status line.
  void SelectStartDrive(const std::string& source);

  void SetForms(const TForms& forms) { FForms = forms; }
  const TForms& Forms() const { return FForms; }

  void Timer1Timer();
  void spCDROMlistChange(int index);
  void RefreshClick();
  // Reads the current drive's table of contents into the track list.
  void GetTrackList();
  // The CD player's commands.
  void Play1Click();
  void Pause1Click();
  void Resume1Click();
  void Stop1Click();
  void Next1Click();
  void Previous1Click();
  void EjectCloseCDROM1Click();
  CdAudioDevice& Player() { return MediaPlayer1; }
  void spSkinCheckRadioBox1Click();
  void SelectAll1Click();
  void UnselectAll1Click();
  void FormatClick(OutputFormat format);
  void spSkinButtonFolderClick();
  void ListView1DblClick();
  void Rip1Click();
  void Options1Click();
  void ID3Editor1Click();
  void WAVMixer1Click();
  void SoundRecorder1Click();
  void OggPlayer1Click();
  void WAVtoMP31Click();
  void WAVtoOgg1Click();
  void OggtoWAV1Click();
  void OggtoMP31Click();
  // The CDDB button and Tools > "CD Information (CDDB)".
  void CDInformation1Click();
  // Reads the disc afresh and looks it up in CDDB; answers the CD information dialog's new texts.
  std::optional<CdInformation> GetTrackList_cddb();
  // Tools > "MusicBrainz Lookup": reads the disc afresh and names and tags its tracks after MusicBrainz.
  void MusicBrainz1Click();
  // CD Player > "Detect Read Offset...": the player rests while the window reads the disc.
  void DetectReadOffset1Click();
  // The drive and disc the detection reads (the disc is read first when the list shows none).
  ReadOffsetRequest ReadOffsetInput();
  // Tools > "Batch Rip...": several drives ripped unattended.
  void BatchRip1Click();
  // Picks one of several releases: the index, or -1 for none. Tests replace the dialog.
  std::function<int(const std::vector<MusicBrainzRelease>&)> ChooseRelease;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildPlayerBar(QWidget* client);
  void BuildFormatBar(QWidget* client);
  void BuildTrackList(QWidget* client);
  void BuildStatusBar(QWidget* client);
  void BuildMenus();
  void BuildKeys();
  // From its first showing on the window may grow beyond its first size, to the size it had when last closed.
  void AllowGrowth();
  void RememberSize();
  void ShowCheckAll();
  QToolButton* AddPlayerButton(QWidget* client, int index, const QString& hint, int standardIcon,
                               void (TMainForm::*command)());
  void FormCreate();
  void FormActivate();
  void FillTrackList(const std::vector<TrackRow>& rows);
  // Renames the rows after a lookup's data and keeps that data for the tags.
  void NameAfter(const DiscMetadata& metadata);
  // Names the rows after the release chosen from MusicBrainz and shows its album in the CD information dialog.
  void ShowAlbum(const DiscMetadata& metadata);
  void SelectFirstRow();
  void ShowStatus(const QString& text, const QString& reason = QString());
  // The folder setting of a format; when it is empty, the fallback folder in the program folder.
  // Without the key (settings from before FLAC) the folder is the output root, or the fallback when
  // rootWhenMissing is false.
  QString FormatFolder(const char* key, const char* fallback, bool rootWhenMissing = true);
  QTreeWidgetItem* FirstSelectedRow() const;
  // The player takes commands only with a drive and a disc it can play.
  bool PlayerReady();
  void OpenPlayer();
  // Plays from the start of a row's track.
  void PlayRow(int row);
  // Moves the selection by one row, round the ends, and plays the row's track.
  void SkipTo(int step);

  CdDrives FDrives;
  CdAudioDevice MediaPlayer1;
  bool FDeviceFlag = false;
  bool FActivated = false;
  std::string FOutputRoot;  // where the output folders go when the settings name none
  QString FLoggedReason;
  QDeadlineTimer FStatusHeld;  // a message of the window's own, kept from the timer's status texts
  std::string FProgramFolder;
  std::unique_ptr<TIniFile> FSettings;
  // The last lookup's data for the tags, or the disc's CD-Text; none for a disc without either.
  std::optional<DiscMetadata> FMetadata;
  TForms FForms;
  EdgeAnchors* FAnchors = nullptr;
  int FTitleWidth = 0;  // the name column's width at the window's first size
  // The player buttons whose glyphs follow the theme's colours, drawn again when the palette changes.
  void DrawPlayerGlyphs();
  QToolButton* FResumeButton = nullptr;
  QToolButton* FEjectButton = nullptr;
};
