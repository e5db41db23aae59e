// The main window's CD player commands on a disc image, heard by the test sound server.

#include <QLabel>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "app/TMainForm.h"
#include "platform/ProgramFolder.h"
#include "tests/app/TestSeams.h"
#include "tests/data/TestDiscs.h"

namespace {

constexpr int kSeconds = 75;  // blocks per second

std::uint32_t Tmsf(int track, int minute, int second) { return std::uint32_t(track | minute << 8 | second << 16); }

std::vector<std::int16_t> Audio(int blocks, int seed) { return testdata::Pattern(testdata::BlockFrames(blocks), seed); }

int Track(TMainForm& form) { return int(form.Player().Position() & 0xFF); }

QList<int> SelectedRows(const TMainForm& form) {
  QList<int> rows;
  for (int row = 0; row < form.ListView1->topLevelItemCount(); ++row)
    if (form.ListView1->topLevelItem(row)->isSelected()) rows << row;
  return rows;
}

void SelectOnly(TMainForm& form, int row) {
  form.ListView1->clearSelection();
  form.ListView1->topLevelItem(row)->setSelected(true);
}

}  // namespace

class CdPlayerTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<testdata::TempFolder> FFolder;
  std::string FSheet;
  std::unique_ptr<RecordingMessageBoxes> FBoxes;

  // The window with the disc read and the timer left to the test.
  std::unique_ptr<TMainForm> Form() {
    auto form = std::make_unique<TMainForm>();
    form->Timer1->stop();
    form->GetTrackList();
    return form;
  }

 private slots:
  // Three tracks, the first one long enough to stand 1:05 into it.
  void initTestCase() {
    FFolder = std::make_unique<testdata::TempFolder>();
    FSheet = discimage::WriteImage(FFolder->Path().string(), "disc",
                                   {{{}, Audio(70 * kSeconds, 1)}, {{}, Audio(3 * kSeconds, 2)}, {{}, Audio(kSeconds, 3)}},
                                   {});
    OverrideProgramFolder(FFolder->Path().string());
    SetPhysicalDrivesEnabled(false);
  }

  void init() {
    SetCDImageFiles({FSheet});
    FBoxes = std::make_unique<RecordingMessageBoxes>();
  }

  void cleanup() {
    QVERIFY2(FBoxes->shown.empty(), "the player shows no message");
    FBoxes.reset();
  }

  void cleanupTestCase() { FFolder.reset(); }

  void playWithoutASelectedRowStartsTrackOne() {
    auto form = Form();
    QCOMPARE(form->ListView1->topLevelItemCount(), 3);
    form->ListView1->clearSelection();
    form->Play1Click();
    QCOMPARE(form->Player().Mode(), CdAudioMode::Playing);
    QCOMPARE(Track(*form), 1);

    SelectOnly(*form, 1);
    form->Play1Click();
    QCOMPARE(Track(*form), 2);
  }

  void nextAndPreviousGoRoundTheEndsAndMoveTheSelection() {
    auto form = Form();
    SelectOnly(*form, 2);
    form->Next1Click();
    QCOMPARE(SelectedRows(*form), QList<int>({0}));
    QCOMPARE(form->ListView1->currentIndex().row(), 0);
    QCOMPARE(form->Player().Mode(), CdAudioMode::Playing);
    QCOMPARE(Track(*form), 1);

    form->Previous1Click();
    QCOMPARE(SelectedRows(*form), QList<int>({2}));
    QCOMPARE(Track(*form), 3);
    form->Previous1Click();
    QCOMPARE(SelectedRows(*form), QList<int>({1}));
    QCOMPARE(Track(*form), 2);

    form->ListView1->clearSelection();
    form->Stop1Click();
    form->Next1Click();
    QCOMPARE(form->Player().Mode(), CdAudioMode::Stopped);  // without a selected row Next does nothing
    QVERIFY(SelectedRows(*form).isEmpty());
  }

  void pauseTwiceResumesAndResumeOfAStoppedDiscPlays() {
    auto form = Form();
    form->Play1Click();
    form->Pause1Click();
    QCOMPARE(form->Player().Mode(), CdAudioMode::Paused);
    form->Pause1Click();
    QCOMPARE(form->Player().Mode(), CdAudioMode::Playing);

    form->Pause1Click();
    form->Resume1Click();
    QCOMPARE(form->Player().Mode(), CdAudioMode::Playing);
    form->Stop1Click();
    QCOMPARE(form->Player().Mode(), CdAudioMode::Stopped);
    form->Resume1Click();
    QCOMPARE(form->Player().Mode(), CdAudioMode::Playing);
  }

  void statusLineShowsThePlayingTrackAndTimeOrTheTrackCount() {
    auto form = Form();
    form->Play1Click();
    form->Timer1Timer();
    QCOMPARE(form->spSLMsgOut->text(), QString("  Track:1  Playing Time:  00:00"));

    QVERIFY(form->Player().Seek(Tmsf(1, 1, 5)));
    QVERIFY(form->Player().Play());
    form->Pause1Click();
    form->Timer1Timer();
    QCOMPARE(form->spSLMsgOut->text(), QString("  Track:1  Playing Time:  01:05"));

    QVERIFY(form->Player().Seek(Tmsf(2, 0, 1)));
    QVERIFY(form->Player().Play());
    form->Stop1Click();
    form->Timer1Timer();
    QCOMPARE(form->spSLMsgOut->text(), QString("  There are 3 tracks in the CD"));
  }

  void ripAndTheWindowsClosingEndThePlaying() {
    auto form = Form();
    form->Play1Click();
    form->Timer1->start();
    form->Rip1Click();
    QCOMPARE(form->Player().Mode(), CdAudioMode::Stopped);
    QVERIFY(form->Player().IsOpen());
    QVERIFY(form->Timer1->isActive());

    form->Play1Click();
    form->close();
    QVERIFY(!form->Player().IsOpen());
  }

  void ejectOnAnImageKeepsTheDisc() {
    auto form = Form();
    form->EjectCloseCDROM1Click();
    QCOMPARE(form->Player().NumberOfTracks(), 3);
    QCOMPARE(form->Player().Mode(), CdAudioMode::Stopped);
  }

  void withoutADiscTheCommandsDoNothing() {
    SetCDImageFiles({FFolder->File("absent.cue")});
    auto form = Form();
    QCOMPARE(form->Player().Mode(), CdAudioMode::NotReady);
    form->Play1Click();
    form->Resume1Click();
    form->EjectCloseCDROM1Click();
    QCOMPARE(form->Player().Mode(), CdAudioMode::NotReady);
    form->Timer1Timer();
    QCOMPARE(form->spSLMsgOut->text(), QString("  There are 0 tracks in the CD"));
  }
};

QTEST_MAIN(CdPlayerTest)
#include "cd_player_test.moc"
