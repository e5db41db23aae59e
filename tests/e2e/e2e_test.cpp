// The whole program as a user meets it, on a real X display: started as the program starts, with a disc
// image as its only drive, driven by mouse clicks and key presses. It rips the disc to each format through
// the real windows, plays it, opens and closes every tool, and ends with File, Exit. The screenshots it
// takes are kept in the build folder.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <utility>
#include <memory>

#include "app/Forms.h"
#include "app/ProgramStart.h"
#include "app/TMainForm.h"
#include "platform/ProgramFolder.h"
#include "platform/akrip32/akrip32.h"
#include "tests/data/Loopback.h"
#include "tests/data/TestDiscs.h"
#include "tests/data/TestProcess.h"

namespace {

namespace fs = std::filesystem;

// The whole screen, once what the program has drawn has reached the display.
void Screenshot(const QString& name) {
  QApplication::processEvents();
  QApplication::sync();
  fs::create_directories(QUILLON_SCREENSHOTS);
  QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
  QVERIFY(screen.save(QString(QUILLON_SCREENSHOTS) + "/" + name + ".png"));
}

void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center()); }

QPushButton* ButtonOf(QWidget* window, const QString& text) {
  for (QPushButton* button : window->findChildren<QPushButton*>())
    if (QString(button->text()).remove('&') == text && button->isVisible()) return button;
  return nullptr;
}

// The letter after a single "&", or none.
QChar MnemonicOf(const QString& text) {
  for (qsizetype at = text.indexOf('&'); at >= 0 && at + 1 < text.size(); at = text.indexOf('&', at + 2))
    if (text[at + 1] != '&') return text[at + 1].toLower();
  return {};
}

// Buttons and the labels of controls without a mnemonic, and letters that two of them (or a tab, or a menu
// title) share in one window.
// The page of a tab widget that holds the widget; nullptr for a widget that shows whatever page is up.
const QWidget* PageOf(const QWidget* widget) {
  for (; widget != nullptr && !widget->isWindow(); widget = widget->parentWidget()) {
    const QWidget* stack = widget->parentWidget();
    if (stack != nullptr && qobject_cast<const QStackedWidget*>(stack) != nullptr &&
        qobject_cast<const QTabWidget*>(stack->parentWidget()) != nullptr)
      return widget;
  }
  return nullptr;
}

// Two controls share a mnemonic when they can be seen together: controls on different pages of a tab
// widget may take the same letter.
QStringList MnemonicProblems(QWidget* window) {
  QStringList problems;
  QMultiMap<QChar, QPair<const QWidget*, QString>> taken;
  auto take = [&](const QString& text, bool required, const QWidget* page) {
    QChar letter = MnemonicOf(text);
    if (letter.isNull()) {
      if (required) problems << "no mnemonic: " + text;
      return;
    }
    for (const auto& [otherPage, otherText] : taken.values(letter))
      if (otherPage == nullptr || page == nullptr || otherPage == page) problems << "shared: " + otherText + ", " + text;
    taken.insert(letter, {page, text});
  };
  auto own = [window](QWidget* widget) { return widget->window() == window; };  // not the dialogs it owns
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
    if (own(button) && !button->text().isEmpty()) take(button->text(), true, PageOf(button));
  for (QLabel* label : window->findChildren<QLabel*>())
    if (own(label) && label->buddy() != nullptr) take(label->text(), true, PageOf(label));
  for (QTabBar* tabs : window->findChildren<QTabBar*>())
    for (int tab = 0; own(tabs) && tab < tabs->count(); ++tab) take(tabs->tabText(tab), false, nullptr);
  for (QMenuBar* bar : window->findChildren<QMenuBar*>())
    for (QAction* action : bar->actions()) take(action->text(), true, nullptr);
  return problems;
}

QAction* ActionOf(const QList<QAction*>& actions, const QString& text) {
  for (QAction* action : actions)
    if (QString(action->text()).remove('&') == text) return action;
  return nullptr;
}

// Opens a menu of the menu bar and clicks one of its entries, as with the mouse. An entry that opens a
// modal window returns only when that window has closed.
void ChooseMenu(QMainWindow& window, const QString& title, const QString& entry) {
  QMenuBar* bar = window.menuBar();
  QAction* menuAction = ActionOf(bar->actions(), title);
  QVERIFY2(menuAction != nullptr, qPrintable(title));
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menuAction).center());
  QMenu* menu = menuAction->menu();
  QTRY_VERIFY(menu->isVisible());
  QAction* item = ActionOf(menu->actions(), entry);
  QVERIFY2(item != nullptr, qPrintable(entry));
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
}

// Arms the steps a user takes in the next modal window with the caption (any caption when empty); they
// run once the window is on the screen and ready says so. The steps must not wait: the window's own work
// may be running in the event loop they were called from. The flag tells whether they ran.
std::shared_ptr<bool> WhenShown(const QString& caption, std::function<void(QWidget*)> steps,
                                std::function<bool(QWidget*)> ready = [](QWidget*) { return true; }) {
  auto shown = std::make_shared<bool>(false);
  auto exposed = std::make_shared<bool>(false);
  auto* timer = new QTimer;
  timer->setInterval(50);
  QObject::connect(timer, &QTimer::timeout, [=] {
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr || window->windowHandle() == nullptr || !window->windowHandle()->isExposed()) return;
    // A tick after it came on the screen, so that it has been painted; never while a lookup holds the input.
    if (!std::exchange(*exposed, true) || QApplication::overrideCursor() != nullptr) return;
    if ((!caption.isEmpty() && window->windowTitle() != caption) || !ready(window)) return;
    timer->stop();
    timer->deleteLater();
    *shown = true;
    steps(window);
  });
  timer->start();
  return shown;
}

// The common case: look at the window, then leave it with one of its buttons.
std::shared_ptr<bool> WhenShownLeaveWith(const QString& caption, const QString& shot, const QString& button) {
  return WhenShown(caption, [shot, button](QWidget* window) {
    Screenshot(shot);
    QCOMPARE(MnemonicProblems(window), QStringList());
    QPushButton* leave = ButtonOf(window, button);
    QVERIFY2(leave != nullptr, qPrintable(button));
    Click(leave);
  });
}

QStringList Column(const QTreeWidget* list, int column) {
  QStringList texts;
  for (int row = 0; row < list->topLevelItemCount(); ++row) texts << list->topLevelItem(row)->text(column);
  return texts;
}

// Samples per channel that a reference decoder gets from the file.
std::size_t DecodedFrames(const std::string& decoder, const fs::path& file, const fs::path& raw) {
  testdata::ProcessResult result = testdata::RunCommand(decoder + " '" + file.string() + "' > '" + raw.string() + "'");
  if (result.status != 0) return 0;
  return fs::file_size(raw) / 4;
}

}  // namespace

class EndToEndTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<testdata::TempFolder> FFolder;
  std::vector<discimage::ImageTrack> FTracks;
  std::unique_ptr<TMainForm> FForm;

  fs::path Output(const std::string& format) const { return FFolder->Path() / "out" / format; }

  void WriteSettings() {
    std::string folder = FFolder->Path().string();
    testdata::WriteTextFile(folder + "/settings.ini",
                            "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\nchannel=STEREO\n"
                            "[Folder]\nmp3 folder=" + Output("mp3").string() + "\nwav folder=" + Output("wav").string() +
                                "\nOgg folder=" + Output("ogg").string() + "\nopen=False\n"
                                "[Ogg Options]\ncpu=3\ncompr=20\n"
                                "[CDDB]\nserver=127.0.0.1:9\n"
                                "[AccurateRip]\nserver=http://127.0.0.1:9\n[CTDB]\nserver=http://127.0.0.1:9\n"
                                "[CD Images]\ndisc=e2e.cue\n");
    for (const char* format : {"mp3", "wav", "ogg"}) fs::create_directories(Output(format));
  }

  // A window manager would give the window back its focus when a dialog closes; here the test does, so that
  // the window's shortcuts reach it.
  void Activate() {
    FForm->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FForm.get()));
  }

  // Rips with the Rip button (key 0) or a key of the main window and waits for the rip window to finish and
  // be closed.
  void Rip(const QString& shot, QKeyCombination key) {
    auto shown = WhenShown(
        "",
        [shot](QWidget* window) {
          Screenshot(shot);
          QCOMPARE(MnemonicProblems(window), QStringList());
          Click(ButtonOf(window, "Close"));
        },
        [](QWidget* window) { return ButtonOf(window, "Close") != nullptr; });
    if (key.key() != Qt::Key_unknown) {
      Activate();
      QTest::keyClick(FForm->ListView1, key.key(), key.keyboardModifiers());
    }
    else
      Click(FForm->RipButton);
    QVERIFY(*shown);
  }

 private slots:
  void initTestCase() {
    FFolder = std::make_unique<testdata::TempFolder>();
    FTracks = {{{}, testdata::Pattern(testdata::BlockFrames(150), 1)},
               {{}, testdata::Pattern(testdata::BlockFrames(110), 2)},
               {{}, testdata::Pattern(testdata::BlockFrames(75), 3)}};
    QVERIFY(!discimage::WriteImage(FFolder->Path().string(), "e2e", FTracks, {}).empty());
    WriteSettings();
    OverrideProgramFolder(FFolder->Path().string());
    SetPhysicalDrivesEnabled(false);  // the image is the only drive
  }

  void cleanupTestCase() { FFolder.reset(); }

  void theMainWindowShowsTheDisc() {
    FForm = StartProgram({});
    QVERIFY(FForm);
    QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
    FForm->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FForm.get()));
    QCOMPARE(FForm->windowTitle(), QString("Quillon"));
    QVERIFY(!QApplication::windowIcon().isNull());  // the icon every window shows
    QCOMPARE(FForm->spCDROMlist->currentText(), QString("Image: e2e.cue"));
    QTRY_COMPARE(FForm->ListView1->topLevelItemCount(), 3);
    QCOMPARE(Column(FForm->ListView1, 0), QStringList({"01", "02", "03"}));
    QCOMPARE(Column(FForm->ListView1, 1), QStringList({"Track-01.mp3", "Track-02.mp3", "Track-03.mp3"}));
    QCOMPARE(Column(FForm->ListView1, 2), QStringList({"00:02,00", "00:01,35", "00:01,00"}));
    QTRY_COMPARE(FForm->spSLMsgOut->text(), QString("  There are 3 tracks in the CD"));
    QCOMPARE(FForm->spSkinEdit1->text(), QString::fromStdString(Output("mp3").string()));
    Screenshot("01-main-window");
  }

  // WAV, with the second track renamed and the third unchecked: the files hold the disc's audio exactly.
  void ripsToWav() {
    Click(FForm->wavcheck);
    QCOMPARE(FForm->spSkinEdit1->text(), QString::fromStdString(Output("wav").string()));
    QTreeWidget* list = FForm->ListView1;
    auto renamed = WhenShown("Rename ", [](QWidget* window) {
      auto* name = window->findChild<QLineEdit*>();
      QCOMPARE(name->text(), QString("Track-02"));
      QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClicks(name, "Second Song");
      Screenshot("02-rename");
      QTest::keyClick(name, Qt::Key_Return);
    });
    QPoint second = list->visualItemRect(list->topLevelItem(1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second);
    QVERIFY(*renamed);
    QCOMPARE(list->topLevelItem(1)->text(1), QString("Second Song.wav"));
    QRect third = list->visualItemRect(list->topLevelItem(2));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, third.center());  // on its name
    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(list->topLevelItem(2)->checkState(0), Qt::Unchecked);
    QVERIFY(!FForm->spSkinCheckRadioBox1->isChecked());

    Rip("03-rip-wav", {});
    for (auto [name, track] : {std::pair{"Track-01.wav", 0}, std::pair{"Second Song.wav", 1}}) {
      std::vector<std::uint8_t> file = testdata::ReadBytes(Output("wav") / name);
      std::vector<std::uint8_t> audio = testdata::ExpectedTrackBytes(FTracks, std::size_t(track));
      QCOMPARE(file.size(), audio.size() + 44);
      QVERIFY2(std::equal(audio.begin(), audio.end(), file.begin() + 44), name);
    }
    QVERIFY(!fs::exists(Output("wav") / "Track-03.wav"));
  }

  // MP3 by its shortcut: every checked track decodes to its length.
  void ripsToMp3() {
    Click(FForm->mp3check);
    QCOMPARE(Column(FForm->ListView1, 1), QStringList({"Track-01.mp3", "Second Song.mp3", "Track-03.mp3"}));
    Rip("04-rip-mp3", Qt::ControlModifier | Qt::Key_Z);
    fs::path raw = FFolder->Path() / "decoded.raw";
    for (auto [name, track] : {std::pair{"Track-01.mp3", 0}, std::pair{"Second Song.mp3", 1}}) {
      std::size_t frames = FTracks[std::size_t(track)].audio.size() / 2;
      std::size_t decoded = DecodedFrames(MPG123 " -q -s", Output("mp3") / name, raw);
      QVERIFY2(decoded + 1152 * 2 >= frames && decoded <= frames + 1152 * 3, name);
    }
  }

  // Ogg by Enter, after Check All: each row's check mark goes as its encoding starts; the files, named with the
  // format button's "Ogg", decode to the exact length.
  void ripsToOgg() {
    Click(FForm->oggcheck);
    Click(FForm->spSkinCheckRadioBox1);
    for (int row = 0; row < 3; ++row) QCOMPARE(FForm->ListView1->topLevelItem(row)->checkState(0), Qt::Checked);
    Rip("05-rip-ogg", Qt::Key_Return);
    for (int row = 0; row < 3; ++row) QCOMPARE(FForm->ListView1->topLevelItem(row)->checkState(0), Qt::Unchecked);
    fs::path raw = FFolder->Path() / "decoded.raw";
    for (auto [name, track] : {std::pair{"Track-01.Ogg", 0}, std::pair{"Second Song.Ogg", 1}, std::pair{"Track-03.Ogg", 2}})
      QCOMPARE(DecodedFrames("oggdec -Q -R -o -", Output("ogg") / name, raw), FTracks[std::size_t(track)].audio.size() / 2);
  }

  void playsTheDisc() {
    QTreeWidget* list = FForm->ListView1;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(0)).center());
    Activate();
    QTest::keyClick(FForm.get(), Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(FForm->Player().Mode(), CdAudioMode::Playing);
    QTRY_COMPARE_WITH_TIMEOUT(FForm->spSLMsgOut->text(), QString("  Track:1  Playing Time:  00:01"), 5000);
    Screenshot("06-playing");
    QTest::keyClick(FForm.get(), Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(FForm->Player().Mode(), CdAudioMode::Stopped);
  }

  void eachToolOpensAndCloses() {
    struct Tool {
      QString menu, entry, caption, leave;
    };
    const Tool tools[] = {
        {"Tools", "WAV Mixer", "WAV Mixer ", "Close"},
        {"Tools", "Sound Recorder", "Sound Recorder", "Close"},
        {"Tools", "Ogg Player", "Sample Ogg Player", "Close"},
        {"Tools", "WAV to MP3", "", "Close"},
        {"Tools", "WAV to Ogg", "", "Close"},
        {"Tools", "Ogg to WAV", "", "Close"},
        {"Tools", "Ogg to MP3", "", "Close"},
        {"Tools", "ID3 Editor", "ID3 Editor", "Close"},
        {"Tools", "CD Information (CDDB)", "CD Information", "Close"},
        {"Options", "Options", "Options", "Cancel"},
        {"Help", "About", "About", "Close"},
    };
    int number = 7;
    for (const Tool& tool : tools) {
      QString shot = QString("%1-%2").arg(number++, 2, 10, QChar('0')).arg(tool.entry).replace(' ', '-');
      auto shown = WhenShownLeaveWith(tool.caption, shot, tool.leave);
      ChooseMenu(*FForm, tool.menu, tool.entry);
      QVERIFY2(*shown, qPrintable(tool.entry));
      QVERIFY(QApplication::activeModalWidget() == nullptr);
    }
  }

  // Each page of the options dialog shows every control whole, with the font and scale of the run.
  void everyOptionsPageShowsAllItsControls() {
    auto problems = std::make_shared<QStringList>();
    auto shown = WhenShown("Options", [problems](QWidget* window) {
      auto* pages = window->findChild<QTabWidget*>();
      if (pages->tabBar()->sizeHint().width() > pages->width()) *problems << "tabs scrolled away";
      for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        Screenshot(QString("20-options-page-%1").arg(page + 1));
        const QRect area(pages->currentWidget()->mapTo(window, QPoint()), pages->currentWidget()->size());
        for (QWidget* control : pages->currentWidget()->findChildren<QWidget*>()) {
          const QRect place(control->mapTo(window, QPoint()), control->size());
          if (control->isVisible() && !area.contains(place))
            *problems << pages->tabText(page) + ": " + control->metaObject()->className();
        }
      }
      Click(ButtonOf(window, "Cancel"));
    });
    ChooseMenu(*FForm, "Options", "Options");
    QVERIFY(*shown);
    QCOMPARE(*problems, QStringList());
  }

  // F10 opens the menu bar; Alt and a title's letter open its menu, an entry's letter chooses it.
  void theMenusAnswerTheKeyboard() {
    QCOMPARE(MnemonicProblems(FForm.get()), QStringList());
    Activate();
    QTest::keyClick(FForm.get(), Qt::Key_F10);
    QMenu* file = FForm->menuBar()->actions().first()->menu();
    QTRY_VERIFY(file->isVisible());
    QTest::keyClick(file, Qt::Key_Escape);
    QTest::keyClick(FForm->menuBar(), Qt::Key_Escape);
    QTRY_VERIFY(!file->isVisible());
    Activate();
    auto shown = WhenShownLeaveWith("Options", "19-options-by-keyboard", "Cancel");
    QTest::keyClick(FForm.get(), Qt::Key_O, Qt::AltModifier);
    QMenu* options = ActionOf(FForm->menuBar()->actions(), "Options")->menu();
    QTRY_VERIFY(options->isVisible());
    QTest::keyClick(options, Qt::Key_O);
    QTRY_VERIFY(*shown);
  }

  // File, Exit closes the last window, which ends the message loop; the windows then go without a hang.
  void fileExitEndsTheProgram() {
    ChooseMenu(*FForm, "File", "Exit");
    QTRY_VERIFY(!FForm->isVisible());
    for (QWidget* window : QApplication::topLevelWidgets()) QVERIFY2(!window->isVisible(), qPrintable(window->windowTitle()));
    QVERIFY(!FForm->Player().IsOpen());
    FForm.reset();
  }
};

QTEST_MAIN(EndToEndTest)
#include "e2e_test.moc"
