// The sound recorder against the test sound server: its choices reach the recording, and a start that
// fails leaves the recorder able to start again.

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "tests/app/TestSeams.h"
#include "tests/data/TestDiscs.h"
#include "tools/Trecorder.h"

namespace fs = std::filesystem;

namespace {

std::uint32_t Field(const std::vector<char>& bytes, std::size_t at, int width) {
  std::uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = value << 8 | std::uint8_t(bytes.at(at + std::size_t(i)));
  return value;
}

}  // namespace

class RecorderTest : public QObject {
  Q_OBJECT

 private:
  fs::path FFolder;
  std::unique_ptr<RecordingMessageBoxes> FBoxes;
  std::unique_ptr<AnsweringFileDialogs> FDialogs;
  std::unique_ptr<Trecorder> FRecorder;

  // Starts a recording into path and cancels it once it has made progress.
  void RecordAndCancel(const QString& path) {
    FDialogs->answer = path;
    FRecorder->RecordButton->click();
    QVERIFY(FRecorder->WaveOut1->Busy());
    QTRY_VERIFY_WITH_TIMEOUT(!FRecorder->RecordButton->isEnabled(), 5000);
    QVERIFY(!FRecorder->CloseButton->isEnabled());
    QVERIFY(FRecorder->CancelButton->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(FRecorder->ProgressBar1->value() >= 2, 10000);
    FRecorder->CancelButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(FRecorder->RecordButton->isEnabled(), 10000);
    QVERIFY(FRecorder->CloseButton->isEnabled());
  }

 private slots:
  void init() {
    FFolder = fs::temp_directory_path() / ("quillon_recorder_" + std::to_string(getpid()));
    fs::create_directories(FFolder);
    FBoxes = std::make_unique<RecordingMessageBoxes>();
    FDialogs = std::make_unique<AnsweringFileDialogs>();
    FRecorder = std::make_unique<Trecorder>(nullptr);
  }

  void cleanup() {
    FRecorder.reset();
    FDialogs.reset();
    FBoxes.reset();
    fs::remove_all(FFolder);
  }

  void opensWithTheDeviceAndTheDefaults() {
    QCOMPARE(FRecorder->windowTitle(), QString("Sound Recorder"));
    QCOMPARE(FRecorder->size(), QSize(323, 177));
    QVERIFY(!FRecorder->DeviceLabel->text().isEmpty());
    QVERIFY(FBoxes->shown.empty());
    QCOMPARE(FRecorder->DurationEdit->value(), 30);
    QCOMPARE(FRecorder->DurationEdit->minimum(), 30);
    QCOMPARE(FRecorder->DurationEdit->maximum(), 600);
    QCOMPARE(FRecorder->DurationEdit->singleStep(), 10);
    for (auto [typed, kept] : {std::pair{"700", 600}, std::pair{"5", 30}, std::pair{"", 30}, std::pair{"45", 45}}) {
      FRecorder->DurationEdit->findChild<QLineEdit*>()->setText(typed);
      FRecorder->DurationEdit->interpretText();  // as when the field loses the focus
      QCOMPARE(FRecorder->DurationEdit->value(), kept);
    }
    QVERIFY(FRecorder->Rate22050->isChecked());
    QVERIFY(FRecorder->Bits16->isChecked());
    QVERIFY(FRecorder->MonoButton->isChecked());
    QCOMPARE(FRecorder->RecordButton->text().remove('&'), QString("Convert"));
    FRecorder->RecordButton->click();  // the save dialog cancelled
    QVERIFY(!FRecorder->WaveOut1->Busy());
    QCOMPARE(FDialogs->saveFilters.front(), QString("*.wav"));
  }

  // 8 bits, stereo, 11025 Hz; a name without extension gets ".wav"; the header states what was kept.
  void aCancelledRecordingHasTheChosenFormat() {
    FRecorder->Rate11025->setChecked(true);
    FRecorder->Bits8->setChecked(true);
    FRecorder->StereoButton->setChecked(true);
    FRecorder->DurationEdit->setValue(40);
    RecordAndCancel(QString::fromStdString((FFolder / "new" / "take").string()));  // the start makes the folder
    std::ifstream in(FFolder / "new" / "take.wav", std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    QVERIFY(bytes.size() > 44 + 16384);
    QCOMPARE(Field(bytes, 22, 2), 2u);
    QCOMPARE(Field(bytes, 24, 4), 11025u);
    QCOMPARE(Field(bytes, 34, 2), 8u);
    QCOMPARE(Field(bytes, 40, 4), std::uint32_t(bytes.size() - 44));
    QCOMPARE(FRecorder->AudioIn1->Size(), 40 * 11025 * 2);
  }

  void aFileThatCannotBeCreatedLeavesTheRecorderReady() {
    std::ofstream(FFolder / "file");  // no folder can be made under a file
    FDialogs->answer = QString::fromStdString((FFolder / "file" / "take.wav").string());
    FRecorder->RecordButton->click();
    QCOMPARE(FBoxes->shown.size(), std::size_t(1));
    QVERIFY(FBoxes->shown.front().text.startsWith("Cannot create file"));
    QVERIFY(!FRecorder->AudioIn1->Busy());
    RecordAndCancel(QString::fromStdString((FFolder / "take.wav").string()));
    QVERIFY(fs::file_size(FFolder / "take.wav") > 44);
  }

  // A full disk late in a take costs only what did not fit: the rest stays as a valid WAV file, and the box
  // says where.
  void aFullDiskKeepsWhatWasRecordedAndSaysSo() {
    FRecorder->Rate44100->setChecked(true);
    FRecorder->Bits16->setChecked(true);
    FRecorder->StereoButton->setChecked(true);
    fs::path take = FFolder / "take.wav";
    FDialogs->answer = QString::fromStdString(take.string());
    {
      testdata::FullDisk disk(200000);
      FRecorder->RecordButton->click();
      QTRY_COMPARE_WITH_TIMEOUT(FBoxes->shown.size(), std::size_t(1), 20000);
    }
    QCOMPARE(FBoxes->shown.front().text, "Stream write error. What was recorded before is kept in " +
                                             QString::fromStdString(take.string()) + ".");
    std::ifstream in(take, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    QVERIFY(bytes.size() > 44 + 16384 && bytes.size() <= 200000);
    QCOMPARE(Field(bytes, 40, 4), std::uint32_t(bytes.size() - 44));
    QTRY_VERIFY(FRecorder->RecordButton->isEnabled());
  }
};

QTEST_MAIN(RecorderTest)
#include "recorder_test.moc"
