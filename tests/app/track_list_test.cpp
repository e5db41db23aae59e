#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/Forms.h"
#include "app/TMainForm.h"
#include "acs/VorbisBinding.h"
#include "app/Trename.h"
#include "rip/TRipPropressForm.h"
#include "tools/Trecorder.h"
#include "platform/ProgramFolder.h"
#include "tests/app/TestSeams.h"
#include "tests/data/TestDiscs.h"

namespace {

// Runs the answer once the next modal window is up; reports which window that was (nullptr for none).
class ModalWatcher {
 public:
  explicit ModalWatcher(std::function<void(QWidget*)> answer = {}) {
    QTimer::singleShot(0, [this, answer] {
      fired = true;
      shown = QApplication::activeModalWidget();
      if (shown == nullptr) return;
      if (answer) answer(shown);
      if (shown->isVisible()) static_cast<QDialog*>(shown)->reject();
    });
  }
  // When no modal window is expected, lets the watcher look once the action is over.
  QWidget* Settle() {
    while (!fired) QCoreApplication::processEvents();
    return shown;
  }
  bool fired = false;
  QWidget* shown = nullptr;
};

QStringList Names(const TMainForm& form) {
  QStringList names;
  for (int row = 0; row < form.ListView1->topLevelItemCount(); ++row) names << form.ListView1->topLevelItem(row)->text(1);
  return names;
}

QList<bool> Checks(const TMainForm& form) {
  QList<bool> checks;
  for (int row = 0; row < form.ListView1->topLevelItemCount(); ++row)
    checks << (form.ListView1->topLevelItem(row)->checkState(0) == Qt::Checked);
  return checks;
}

}  // namespace

class TrackListTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<testdata::TempFolder> FFolder;
  std::unique_ptr<TMainForm> FForm;

  std::string Folder() const { return FFolder->Path().string() + "/"; }

  // The main window with a disc of the given number of tracks read and the settings given; audio before the
  // first track where asked.
  void Start(int tracks, const std::string& settings, std::size_t hiddenBlocks = 0) {
    std::vector<discimage::ImageTrack> image;
    for (int i = 0; i < tracks; ++i) image.push_back({{}, testdata::Pattern(testdata::BlockFrames(10), i)});
    if (hiddenBlocks != 0) image[0].pregap = testdata::Pattern(testdata::BlockFrames(hiddenBlocks), 9);
    SetCDImageFiles(tracks > 0 ? std::vector<std::string>{discimage::WriteImage(FFolder->Path(), "disc", image, {})}
                               : std::vector<std::string>{});
    testdata::WriteTextFile(Folder() + "settings.ini", settings);
    RecordingMessageBoxes startBoxes;  // a missing sound device is reported while the windows are made
    FForm = CreateForms();
    FForm->show();
    FForm->Timer1->stop();
    if (tracks > 0) FForm->GetTrackList();
  }

 private slots:
  void initTestCase() { BindVorbisLibraries(); }

  void init() {
    FFolder = std::make_unique<testdata::TempFolder>();
    SetPhysicalDrivesEnabled(false);
    OverrideProgramFolder(FFolder->Path().string());
  }
  void cleanup() {
    FForm.reset();
    FFolder.reset();
  }

  // A box shown while the start-up screen is up closes that screen first: it stays on top and would hide it.
  void aBoxClosesTheStartScreenFirst() {
    QWidget screen;
    screen.show();
    CloseBeforeAnyBox(&screen);
    bool screenGone = false;
    ModalWatcher box([&](QWidget*) { screenGone = !screen.isVisible(); });
    ShowStandardError(nullptr, "Device 0 is not available.");
    CloseBeforeAnyBox(nullptr);
    QVERIFY(box.shown != nullptr);
    QVERIFY(screenGone);
  }

  void formatButtonsRenameRowsAndBringTheirFolder() {
    Start(2, "[Folder]\nmp3 folder=/music/mp3\nwav folder=\nOgg folder=/music/ogg\n");
    QCOMPARE(FForm->spSkinEdit1->text(), QString("/music/mp3"));
    FForm->wavcheck->click();
    QCOMPARE(Names(*FForm), QStringList({"Track-01.wav", "Track-02.wav"}));
    QCOMPARE(FForm->spSkinEdit1->text().toStdString(), Folder() + "WAV");
    QVERIFY(std::filesystem::is_directory(Folder() + "WAV"));
    FForm->wavcheck->click();
    QCOMPARE(Names(*FForm), QStringList({"Track-01.wav", "Track-02.wav"}));

    FForm->ListView1->topLevelItem(0)->setText(1, "Blue Song.wav");
    FForm->oggcheck->click();
    QCOMPARE(Names(*FForm), QStringList({"Blue Song.Ogg", "Track-02.Ogg"}));
    QCOMPARE(FForm->spSkinEdit1->text(), QString("/music/ogg"));
    FForm->flaccheck->click();
    QCOMPARE(Names(*FForm), QStringList({"Blue Song.flac", "Track-02.flac"}));
    QCOMPARE(FForm->spSkinEdit1->text().toStdString(), Folder() + "FLAC");
    FForm->opuscheck->click();
    QCOMPARE(Names(*FForm), QStringList({"Blue Song.opus", "Track-02.opus"}));
    QCOMPARE(FForm->spSkinEdit1->text().toStdString(), Folder() + "Opus");
    FForm->mp3check->click();
    QCOMPARE(Names(*FForm), QStringList({"Blue Song.mp3", "Track-02.mp3"}));
  }

  // The hidden audio before track 1 is the first row, ripped from block 0 up to the track.
  void hiddenAudioIsTheFirstRowAndRipsUpToTheFirstTrack() {
    Start(2, "[Folder]\nmp3 folder=/music/mp3\n", 30);
    QCOMPARE(Names(*FForm), QStringList({"Track-00.mp3", "Track-01.mp3", "Track-02.mp3"}));
    QCOMPARE(FForm->ListView1->topLevelItem(0)->text(0), QString("00"));
    const std::vector<RipRow> rows = FForm->RipJobInput().rows;
    QCOMPARE(rows[0].start, 0u);
    QCOMPARE(rows[0].blocks, 30u);
    QCOMPARE(rows[1].start, 30u);
    QCOMPARE(rows[1].tags.track, 1);
    QCOMPARE(rows[1].tags.total, 2);
  }

  void formatButtonWithoutRowsOnlyChangesTheFolder() {
    Start(0, "");
    FForm->wavcheck->click();
    QCOMPARE(FForm->ListView1->topLevelItemCount(), 0);
    QCOMPARE(FForm->spSkinEdit1->text().toStdString(), Folder());  // no setting: the program folder
  }

  void renameOffersTheNameWithoutExtensionAndAppendsTheFormats() {
    Start(2, "");
    FForm->oggcheck->click();
    FForm->ListView1->topLevelItem(1)->setText(1, "Blue Song.Ogg");
    FForm->ListView1->clearSelection();
    FForm->ListView1->topLevelItem(1)->setSelected(true);
    QString offered;
    ModalWatcher rename([&](QWidget* dialog) {
      auto* rename = static_cast<Trename*>(dialog);
      offered = rename->filename->text();
      rename->filename->setText("Intro");
      rename->OKClick();
    });
    FForm->ListView1DblClick();
    QCOMPARE(rename.shown->windowTitle(), QString("Rename "));
    QCOMPARE(offered, QString("Blue Song"));
    QCOMPARE(Names(*FForm), QStringList({"Track-01.Ogg", "Intro.ogg"}));

    ModalWatcher cancelled([](QWidget* dialog) { static_cast<Trename*>(dialog)->filename->setText("Other"); });
    FForm->ListView1DblClick();
    QCOMPARE(Names(*FForm), QStringList({"Track-01.Ogg", "Intro.ogg"}));
    ModalWatcher emptied([](QWidget* dialog) {
      static_cast<Trename*>(dialog)->filename->setText("  ");
      static_cast<Trename*>(dialog)->OKClick();
    });
    FForm->ListView1DblClick();
    QCOMPARE(Names(*FForm), QStringList({"Track-01.Ogg", "Intro.ogg"}));

    // In a selection of several rows, the row double-clicked is the one renamed.
    QTreeWidget* list = FForm->ListView1;
    list->topLevelItem(0)->setSelected(true);
    list->selectionModel()->setCurrentIndex(list->model()->index(1, 0), QItemSelectionModel::NoUpdate);
    ModalWatcher clicked([](QWidget* dialog) {
      static_cast<Trename*>(dialog)->filename->setText("Outro");
      static_cast<Trename*>(dialog)->OKClick();
    });
    FForm->ListView1DblClick();
    QCOMPARE(Names(*FForm), QStringList({"Track-01.Ogg", "Outro.ogg"}));
    // F2, the shortcut of Actions > Rename Track…, renames the same row.
    QAction* entry = nullptr;
    for (QAction* action : FForm->findChildren<QAction*>())
      if (action->text() == QString::fromUtf8("Re&name Track\u2026")) entry = action;
    QVERIFY(entry != nullptr && entry->shortcut() == QKeySequence(Qt::Key_F2));
    ModalWatcher byKey([](QWidget* dialog) {
      static_cast<Trename*>(dialog)->filename->setText("Coda");
      static_cast<Trename*>(dialog)->OKClick();
    });
    entry->trigger();
    QCOMPARE(Names(*FForm), QStringList({"Track-01.Ogg", "Coda.ogg"}));
    FForm->flaccheck->click();
    ModalWatcher flac([&](QWidget* dialog) { offered = static_cast<Trename*>(dialog)->filename->text(); });
    FForm->ListView1DblClick();
    QCOMPARE(offered, QString("Coda"));  // without the five characters of ".flac"

    FForm->ListView1->clearSelection();
    ModalWatcher none;
    FForm->ListView1DblClick();
    QVERIFY(none.Settle() == nullptr);
  }

  // With a template the rows carry its names from the start; renaming replaces the file's own name and
  // keeps the folders, and the name typed is the file's name, also for the title tag.
  void aNameTemplateNamesFreshRowsAndRenamingKeepsItsFolders() {
    Start(2, "[Rip]\nname template=%a/%n %t\n");
    QCOMPARE(Names(*FForm), QStringList({"Unknown Artist/01 Track-01.mp3", "Unknown Artist/02 Track-02.mp3"}));
    QString selected;
    ModalWatcher typed([&](QWidget* dialog) {
      QLineEdit* box = static_cast<Trename*>(dialog)->filename;
      selected = box->selectedText();
      box->insert("Live");
      static_cast<Trename*>(dialog)->OKClick();
    });
    FForm->ListView1DblClick();
    QCOMPARE(selected, QString("01 Track-01"));
    ModalWatcher noName([](QWidget* dialog) {
      static_cast<Trename*>(dialog)->filename->setText("Unknown Artist/ ");
      static_cast<Trename*>(dialog)->OKClick();
    });
    FForm->ListView1DblClick();
    FForm->oggcheck->click();
    QCOMPARE(Names(*FForm), QStringList({"Unknown Artist/Live.Ogg", "Unknown Artist/02 Track-02.Ogg"}));
    QCOMPARE(FForm->RipJobInput().rows[0].tags.title, std::string("Live"));
  }

  // The box shows whether every row is checked; checking it checks them all, clearing it reverses each mark.
  void checkAllFollowsTheRowsAndSetsOrReversesTheMarks() {
    Start(5, "");
    QVERIFY(FForm->spSkinCheckRadioBox1->isChecked());
    FForm->ListView1->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    FForm->ListView1->topLevelItem(3)->setCheckState(0, Qt::Unchecked);
    QVERIFY(!FForm->spSkinCheckRadioBox1->isChecked());

    FForm->spSkinCheckRadioBox1->click();
    QCOMPARE(Checks(*FForm), QList<bool>({true, true, true, true, true}));
    QCOMPARE(FForm->ListView1->selectedItems().size(), 5);
    QCOMPARE(FForm->ListView1->currentIndex().row(), 0);
    QVERIFY(FForm->spSkinCheckRadioBox1->isChecked());
    FForm->spSkinCheckRadioBox1->click();
    QCOMPARE(Checks(*FForm), QList<bool>({false, false, false, false, false}));
  }

  void ripShowsTheRipWindowOnlyWithACheckedRow() {
    Start(2, "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n");
    RecordingMessageBoxes boxes;
    FForm->UnselectAll1Click();
    ModalWatcher nothing;
    FForm->Rip1Click();
    QVERIFY(nothing.Settle() == nullptr);
    QVERIFY(FForm->Timer1->isActive());
    FForm->Timer1Timer();
    QCOMPARE(FForm->spSLMsgOut->text(), QString("No track is checked."));

    FForm->ListView1->topLevelItem(1)->setCheckState(0, Qt::Checked);
    ModalWatcher rip;
    FForm->RipButton->click();
    QVERIFY(rip.shown != nullptr);
    QVERIFY(rip.shown == static_cast<QWidget*>(FForm->Forms().RipPropressForm));
    QVERIFY(FForm->Timer1->isActive());
    QVERIFY2(boxes.shown.empty(), boxes.shown.empty() ? "" : qPrintable(boxes.shown[0].text));
  }

  // At the default font and at 10 and 11 points no caption is cut: each control the windows place themselves is
  // as wide as its text, or as high as the lines of a text it wraps.
  void captionsFitAtTheDefaultFontAndAtTenAndElevenPoints() {
    const QFont normal = QApplication::font();
    QStringList cut;
    for (double points : {normal.pointSizeF(), 10.0, 11.0}) {
      QFont font = normal;
      font.setPointSizeF(points);
      QApplication::setFont(font);
      Start(1, "");
      QList<QWidget*> windows{FForm.get()};
      for (QDialog* dialog : FForm->findChildren<QDialog*>(Qt::FindDirectChildrenOnly)) windows << dialog;
      for (QWidget* window : windows)
        for (QWidget* widget : window->findChildren<QWidget*>()) {
          if (widget->window() != window || (widget->parentWidget()->layout() != nullptr) ||
              widget == FForm->Forms().recorder->DeviceLabel)
            continue;
          QString text;
          int needed = 0;
          if (auto* label = qobject_cast<QLabel*>(widget); label != nullptr && label->wordWrap()) {
            // A label that wraps its text is cut when the lines it makes are taller than it.
            if (label->heightForWidth(label->width()) > label->height())
              cut << QString("%1 pt, %2: \"%3\" needs %4 high").arg(points).arg(window->windowTitle(), label->text())
                         .arg(label->heightForWidth(label->width()));
          } else if (label != nullptr && !Qt::mightBeRichText(label->text())) {
            text = label->text();
            needed = label->fontMetrics().size(Qt::TextShowMnemonic, text).width() + 2 * label->frameWidth() + label->indent();
          } else if (auto* choice = qobject_cast<QAbstractButton*>(widget)) {
            text = choice->text();
            needed = qobject_cast<QPushButton*>(widget) != nullptr ? choice->fontMetrics().size(Qt::TextShowMnemonic, text).width() + 8
                                                                   : choice->sizeHint().width();
          }
          for (QPushButton* button : window->findChildren<QPushButton*>())
            if (qobject_cast<QLabel*>(widget) != nullptr && button->window() == window && button->isVisibleTo(window) &&
                widget->isVisibleTo(window) && button->parentWidget() == widget->parentWidget() &&
                button->geometry().intersects(widget->geometry()))
              cut << QString("%1 pt, %2: \"%3\" runs into %4").arg(points).arg(window->windowTitle(), widget->property("text").toString(), button->text());
          if (!text.isEmpty() && needed > widget->width())
            cut << QString("%1 pt, %2: \"%3\" needs %4").arg(points).arg(window->windowTitle(), text).arg(needed);
        }
      FForm.reset();
      QApplication::setFont(normal);
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; ")));
  }

  void outputFolderButtonTakesTheChosenFolder() {
    Start(1, "");
    {
      AnsweringFolderBrowser browser("/picked");
      FForm->spSkinButtonFolderClick();
      QCOMPARE(browser.titles, std::vector<QString>{"Select a directory"});
      QCOMPARE(browser.starts, std::vector<QString>{QString::fromStdString(Folder())});  // the folder box's
    }
    QCOMPARE(FForm->spSkinEdit1->text(), QString("/picked"));
    AnsweringFolderBrowser cancelled("");
    FForm->spSkinButtonFolderClick();
    QCOMPARE(FForm->spSkinEdit1->text(), QString("/picked"));
  }
};

QTEST_MAIN(TrackListTest)
#include "track_list_test.moc"
