// The Ogg player against the test sound server: the play list, the time display and the controls'
// states around a playback.

#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <QElapsedTimer>
#include <filesystem>
#include <memory>

#include "acs/ACS_Vorbis.h"
#include "tests/acs/TestStreams.h"
#include "tests/app/TestSeams.h"
#include "tools/Toggplayer.h"

namespace fs = std::filesystem;

class OggPlayerTest : public QObject {
  Q_OBJECT

 private:
  fs::path FFolder;
  std::unique_ptr<RecordingMessageBoxes> FBoxes;
  std::unique_ptr<AnsweringFileDialogs> FDialogs;
  std::unique_ptr<Toggplayer> FPlayer;

  // Seconds of a 441 Hz tone, 44.1 kHz 16-bit stereo, encoded by the program's own Ogg sink.
  QString WriteOgg(const std::string& name, int seconds) {
    std::vector<std::uint8_t> pcm(std::size_t(seconds) * 44100 * 4);
    for (std::size_t i = 0; i + 1 < pcm.size(); i += 2) {
      auto sample = std::int16_t(std::lround(8000 * std::sin(2 * M_PI * 441 * double(i / 4) / 44100)));
      pcm[i] = std::uint8_t(sample);
      pcm[i + 1] = std::uint8_t(std::uint16_t(sample) >> 8);
    }
    teststreams::MemorySource source(pcm);
    TVorbisOut sink;
    sink.SetInput(&source);
    sink.SetFileName((FFolder / name).string());
    std::atomic<bool> done{false};
    sink.SetOnDone([&](TACSOutput*) { done = true; });
    sink.Run();
    while (!done) QTest::qWait(20);
    return QString::fromStdString((FFolder / name).string());
  }

  void AddToPlayList(const QString& path) {
    FDialogs->answer = path;
    FPlayer->AddClick();
  }

 private slots:
  void initTestCase() { BindVorbisLibraries(); }

  void init() {
    FFolder = fs::temp_directory_path() / ("quillon_player_" + std::to_string(getpid()));
    fs::create_directories(FFolder);
    FBoxes = std::make_unique<RecordingMessageBoxes>();
    FDialogs = std::make_unique<AnsweringFileDialogs>();
    FPlayer = std::make_unique<Toggplayer>(nullptr);
  }

  void cleanup() {
    FPlayer.reset();
    FDialogs.reset();
    FBoxes.reset();
    fs::remove_all(FFolder);
  }

  void totalTimeShowsMinutesAndTwoDigitSeconds_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("9") << 9 << "0:09";
    QTest::newRow("59") << 59 << "0:59";
    QTest::newRow("60") << 60 << "1:00";
    QTest::newRow("125") << 125 << "2:05";
    QTest::newRow("600") << 600 << "10:00";
  }
  void totalTimeShowsMinutesAndTwoDigitSeconds() {
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(Toggplayer::TotalTimeText(seconds), text);
  }

  void playWithoutSelectionAndRemoveWithoutSelectionDoNothing() {
    QCOMPARE(FPlayer->windowTitle(), QString("Sample Ogg Player"));
    QCOMPARE(FPlayer->size(), QSize(216, 242));
    FPlayer->PlayClick();
    QVERIFY(!FPlayer->AudioOut1->Busy());
    AddToPlayList("/music/a.ogg");
    AddToPlayList("/music/b.ogg");
    QCOMPARE(FDialogs->openFilters.front(), QString("Ogg (*.ogg)"));
    FDialogs->answer.clear();
    FPlayer->AddClick();  // cancelled
    QCOMPARE(FPlayer->PlayList->count(), 2);
    FPlayer->PlayList->clearSelection();
    FPlayer->PlayClick();
    QVERIFY(!FPlayer->AudioOut1->Busy());
    QCOMPARE(FPlayer->FileLabel->text(), QString());
    FPlayer->RemoveClick();
    QCOMPARE(FPlayer->PlayList->count(), 2);
    FPlayer->PlayList->item(0)->setSelected(true);
    FPlayer->RemoveClick();
    QCOMPARE(FPlayer->PlayList->item(0)->text(), QString("/music/b.ogg"));
    FPlayer->RemoveAllClick();
    QCOMPARE(FPlayer->PlayList->count(), 0);
  }

  // From the first progress to the done report the list is locked; closing the window stops the sound.
  void playingLocksTheListAndClosingStopsIt() {
    QString file = WriteOgg("tone.ogg", 8);
    AddToPlayList(file);
    FPlayer->PlayList->item(0)->setSelected(true);
    FPlayer->show();
    FPlayer->PlayClick();
    QCOMPARE(FPlayer->TotalTimeLabel->text(), QString("0:08"));
    QCOMPARE(FPlayer->FileLabel->text(), QString("tone.ogg"));
    QTRY_VERIFY(!FPlayer->PlayList->isEnabled());
    QVERIFY(!FPlayer->PlayButton->isEnabled());
    FPlayer->RemoveClick();
    FPlayer->RemoveAllClick();
    QCOMPARE(FPlayer->PlayList->count(), 1);
    FPlayer->PlayClick();  // the file plays on
    QVERIFY(FBoxes->shown.empty() || FBoxes->shown.back().text == "Component is buisy.");

    QElapsedTimer closing;
    closing.start();
    FPlayer->close();
    QVERIFY(!FPlayer->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(FPlayer->PlayList->isEnabled(), 5000);
    QVERIFY(closing.elapsed() < 4000);
    QVERIFY(FPlayer->PlayButton->isEnabled());
    QVERIFY(FPlayer->ProgressBar1->value() > 0);
    QVERIFY(FPlayer->ProgressBar1->value() < 100);
  }

  void aFileThatCannotBeOpenedPlaysNothingAndIsNamed() {
    AddToPlayList(QString::fromStdString((FFolder / "missing.ogg").string()));
    FPlayer->PlayList->item(0)->setSelected(true);
    FPlayer->PlayClick();
    QCOMPARE(FPlayer->FileLabel->text(), QString("missing.ogg"));
    QCOMPARE(FPlayer->TotalTimeLabel->text(), QString("0:00"));
    QTRY_VERIFY(!FPlayer->AudioOut1->Busy());
    QTRY_COMPARE(FBoxes->shown.size(), std::size_t(1));
    QCOMPARE(FBoxes->shown[0].text, "Cannot play " + FPlayer->PlayList->item(0)->text() + ".");
  }
};

QTEST_MAIN(OggPlayerTest)
#include "oggplayer_test.moc"
