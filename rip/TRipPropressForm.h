#pragma once
// The rip window: a progress gauge and one button, Cancel while the job runs and Close after it.

#include <QDialog>
#include <functional>
#include <memory>

#include "rip/RipJob.h"
#include "rip/RipNotice.h"

class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class TIniFile;

class TRipPropressForm : public QDialog, private RipHost {
  Q_OBJECT

 public:
  // Throws EACSException when the Ogg Vorbis libraries are missing: the window cannot exist without them.
  explicit TRipPropressForm(QWidget* parent);
  ~TRipPropressForm() override;

  // Where the job gets the main window's state when the window is shown, and how it unchecks a row.
  std::function<TIniFile*()> Settings;
  std::function<RipInput()> JobInput;
  std::function<void(std::size_t)> RowUnchecked;
  // Whether a job that took this long is worth a desktop notice now; tests replace the program's rule.
  std::function<bool(std::chrono::steady_clock::duration)> NoticeWanted;

  QProgressBar* Gauge1 = nullptr;
  QPushButton* spSkinButtonStop = nullptr;
  // What the job found: tracks with blocks the drive could not read, each track's database verdicts and the
  // disc's; shown below the button when there is anything to say.
  QPlainTextEdit* ReportList = nullptr;
  RipJob& Job() { return *FJob; }
  QString ButtonCaption() const;  // the button's caption without its mnemonic marker

  void FormActivate();
  void spSkinButtonStopClick();

 protected:
  void showEvent(QShowEvent* event) override;
  // Escape and the close box: while a job runs they ask as Cancel does, the window stays; afterwards they
  // act as the Close button.
  void reject() override;

 private:
  void AskCancel();
  void SetCaption(const std::string& text) override;
  void SetButtonCaption(const std::string& text) override;
  void SetGauge(int percent) override;
  void ProcessMessages() override;
  void ShowError(const std::string& text) override;
  void ShowStandardError(const std::string& text) override;
  void CloseWindow() override;
  void UncheckRow(std::size_t row) override;
  void ReportReadErrors(const std::string& text) override;
  void ReportTrack(const TrackResult& result) override;
  void ReportDisc(const DiscVerdicts& verdicts, const std::string& logPath) override;
  void ShowJobProgress(int track, int tracks, std::optional<int> secondsLeft) override;
  void AddReport(const std::string& text);

  std::unique_ptr<RipJob> FJob;
  // Tells the desktop, once a job, how a long rip ended when nobody looks at the program: at its end, or as
  // an error box comes up (which waits for the user).
  void NotifyIfAway();
  RipEnding FEnding;  // the job's, as far as the window saw it
  std::chrono::steady_clock::time_point FStarted;
  bool FNotified = true;  // nothing to tell before a job
};
