#pragma once
// The Ogg player: plays Ogg Vorbis files from a play list on the sound card.

#include <QDialog>
#include <QString>
#include <memory>

#include "acs/ACS_Audio.h"
#include "acs/ACS_Vorbis.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolButton;

class Toggplayer : public QDialog {
  Q_OBJECT

 public:
  // Throws EACSException when the Ogg Vorbis libraries are not loaded.
  explicit Toggplayer(QWidget* parent);
  ~Toggplayer() override;

  // Minutes and seconds as the total-time label shows them: 125 gives "2:05".
  static QString TotalTimeText(int seconds);

  QToolButton* PlayButton = nullptr;
  QToolButton* PauseButton = nullptr;
  QToolButton* ResumeButton = nullptr;
  QToolButton* StopButton = nullptr;
  QToolButton* BackButton = nullptr;
  QToolButton* ForwardButton = nullptr;
  QCheckBox* LoopCheckBox = nullptr;
  QLabel* TotalTimeLabel = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QLabel* FileLabel = nullptr;
  QListWidget* PlayList = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QToolButton* AddButton = nullptr;
  QToolButton* RemoveButton = nullptr;
  QPushButton* CloseButton = nullptr;

  std::unique_ptr<TVorbisIn> VorbisIn1;
  std::unique_ptr<TAudioOut> AudioOut1;

  void PlayClick();
  void PauseClick();
  void ResumeClick();
  void StopClick();
  void BackClick();
  void ForwardClick();
  void LoopClick();
  void AddClick();
  void RemoveClick();
  void RemoveAllClick();
  // The sink's reports, handed to the user-interface thread.
  void AudioOut1Progress(int progress);
  void AudioOut1Done(const QString& runError);

 protected:
  // Closing by the close box or Escape stops playback as the Close button does: only one sound-card
  // component may run at a time.
  void reject() override;

 private:
  QToolButton* AddImageButton(int left, int top, const QString& hint, int standardIcon);
  void BuildControls();
  void BuildPopupMenu();
  void StopPlayback();

  QString FPlaying;    // the entry the last start played
  bool FHeard = true;  // whether that run played anything
};
