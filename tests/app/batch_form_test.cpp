#include <QListWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <filesystem>

#include "acs/VorbisBinding.h"
#include "app/TBatchForm.h"
#include "tests/app/TestSeams.h"
#include "tests/data/TestDiscs.h"

class BatchFormTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { BindVorbisLibraries(); }

  // Start without a checked drive says what is missing; with one, the window runs the batch: the drive's disc
  // is ripped, the loader has no more, and the finished disc shows below the drive's row.
  void startRipsTheCheckedDrivesAndListsTheFinishedDiscs() {
    testdata::TempFolder folder;
    std::vector<discimage::ImageTrack> tracks = {{{}, testdata::Pattern(testdata::BlockFrames(75), 1)}};
    const std::string sheet = discimage::WriteImage(folder.Path(), "drive", tracks, {});
    testdata::WriteTextFile(folder.File("settings.ini"),
                            "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n[AccurateRip]\nserver=\n"
                            "[CTDB]\nserver=\n[Batch]\nload command=exit 1; true\n");
    SetPhysicalDrivesEnabled(false);
    SetCDImageFiles({sheet});
    RecordingMessageBoxes boxes;
    TBatchForm form(nullptr);
    form.SettingsPath = [&] { return folder.File("settings.ini"); };
    form.DriveNames = [] { return std::vector<std::string>{"Image: drive.cue"}; };
    form.OutputFolder = [&] { return QString::fromStdString(folder.File("out")); };
    form.show();
    form.StartButton->click();
    QCOMPARE(boxes.shown.size(), std::size_t(1));
    QCOMPARE(boxes.shown[0].text, QString("Check the drives to rip from."));

    form.DriveList->item(0)->setCheckState(Qt::Checked);
    form.StartButton->click();
    QVERIFY(form.Running());
    QVERIFY(!form.StartButton->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!form.Running(), 20000);
    QCOMPARE(form.ReportRows->rowCount(), 1);
    QCOMPARE(form.ReportRows->item(0, 2)->text(), QString("done"));
    const QString discFolder = form.ReportRows->item(0, 5)->text();
    QVERIFY(std::filesystem::exists(discFolder.toStdString() + "/Track-01.flac"));
    QCOMPARE(form.DriveRows->rowCount(), 1);
    QCOMPARE(form.DriveRows->item(0, 2)->text(), QString("ended"));
    QVERIFY(form.StartButton->isEnabled());
  }
};

QTEST_MAIN(BatchFormTest)
#include "batch_form_test.moc"
