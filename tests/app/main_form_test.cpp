#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "app/TMainForm.h"
#include "app/TReadOffsetForm.h"
#include "cd/AccurateRip.h"
#include "platform/ProgramFolder.h"
#include "platform/inifile/TIniFile.h"
#include "tests/app/TestSeams.h"
#include "tests/data/HttpTestServer.h"
#include "tests/data/SimulatedDrive.h"
#include "tests/data/TestDiscs.h"

namespace {

std::vector<discimage::ImageTrack> TwoTracks() {
  return {{{}, testdata::Pattern(testdata::BlockFrames(80), 1)}, {{}, testdata::Pattern(testdata::BlockFrames(40), 2)}};
}

void Activate(QWidget& window) {
  QEvent activation(QEvent::WindowActivate);
  QApplication::sendEvent(&window, &activation);
}

}  // namespace

class MainFormTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<testdata::TempFolder> FFolder;

  std::string Image(const std::string& name) {
    return discimage::WriteImage(FFolder->Path(), name, TwoTracks(), {});
  }

 private slots:
  void init() {
    FFolder = std::make_unique<testdata::TempFolder>();
    SetPhysicalDrivesEnabled(false);
    SetCDImageFiles({});
    OverrideProgramFolder(FFolder->Path().string());
  }

  void cleanup() { FFolder.reset(); }

  void windowHasItsCaptionSizeColumnsAndMenus() {
    TMainForm form;
    QCOMPARE(form.windowTitle(), QString("Quillon"));
    QCOMPARE(form.centralWidget()->size(), QSize(549, 347));
    QCOMPARE(form.ListView1->columnCount(), 4);
    QCOMPARE(form.ListView1->headerItem()->text(1), QString("Save As Title   (Double Click to Rename)"));
    QCOMPARE(form.ListView1->columnWidth(0), 45);
    QCOMPARE(form.ListView1->columnWidth(1), 305);
    QVERIFY(form.spSkinCheckRadioBox1->isChecked());
    QVERIFY(form.mp3check->isChecked());
    QStringList menus;
    for (QAction* menu : form.menuBar()->actions()) {
      menus << menu->text();
      for (QAction* entry : menu->menu()->actions())  // every entry has its letter
        QVERIFY2(entry->isSeparator() || entry->text().contains('&'), qPrintable(entry->text()));
    }
    QCOMPARE(menus, QStringList({"&File", "&Actions", "&CD Player", "&Options", "&Tools", "&Help"}));
    QVERIFY(form.spSLMsgOut->text().startsWith("No CD drive found."));  // no drive, no image: what to do
  }

  // Tab goes through the controls as they stand: the player buttons, the check box and the Rip button along
  // the top, the format and the output folder below them, the list, then the drive selector at the bottom.
  void tabVisitsTheControlsInTheirVisualOrder() {
    TMainForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QStringList visited;
    form.spCDROMlist->setFocus();
    for (int step = 0; step < 16; ++step) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QWidget* focus = QApplication::focusWidget();
      visited << (focus->toolTip().isEmpty() ? QString(focus->metaObject()->className()) : focus->toolTip());
    }
    QCOMPARE(visited, QStringList({"Play", "Pause", "Resume", "Stop", "Previous", "Next", "Eject/Close CDROM", "CDDB",
                                   "Refresh", "QCheckBox", "Rip", "QRadioButton", "QLineEdit",
                                   "Select an output folder", "QTreeWidget", "QComboBox"}));
  }

  // On a dark theme the Resume and Eject glyphs take the theme's light text colour, not a dark picture's.
  void playerGlyphsFollowTheThemesColours() {
    TMainForm form;
    QPalette dark = form.palette();
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    form.setPalette(dark);
    for (const QString hint : {"Resume", "Eject/Close CDROM"}) {
      QToolButton* button = nullptr;
      for (QToolButton* candidate : form.findChildren<QToolButton*>())
        if (candidate->toolTip() == hint) button = candidate;
      QVERIFY2(button != nullptr, qPrintable(hint));
      const QImage glyph = button->icon().pixmap(32).toImage();
      int darkest = 255;
      for (int y = 0; y < glyph.height(); ++y)
        for (int x = 0; x < glyph.width(); ++x)
          if (qAlpha(glyph.pixel(x, y)) == 255) darkest = std::min(darkest, qGray(glyph.pixel(x, y)));
      QVERIFY2(darkest > 0xc0, qPrintable(hint + QString(": gray %1").arg(darkest)));
    }
  }

  void theRipButtonShowsItHasTheFocus() {
    TMainForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.spSkinEdit1->setFocus();
    const QImage without = form.RipButton->grab().toImage();
    form.RipButton->setFocus();
    QVERIFY(form.RipButton->hasFocus());
    QVERIFY(form.RipButton->grab().toImage() != without);
  }

  // The window starts at its first size and grows from there: the list takes the space, the controls keep
  // their distances from the edges, and the size a window was closed at is the next one's.
  void windowGrowsWithItsListAndKeepsItsSize() {
    const std::string settings = FFolder->File("settings.ini");
    testdata::WriteTextFile(settings, "[Folder]\nmp3 folder=\n");
    QSize first;
    {
      TMainForm form;
      form.show();
      first = form.size();
      QCOMPARE(form.minimumSize(), first);
      const QRect list = form.ListView1->geometry(), rip = form.RipButton->geometry();
      const QRect status = form.spSLMsgOut->geometry(), drives = form.spCDROMlist->geometry();
      form.resize(first + QSize(200, 150));
      QTRY_COMPARE(form.ListView1->geometry(), list.adjusted(0, 0, 200, 150));
      QCOMPARE(form.RipButton->geometry(), rip.translated(200, 0));
      QCOMPARE(form.spSLMsgOut->geometry(), status.adjusted(0, 150, 200, 150));
      QCOMPARE(form.spCDROMlist->geometry(), drives.translated(200, 150));
      QCOMPARE(form.ListView1->columnWidth(1), 305 + 200);
      form.close();
    }
    QCOMPARE(TIniFile(settings).ReadString("Main Window", "width", ""), std::to_string(first.width() + 200));
    TMainForm again;
    again.show();
    QCOMPARE(again.size(), first + QSize(200, 150));
  }

  void drivesComeFromTheImagesAndTheFirstTickReadsTheDisc() {
    SetCDImageFiles({Image("first"), FFolder->File("absent.cue")});
    TMainForm form;
    QCOMPARE(form.spCDROMlist->count(), 2);
    QCOMPARE(form.spCDROMlist->itemText(0), QString("Image: first.cue"));
    QCOMPARE(form.spCDROMlist->currentIndex(), 0);
    QVERIFY(form.Timer1->isActive());
    QVERIFY(form.DeviceFlag());
    QCOMPARE(form.ListView1->topLevelItemCount(), 0);

    form.Timer1Timer();
    QCOMPARE(form.ListView1->topLevelItemCount(), 2);
    QTreeWidgetItem* first = form.ListView1->topLevelItem(0);
    QCOMPARE(first->text(0), QString("01"));
    QCOMPARE(first->text(1), QString("Track-01.mp3"));
    QCOMPARE(first->text(2), QString("00:01,05"));
    QCOMPARE(first->text(3), QString("    0.18 M"));
    for (int row = 0; row < 2; ++row) QCOMPARE(form.ListView1->topLevelItem(row)->checkState(0), Qt::Checked);
    QCOMPARE(form.ListView1->currentItem(), first);
    QVERIFY(first->isSelected());
    QCOMPARE(form.spSLMsgOut->text(), QString("  There are 2 tracks in the CD"));
    QVERIFY(form.Timer1->isActive());
  }

  void timerRereadsUntilADiscComesThenStopsReading() {
    SetCDImageFiles({Image("late")});
    std::filesystem::path audio = FFolder->Path() / "late.bin";
    std::filesystem::path aside = FFolder->Path() / "aside";
    std::filesystem::rename(audio, aside);
    TMainForm form;
    form.Timer1Timer();
    QCOMPARE(form.ListView1->topLevelItemCount(), 0);
    QCOMPARE(form.spSLMsgOut->text(), QString("  There are 0 tracks in the CD"));

    std::filesystem::rename(aside, audio);  // the disc goes in
    QTRY_COMPARE_WITH_TIMEOUT(form.ListView1->topLevelItemCount(), 2, 1000);

    form.ListView1->topLevelItem(1)->setText(1, "Kept.mp3");
    std::filesystem::remove(audio);  // a re-read now would empty the list
    QTest::qWait(1200);
    QCOMPARE(form.ListView1->topLevelItemCount(), 2);
    QCOMPARE(form.ListView1->topLevelItem(1)->text(1), QString("Kept.mp3"));
  }

  void drivesSelectorRereadsOnlyForAnotherDrive() {
    SetCDImageFiles({Image("one"), FFolder->File("absent.cue")});
    TMainForm form;
    form.Timer1->stop();
    form.GetTrackList();
    form.ListView1->topLevelItem(0)->setText(1, "Renamed.mp3");
    form.ListView1->topLevelItem(0)->setCheckState(0, Qt::Unchecked);

    form.spCDROMlistChange(0);
    QCOMPARE(form.ListView1->topLevelItem(0)->text(1), QString("Renamed.mp3"));

    form.spCDROMlistChange(1);
    QCOMPARE(form.ListView1->topLevelItemCount(), 0);
    QCOMPARE(form.spSLMsgOut->text(), QString("Can't get the Information of current CD, maybe there isn't any CD in "
                                              "CDROM or the current CD is broken! Cannot open file ") +
                                          QString::fromStdString(FFolder->File("absent.cue")));
    QVERIFY(form.spSLMsgOut->toolTip().endsWith("\nCannot open file " + QString::fromStdString(FFolder->File("absent.cue"))));
    form.show();  // too long for the line, the message scrolls through it; reading it again goes on scrolling
    QTRY_VERIFY_WITH_TIMEOUT(form.spSLMsgOut->Offset() > 20, 5000);
    int offset = form.spSLMsgOut->Offset();
    form.GetTrackList();
    QVERIFY(form.spSLMsgOut->Offset() >= offset);

    form.oggcheck->setChecked(true);
    form.spCDROMlistChange(0);
    QCOMPARE(form.ListView1->topLevelItem(0)->text(1), QString("Track-01.ogg"));
    QCOMPARE(form.ListView1->topLevelItem(0)->checkState(0), Qt::Checked);
  }

  void theImageTheProgramWasStartedWithIsListedAndSelected() {
    std::string settingsImage = Image("settings"), started = Image("started");
    SetCDImageFiles({settingsImage});
    AddCDImageFile(started);
    AddCDImageFile(settingsImage);
    TMainForm form;
    form.Timer1->stop();
    QCOMPARE(form.spCDROMlist->count(), 2);
    form.SelectStartDrive(started);
    QCOMPARE(form.spCDROMlist->currentIndex(), 1);
    QCOMPARE(form.Drives().CurrentIndex(), 1);
    QCOMPARE(form.ListView1->topLevelItemCount(), 2);
    form.SelectStartDrive("/dev/no-such-drive");
    QCOMPARE(form.spCDROMlist->currentIndex(), 1);
    QCOMPARE(form.spSLMsgOut->text(), QString("No drive or disc image /dev/no-such-drive was found."));
  }

  void withoutDrivesNothingStarts() {
    TMainForm form;
    QCOMPARE(form.spCDROMlist->count(), 0);
    QVERIFY(!form.Timer1->isActive());
    QVERIFY(!form.DeviceFlag());
    QCOMPARE(form.spSLMsgOut->text(), QString::fromStdString("No CD drive found. Add a disc image under [CD Images] in " +
                                                            SettingsFile() + ", or insert a disc."));
  }

  void outputFolderComesFromTheSettings() {
    std::string folder = FFolder->Path().string() + "/";
    {
      TMainForm form;  // no settings.ini
      Activate(form);
      QCOMPARE(form.spSkinEdit1->text().toStdString(), folder);
    }
    testdata::WriteTextFile(folder + "settings.ini", "[FOLDER]\nMP3 Folder=\n");
    {
      TMainForm form;
      Activate(form);
      QCOMPARE(form.spSkinEdit1->text().toStdString(), folder + "MP3");
      QVERIFY(std::filesystem::is_directory(folder + "MP3"));
    }
    testdata::WriteTextFile(folder + "settings.ini", "[Folder]\nmp3 folder=/music/rips\n");
    TMainForm form;
    Activate(form);
    QCOMPARE(form.spSkinEdit1->text(), QString("/music/rips"));
    form.spSkinEdit1->setText("/chosen");
    Activate(form);  // coming back from a dialog keeps the user's folder
    QCOMPARE(form.spSkinEdit1->text(), QString("/chosen"));
  }

  // CD Player > Detect Read Offset... on a drive that reads 102 samples early: the window shows the offset it
  // needs beside the drive list's, and stores it on the button. A list that gives the same stores it at once.
  void readOffsetWindowShowsWhatTheDiscTellsAndStoresIt() {
    std::vector<testdata::DriveTrack> tracks;
    for (int k = 0; k < 3; ++k) tracks.push_back({testdata::Pattern(testdata::BlockFrames(460), k + 1)});
    auto faults = std::make_shared<testdata::DriveFaults>();
    faults->offsetSamples = -102;
    std::string sheet = testdata::WriteDriveImage(FFolder->Path(), tracks, testdata::DriveImageForm::BinCue);
    CloseCDHandle(testdata::OpenSimulatedDrive(sheet, faults, "QUILLON TESTDRIVE 1.00"));
    std::vector<testdata::DbarEntry> pressing;
    for (std::size_t k = 0; k < tracks.size(); ++k) {
      TrackChecksums sums(tracks[k].audio.size() / 2, k == 0, k + 1 == tracks.size(), 3 * tracks[k].audio.size() / 2);
      sums.Add(reinterpret_cast<const std::uint8_t*>(tracks[k].audio.data()), tracks[k].audio.size() * 2);
      pressing.push_back({3, sums.Sums().arV2, sums.Sums().ar450});
    }
    std::string list = testdata::DriveOffsetsFile({{48, "QUILLON - TESTDRIVE", 7}});
    std::string dbar, dbarPath;
    testdata::HttpTestServer server([&](const std::string& target) {
      if (target == "/accuraterip/DriveOffsets.bin") return testdata::HttpTestReply{200, list};
      return target == "/" + dbarPath ? testdata::HttpTestReply{200, dbar} : testdata::HttpTestReply{404, ""};
    });
    std::string settings = FFolder->File("settings.ini");
    testdata::WriteTextFile(settings, "[AccurateRip]\nserver=" + server.Url() + "\n[Folder]\nopen=True\n");
    RecordingMessageBoxes boxes;
    TMainForm form;
    Activate(form);
    form.Timer1->stop();
    form.GetTrackList();
    AccurateRipIds ids = AccurateRipIdsOf(form.Drives().Toc());
    dbar = testdata::DbarFile(ids.id1, ids.id2, ids.cddb, {pressing});
    dbarPath = ids.Path();
    TReadOffsetForm window(&form);
    window.Input = [&form] { return form.ReadOffsetInput(); };
    window.Settings = [&form] { return form.Settings(); };
    TForms forms;
    forms.ReadOffsetForm = &window;
    form.SetForms(forms);
    auto line = [&](const char* label) {
      QLabel* text = window.findChild<QLabel*>(label);
      return text != nullptr ? text->text() : QString();
    };
    QMap<QString, QString> shown;
    QTimer answer;  // the user, once the window shows what the disc told
    connect(&answer, &QTimer::timeout, [&] {
      if (line("Stored").isEmpty()) return;
      for (const char* label : {"AccurateRip's drive list", "Read offset", "Stored"}) shown[label] = line(label);
      shown["Save enabled"] = window.SaveButton->isEnabled() ? "yes" : "no";
      window.SaveButton->click();
      window.CloseButton->click();
    });
    answer.start(20);
    QAction* entry = nullptr;
    for (QAction* menu : form.menuBar()->actions())
      for (QAction* action : menu->menu()->actions())
        if (action->text() == QString("&Detect Read Offset\u2026")) entry = action;
    QVERIFY(entry != nullptr);
    entry->trigger();
    answer.stop();
    QCOMPARE(shown["AccurateRip's drive list"], QString("+48 (sent in 7 times)"));
    QCOMPARE(shown["Read offset"], QString("+102 (tracks 1, 2, 3)"));
    QCOMPARE(shown["Stored"], QString("no"));
    QCOMPARE(shown["Save enabled"], QString("yes"));
    QCOMPARE(line("Stored"), QString("yes, in [Drive Offsets]"));
    QVERIFY(!window.SaveButton->isEnabled());
    QCOMPARE(TIniFile(settings).ReadString("Drive Offsets", "QUILLON TESTDRIVE 1.00", ""), std::string("102"));
    QCOMPARE(TIniFile(settings).ReadString("Folder", "open", ""), std::string("True"));
    QVERIFY(form.Timer1->isActive());  // the player is back

    list = testdata::DriveOffsetsFile({{102, "QUILLON - TESTDRIVE", 7}});
    std::filesystem::remove_all(FFolder->File("accuraterip"));
    TIniFile(settings).WriteString("Drive Offsets", "QUILLON TESTDRIVE 1.00", "0");
    window.FormActivate();
    QCOMPARE(line("Stored"), QString("yes, in [Drive Offsets]"));
    QCOMPARE(TIniFile(settings).ReadString("Drive Offsets", "QUILLON TESTDRIVE 1.00", ""), std::string("102"));
    QVERIFY(boxes.shown.empty());
  }

  void anInstalledProgramKeepsSettingsAndOutputWithTheUser() {
    std::string home = FFolder->File("home");
    qputenv("HOME", QByteArray::fromStdString(home));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home + "/.config"));
    testdata::WriteTextFile(FFolder->File("settings.ini"), "[Folder]\nmp3 folder=\nwav folder=\n");
    OverrideProgramFolder(FFolder->Path().string(), false);
    TMainForm form;
    Activate(form);
    QCOMPARE(form.spSkinEdit1->text().toStdString(), home + "/Music/Quillon/MP3");
    QVERIFY(std::filesystem::is_directory(home + "/Music/Quillon/MP3"));
    form.wavcheck->click();
    QCOMPARE(form.spSkinEdit1->text().toStdString(), home + "/Music/Quillon/WAV");
    QVERIFY(std::filesystem::is_regular_file(home + "/.config/quillon/settings.ini"));
    QVERIFY(!std::filesystem::exists(FFolder->File("MP3")));
  }
};

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"
