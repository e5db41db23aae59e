#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "acs/VorbisBinding.h"
#include "platform/inifile/TIniFile.h"
#include "rip/TRipPropressForm.h"
#include "tests/app/TestSeams.h"
#include "tests/cd/TestChecksums.h"
#include "tests/data/HttpTestServer.h"
#include "tests/data/TestDiscs.h"

namespace fs = std::filesystem;

class RipWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<testdata::TempFolder> FFolder;
  HCDROM FHandle = 0;

  // A disc of three tracks, opened, and the job input that rips all of them to WAV.
  RipInput Disc() {
    std::vector<discimage::ImageTrack> tracks;
    for (int i = 0; i < 3; ++i) tracks.push_back({{}, testdata::Pattern(testdata::BlockFrames(100), i)});
    FHandle = testdata::OpenImageDrive(discimage::WriteImage(FFolder->Path(), "disc", tracks, {}));
    RipInput input;
    input.format = OutputFormat::WAV;
    input.folder = FFolder->Path().string();
    input.handle = FHandle;
    for (std::uint32_t k = 0; k < 3; ++k) {
      TrackRow row = MakeTrackRow(static_cast<int>(k) + 1, 100, OutputFormat::WAV);
      input.rows.push_back({true, row.number, row.name, 100, k * 100});
    }
    return input;
  }

  // Shows the window with these settings and input, and waits until its job has ended.
  void RunJob(TRipPropressForm& form, TIniFile& settings, const RipInput& input) {
    form.Settings = [&] { return &settings; };
    form.JobInput = [&] { return input; };
    form.show();
    QTRY_COMPARE(form.ButtonCaption(), QString("Close"));
  }

 private slots:
  void initTestCase() { BindVorbisLibraries(); }
  void init() { FFolder = std::make_unique<testdata::TempFolder>(); }
  void cleanup() {
    CloseCDHandle(FHandle);
    FFolder.reset();
  }

  void answeringNoLetsTheRipGoOnAndCloseOpensTheFolder() {
    RipInput input = Disc();
    testdata::WriteTextFile(FFolder->File("settings.ini"),
                            "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n[Folder]\nopen=True\n");
    TIniFile settings(FFolder->File("settings.ini"));
    RecordingMessageBoxes boxes;
    boxes.answer = false;
    RecordingShell shell;
    TRipPropressForm form(nullptr);
    form.Settings = [&] { return &settings; };
    // The button, then Escape and the close box arrive while the job reads: each asks, none hides the window.
    form.JobInput = [&] {
      QTimer::singleShot(0, form.spSkinButtonStop, &QPushButton::click);
      return input;
    };
    QCOMPARE(form.ButtonCaption(), QString("Cancel"));
    boxes.onAsk = [&] {
      if (boxes.asked.size() > 1) return;
      QTest::keyClick(&form, Qt::Key_Escape);
      form.close();
    };
    form.show();
    QTRY_COMPARE(form.ButtonCaption(), QString("Close"));
    QVERIFY(form.isVisible());
    QCOMPARE(form.windowTitle(), QString("Finished!"));
    QCOMPARE(form.Gauge1->value(), 100);
    QCOMPARE(boxes.asked.size(), std::size_t(3));
    QCOMPARE(boxes.asked[0].caption, QString("Marrowby"));
    QCOMPARE(boxes.asked[0].text, QString("Cancel or not?"));
    for (const char* name : {"Track-01.wav", "Track-02.wav", "Track-03.wav"})
      QVERIFY(fs::exists(FFolder->Path() / name));

    form.spSkinButtonStop->click();
    QVERIFY(!form.isVisible());
    QCOMPARE(shell.opened.size(), std::size_t(1));
    QCOMPARE(shell.opened[0], QUrl::fromLocalFile(QString::fromStdString(input.folder)));
  }

  void tracksWithReadErrorsAreListedUnderTheButton() {
    RipInput input = Disc();
    fs::resize_file(FFolder->Path() / "disc.bin", 290 * 2352);  // the last track loses its last 10 blocks
    testdata::WriteTextFile(FFolder->File("settings.ini"), "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n[AccurateRip]\nserver=\n[CTDB]\nserver=\n");
    TIniFile settings(FFolder->File("settings.ini"));
    TRipPropressForm form(nullptr);
    RunJob(form, settings, input);
    QCOMPARE(form.windowTitle(), QString("Finished with read errors"));
    QVERIFY(form.ReportList->isVisible());
    QCOMPARE(form.ReportList->toPlainText(), QString::fromUtf8("Track 03: 10 blocks could not be read at 00:01.15\u201300:01.24"));
    QVERIFY(form.ReportList->geometry().bottom() < form.height());

    form.hide();
    CloseCDHandle(FHandle);
    input = Disc();  // the next job starts with the window as it was made
    form.show();
    QTRY_COMPARE(form.windowTitle(), QString("Finished!"));
    QVERIFY(!form.ReportList->isVisible());
    QCOMPARE(form.size(), QSize(337, 79));

    // A folder that does not exist is made; one that cannot be made fails at once, from an empty gauge.
    form.hide();
    CloseCDHandle(FHandle);
    input = Disc();
    input.folder = (FFolder->Path() / "new" / "folder").string();
    form.show();
    QTRY_VERIFY(fs::exists(FFolder->Path() / "new" / "folder" / "Track-03.wav"));
    QTRY_COMPARE(form.windowTitle(), QString("Finished!"));
    form.hide();
    CloseCDHandle(FHandle);
    input = Disc();
    input.folder = (FFolder->Path() / "disc.bin" / "folder").string();
    RecordingMessageBoxes boxes;
    form.show();
    QTRY_COMPARE(boxes.shown.size(), std::size_t(1));
    QCOMPARE(form.Gauge1->value(), 0);
    QCOMPARE(form.windowTitle(), QString("Processing:01 (Track-01.wav)"));
  }

  // The formats "[Rip] also write" names are written beside the chosen one, each in a folder of its own.
  void theFormatsToAlsoWriteGoIntoFoldersOfTheirOwn() {
    RipInput input = Disc();
    testdata::WriteTextFile(FFolder->File("settings.ini"), "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n"
                                                           "[AccurateRip]\nserver=\n[CTDB]\nserver=\n[Rip]\nalso write=flac\n");
    TIniFile settings(FFolder->File("settings.ini"));
    TRipPropressForm form(nullptr);
    RunJob(form, settings, input);
    QCOMPARE(form.windowTitle(), QString("Finished!"));
    for (const char* file : {"wav/Track-03.wav", "flac/Track-03.flac"}) QVERIFY2(fs::exists(FFolder->Path() / file), file);
  }

  // Each track of an image with what each database says of it, then the disc's verdicts.
  void theReportListsBothDatabasesVerdicts() {
    RipInput input = Disc();
    TOC record;
    ModifyCDParms(FHandle, CDP_MSF, 0);
    ReadTOC(FHandle, &record);
    TableOfContentsFromRecord(record, input.toc);
    testdata::CtdbTestEntry entry = testdata::CtdbEntryOf(input.toc, testdata::ChecksumsAt(FHandle, input.toc, 0), 2);
    testdata::HttpTestServer server([&](const std::string& target) {
      return target.rfind("/lookup2.php?", 0) == 0 ? testdata::HttpTestReply{200, testdata::CtdbReply({entry})}
                                                   : testdata::HttpTestReply{404, ""};
    });
    testdata::WriteTextFile(FFolder->File("settings.ini"), "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n"
                                                           "[AccurateRip]\nserver=" + server.Url() + "\n[CTDB]\nserver=" +
                                                               server.Url() + "\n");
    TIniFile settings(FFolder->File("settings.ini"));
    TRipPropressForm form(nullptr);
    RunJob(form, settings, input);
    QString track = "Track 0%1: image file, confirmed by CTDB (confidence 2); AccurateRip: not in database\n";
    QCOMPARE(form.ReportList->toPlainText(), track.arg(1) + track.arg(2) + track.arg(3) +
                                                 "AccurateRip: not in database\nCTDB: accurate (confidence 2)");
  }

  // A job the rule finds worth it ends with one desktop notice, in the words of the job's verdicts.
  void aJobEndingUnwatchedIsToldToTheDesktopOnce() {
    testdata::WriteTextFile(FFolder->File("settings.ini"), "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n"
                                                           "[AccurateRip]\nserver=\n[CTDB]\nserver=\n");
    TIniFile settings(FFolder->File("settings.ini"));
    RecordingNotifications notices;
    TRipPropressForm form(nullptr);
    form.NoticeWanted = [](std::chrono::steady_clock::duration) { return true; };
    RipInput input = Disc();
    for (RipRow& row : input.rows) row.tags.album = "Album";
    RunJob(form, settings, input);
    QCOMPARE(notices.shown, std::vector<QString>{"Rip finished: Album / 3 tracks, none proven accurate"});
  }

  void aSettingsFileWithoutBitRateEndsTheProgram() {
    RipInput input = Disc();
    testdata::WriteTextFile(FFolder->File("settings.ini"), "[MP3 Options]\ndwSampleRate=44100Hz\n");
    TIniFile settings(FFolder->File("settings.ini"));
    RecordingMessageBoxes boxes;
    ProgramEndCounter end;
    TRipPropressForm form(nullptr);
    form.Settings = [&] { return &settings; };
    form.JobInput = [&] { return input; };
    form.show();
    QTRY_COMPARE(end.ends, 1);
    QCOMPARE(boxes.shown.size(), std::size_t(1));
    QCOMPARE(boxes.shown[0].caption, QString("Error"));
    QCOMPARE(boxes.shown[0].text, QString("Settings.ini not exist!  "));
    QVERIFY(!form.Job().Running());
    QVERIFY(!fs::exists(FFolder->Path() / "Track-01.wav"));
  }
};

QTEST_MAIN(RipWindowTest)
#include "rip_window_test.moc"
