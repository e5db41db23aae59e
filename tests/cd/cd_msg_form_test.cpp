#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <functional>
#include <memory>

#include "acs/VorbisBinding.h"
#include "app/Forms.h"
#include "app/TMainForm.h"
#include "cd/TCdMsgForm.h"
#include "platform/ProgramFolder.h"
#include "tests/app/TestSeams.h"
#include "tests/data/CddbTestServer.h"
#include "tests/data/MusicBrainzTestServer.h"
#include "tests/data/TestDiscs.h"

using testdata::CddbFault;
using testdata::CddbTestServer;

namespace {

// Three tracks of 10 blocks: disc ID 06000003.
const std::vector<testdata::CddbTestEntry> kDatabase = {
    {"rock", "06000003", "Blue / Songs", testdata::XmcdLines("06000003", "Blue / Songs", {"Intro", "AC/DC", "Caf\xC3\xA9"})}};

QStringList Names(const TMainForm& form) {
  QStringList names;
  for (int row = 0; row < form.ListView1->topLevelItemCount(); ++row) names << form.ListView1->topLevelItem(row)->text(1);
  return names;
}

QStringList Labels(const TCdMsgForm& dialog) {
  return {dialog.edDiscID->text(), dialog.edArtist->text(), dialog.edTitle->text(), dialog.edCategory->text()};
}

QStringList AlbumLabels(const TCdMsgForm& dialog) {
  return Labels(dialog) + QStringList{dialog.edYear->text(), dialog.edGenre->text(), dialog.edDisc->text(),
                                      dialog.edRelease->text()};
}

}  // namespace

class CdMsgFormTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<testdata::TempFolder> FFolder;
  std::unique_ptr<CddbTestServer> FServer;
  std::unique_ptr<TMainForm> FForm;
  std::unique_ptr<RecordingMessageBoxes> FBoxes;

  void UseServer(const CddbTestServer& server) {
    testdata::WriteTextFile(FFolder->File("settings.ini"), "[CDDB]\nserver=" + server.Address() + "\n");
  }

  TCdMsgForm& Dialog() { return *FForm->Forms().CdMsgForm; }

  // Runs the action that shows the dialog; check sees the dialog and the main window while it is up, once
  // the lookup (which keeps the windows painted while it waits, busy cursor up) has ended. An action may look
  // the disc up before it shows the dialog.
  void ShowDialog(const std::function<void()>& action, const std::function<void()>& check = {}) {
    bool shown = false;
    QElapsedTimer waited;
    waited.start();
    std::function<void()> close = [&] {
      bool up = QApplication::activeModalWidget() == &Dialog() || waited.elapsed() > 5000;
      if (Dialog().LookupPending() || !up) return QTimer::singleShot(10, close);
      shown = QApplication::activeModalWidget() == &Dialog();
      if (check) check();
      Dialog().spSkinButton1->click();
    };
    QTimer::singleShot(0, close);
    action();
    QVERIFY(shown);
    QVERIFY(!Dialog().isVisible());
  }

  void ClickCddbButton() {
    for (QToolButton* button : FForm->findChildren<QToolButton*>())
      if (button->toolTip() == "CDDB") button->click();
  }

  void ChooseMusicBrainzLookup() {
    for (QAction* action : FForm->menuBar()->findChildren<QAction*>())
      if (action->text().remove(QChar(u'&')) == "MusicBrainz Lookup") action->trigger();
  }

  void ChooseMenuEntry() {
    for (QAction* action : FForm->menuBar()->findChildren<QAction*>())
      if (action->text() == "C&D Information (CDDB)") action->trigger();
  }

 private slots:
  void initTestCase() { BindVorbisLibraries(); }

  void init() {
    FFolder = std::make_unique<testdata::TempFolder>();
    FBoxes = std::make_unique<RecordingMessageBoxes>();
    FServer = std::make_unique<CddbTestServer>(kDatabase);
    SetPhysicalDrivesEnabled(false);
    OverrideProgramFolder(FFolder->Path().string());
    std::vector<discimage::ImageTrack> tracks;
    for (int i = 0; i < 3; ++i) tracks.push_back({{}, testdata::Pattern(testdata::BlockFrames(10), i)});
    SetCDImageFiles({discimage::WriteImage(FFolder->Path(), "disc", tracks, {})});
    UseServer(*FServer);
    FForm = CreateForms();
    FForm->show();
    FForm->GetTrackList();
    FBoxes->shown.clear();  // what the windows' creation reported is not ours to judge
  }

  void cleanup() {
    FForm.reset();
    FServer.reset();
    FBoxes.reset();
    FFolder.reset();
  }

  void cddbButtonFillsTheDialogAndRenamesTheTracks() {
    QCOMPARE(Dialog().windowTitle(), QString("CD Information"));
    QVERIFY(Dialog().spSkinButton1->isDefault());
    QCOMPARE(Labels(Dialog()), QStringList({"", "", "", ""}));
    FForm->wavcheck->click();
    FForm->ListView1->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    FForm->ListView1->setCurrentItem(FForm->ListView1->topLevelItem(2));
    QVERIFY(FForm->Timer1->isActive());

    ShowDialog([this] { ClickCddbButton(); },
               [this] {
                 QCOMPARE(Labels(Dialog()), QStringList({"06000003", "Blue", "Songs", "rock"}));
                 QCOMPARE(FForm->spSLMsgOut->text(), QString("Successful"));
                 QVERIFY(!FForm->Timer1->isActive());  // the outcome stays readable
               });
    QCOMPARE(Names(*FForm), QStringList({"Intro.wav", "AC-DC.wav", "Caf\u00e9.wav"}));
    QCOMPARE(FForm->ListView1->topLevelItem(1)->checkState(0), Qt::Checked);
    // The rip tags the files from the lookup, and rows renamed alike still rip into files of their own.
    FForm->ListView1->topLevelItem(1)->setText(1, "Intro.wav");
    RipInput input = FForm->RipJobInput();
    QCOMPARE(input.rows[1].name, std::string("Intro (2).wav"));
    QCOMPARE(input.rows[2].tags.title, std::string("Caf\u00e9"));
    QCOMPARE(input.rows[2].tags.album, std::string("Songs"));
    QCOMPARE(input.rows[2].tags.total, 3);
    FForm->GetTrackList();
    QCOMPARE(FForm->RipJobInput().rows[2].tags.title, std::string("Track-03"));
    QCOMPARE(FForm->ListView1->currentItem(), FForm->ListView1->topLevelItem(0));
    QVERIFY(FForm->Timer1->isActive());
    QVERIFY(FBoxes->shown.empty());
  }

  void musicBrainzEntryNamesAndTagsTheTracksAfterTheChosenRelease() {
    testdata::MusicBrainzTestServer server(
        {{"/ws/2/discid/5Yg_iRnsRa_h7uC5YjaJKRRyoZw-", {200, testdata::MusicBrainzReplyFile("several_releases.json")}}});
    testdata::WriteTextFile(FFolder->File("settings.ini"),
                            "[MusicBrainz]\nserver=" + server.Url() + "\n[Rip]\nname template=%A/%n %t\n");
    std::size_t offered = 0;
    FForm->ChooseRelease = [&](const std::vector<MusicBrainzRelease>& releases) {
      offered = releases.size();
      return 1;
    };
    ShowDialog([this] { ChooseMusicBrainzLookup(); });
    QCOMPARE(offered, std::size_t(2));
    QCOMPARE(Names(*FForm), QStringList({"Songs (Remaster)/01 Intro (Remaster).mp3",
                                         "Songs (Remaster)/02 Middle (Remaster).mp3",
                                         "Songs (Remaster)/03 Outro (Remaster).mp3"}));
    RipInput input = FForm->RipJobInput();
    QCOMPARE(input.rows[0].tags.album, std::string("Songs (Remaster)"));
    QCOMPARE(input.rows[0].tags.musicBrainzReleaseId, std::string("0d1e2f3a-4b5c-4d6e-7f80-91a2b3c4d5e6"));
    QVERIFY(FBoxes->shown.empty());

    testdata::MusicBrainzTestServer none({});
    testdata::WriteTextFile(FFolder->File("settings.ini"),
                            "[MusicBrainz]\nserver=" + none.Url() + "\n[Rip]\nname template=%A/%n %t\n");
    for (QAction* action : FForm->menuBar()->findChildren<QAction*>())
      if (action->text().remove(QChar(u'&')) == "MusicBrainz Lookup") action->trigger();
    QCOMPARE(Names(*FForm), QStringList({"Unknown Album/01 Track-01.mp3", "Unknown Album/02 Track-02.mp3",
                                         "Unknown Album/03 Track-03.mp3"}));
    QCOMPARE(FBoxes->shown.size(), std::size_t(1));
  }

  // The dialog shows the album of the release chosen from MusicBrainz at once, and that of CDDB after its lookup.
  void theDialogShowsTheAlbumOfEitherLookup() {
    testdata::MusicBrainzTestServer server(
        {{"/ws/2/discid/5Yg_iRnsRa_h7uC5YjaJKRRyoZw-", {200, testdata::MusicBrainzReplyFile("two_disc_release.json")}}});
    testdata::WriteTextFile(FFolder->File("settings.ini"),
                            "[MusicBrainz]\nserver=" + server.Url() + "\n[CDDB]\nserver=" + FServer->Address() + "\n");
    ShowDialog([this] { ChooseMusicBrainzLookup(); },
               [this] {
                 QCOMPARE(AlbumLabels(Dialog()),
                          QStringList({"5Yg_iRnsRa_h7uC5YjaJKRRyoZw-", "Blue", "Live at the Hall", "", "1973",
                                       "progressive rock", "2/2", "2c3d4e5f-6a7b-4c8d-9e0f-a1b2c3d4e5f6"}));
               });
    ShowDialog([this] { ClickCddbButton(); },
               [this] {
                 QCOMPARE(AlbumLabels(Dialog()), QStringList({"06000003", "Blue", "Songs", "rock", "2001", "Test", "", ""}));
               });
  }

  // A disc's CD-Text names the rows through the template and tags the rip until a lookup finds the disc; a
  // server that does not know it leaves the CD-Text's names.
  void cdTextNamesTheTracksUntilALookupFindsTheDisc() {
    testdata::AddSampleCdText(FFolder->File("disc.cue"));
    CddbTestServer empty({});
    auto useServer = [this](const CddbTestServer& server) {
      testdata::WriteTextFile(FFolder->File("settings.ini"),
                              "[CDDB]\nserver=" + server.Address() + "\n[Rip]\nname template=%a/%n %t\n");
    };
    useServer(*FServer);
    FForm->GetTrackList();
    const QStringList fromCdText = {"Blue/01 Intro.mp3", "Red/02 Duet for Two.mp3", "Blue/03 Outro.mp3"};
    QCOMPARE(Names(*FForm), fromCdText);
    RipInput input = FForm->RipJobInput();
    QCOMPARE(input.metadataSource, std::string("CD-Text"));
    QCOMPARE(input.rows[1].tags.title, std::string("Duet for Two"));
    QCOMPARE(input.rows[1].tags.artist, std::string("Red"));
    QCOMPARE(input.rows[1].tags.albumArtist, std::string("Blue"));
    QCOMPARE(input.rows[1].tags.album, std::string("Songs"));

    ShowDialog([this] { ClickCddbButton(); });
    QCOMPARE(Names(*FForm), QStringList({"Blue/01 Intro.mp3", "Blue/02 AC-DC.mp3", "Blue/03 Caf\u00e9.mp3"}));
    QCOMPARE(FForm->RipJobInput().metadataSource, std::string("CDDB"));
    useServer(empty);
    ShowDialog([this] { ClickCddbButton(); });
    QCOMPARE(Names(*FForm), fromCdText);
    QCOMPARE(FForm->RipJobInput().rows[1].tags.artist, std::string("Red"));
  }

  void failuresKeepTheLabelsAndTheDefaultNames() {
    ShowDialog([this] { ChooseMenuEntry(); });
    QStringList found = {"06000003", "Blue", "Songs", "rock"};
    QCOMPARE(Labels(Dialog()), found);

    FServer->SetFault(CddbFault::ReadRefused);
    ShowDialog([this] { ChooseMenuEntry(); });
    QCOMPARE(FBoxes->shown.size(), std::size_t(1));
    QCOMPARE(FBoxes->shown[0].text, QString("Error while getting DiskInfo!"));
    QCOMPARE(Labels(Dialog()), found);
    QCOMPARE(Names(*FForm), QStringList({"Track-01.mp3", "Track-02.mp3", "Track-03.mp3"}));

    CddbTestServer empty({});
    UseServer(empty);
    ShowDialog([this] { ClickCddbButton(); },
               [this] { QCOMPARE(FForm->spSLMsgOut->text(), QString("No record in CDDB!")); });
    QCOMPARE(Labels(Dialog()), QStringList({"6000003", "Unknown Artist", "Unknown Title", "Unknown Type"}));
  }

  // A server that never answers: the windows stay painted under the busy cursor, and Escape gives up at
  // once, leaving the dialog's texts and the plain names.
  void escapeAbandonsTheLookupOfASilentServer() {
    ShowDialog([this] { ChooseMenuEntry(); });
    QStringList found = Labels(Dialog());
    FServer->SetFault(CddbFault::Silent);
    bool busy = false;
    QString status;
    QTimer::singleShot(300, [&] {
      busy = QApplication::overrideCursor() != nullptr && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
      status = FForm->spSLMsgOut->text();
      QTest::keyClick(&Dialog(), Qt::Key_Escape);
    });
    QElapsedTimer clock;
    clock.start();
    ShowDialog([this] { ClickCddbButton(); },
               [this] { QCOMPARE(FForm->spSLMsgOut->text(), QString("CDDB lookup abandoned")); });
    QVERIFY(clock.elapsed() < 3000);
    QVERIFY(busy);
    QCOMPARE(status, QString("Connecting with CDDB......"));
    QCOMPARE(Labels(Dialog()), found);
    QCOMPARE(Names(*FForm), QStringList({"Track-01.mp3", "Track-02.mp3", "Track-03.mp3"}));
    QVERIFY(FBoxes->shown.empty());
  }
};

QTEST_MAIN(CdMsgFormTest)
#include "cd_msg_form_test.moc"
