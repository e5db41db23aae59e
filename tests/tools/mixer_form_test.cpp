#include <signal.h>
#include <sys/resource.h>

#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "acs/VorbisBinding.h"
#include "app/Forms.h"
#include "app/TMainForm.h"
#include "platform/ProgramFolder.h"
#include "tests/acs/TestStreams.h"
#include "tests/app/TestSeams.h"
#include "tests/data/TestDiscs.h"
#include "tools/Tmixer.h"

namespace {

constexpr int kSecond = 44100 * 4;  // bytes of one second of CD audio

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int SampleAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return static_cast<std::int16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

// Files may grow only up to the limit while it is in place, as on a disk that is nearly full.
struct FileSizeLimit {
  explicit FileSizeLimit(rlim_t bytes) {
    signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old); }
  rlimit old{};
};

}  // namespace

class MixerFormTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<testdata::TempFolder> FFolder;
  std::unique_ptr<RecordingMessageBoxes> FBoxes;
  std::unique_ptr<AnsweringFileDialogs> FDialogs;

  std::string File(const std::string& name) const { return FFolder->File(name); }

  // A CD-audio WAV file of that many bytes of PCM, each name with its own bytes.
  std::string Input(const std::string& name, int bytes) {
    std::vector<std::uint8_t> pcm = teststreams::Bytes(static_cast<std::size_t>(bytes) + name.size());
    TWaveHeader header = MakeWaveHeader(2, 16, bytes, 44100);
    std::ofstream out(File(name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), kWaveHeaderSize);
    out.write(reinterpret_cast<const char*>(pcm.data() + name.size()), bytes);
    return File(name);
  }

  // The way a user picks a path: the browse button and the file dialog.
  void Choose(QPushButton* button, const std::string& path) {
    FDialogs->answer = QString::fromStdString(path);
    button->click();
  }

  void ChooseAll(Tmixer& form, const std::string& input1, const std::string& input2, const std::string& output) {
    Choose(form.Input1Button, input1);
    Choose(form.Input2Button, input2);
    Choose(form.OutputButton, output);
  }

  static void MixAndWait(Tmixer& form) {
    form.StatusLabel->clear();
    form.MixButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(form.StatusLabel->text(), QString("Finished!"), 20000);
    QVERIFY(form.MixButton->isEnabled() && form.CloseButton->isEnabled());
  }

  QStringList ShownTexts() const {
    QStringList texts;
    for (const ShownMessage& message : FBoxes->shown) texts << message.text;
    return texts;
  }

 private slots:
  void initTestCase() {
    BindVorbisLibraries();
    QApplication::setApplicationDisplayName("Quillon");
  }

  void init() {
    FFolder = std::make_unique<testdata::TempFolder>();
    FBoxes = std::make_unique<RecordingMessageBoxes>();
    FDialogs = std::make_unique<AnsweringFileDialogs>();
  }

  void cleanup() {
    FDialogs.reset();
    FBoxes.reset();
    FFolder.reset();
  }

  void theWindowShowsItsPagesChoicesAndButtons() {
    Tmixer form(nullptr);
    QCOMPARE(form.windowTitle(), QString("WAV Mixer "));
    QCOMPARE(form.size(), QSize(410, 251));
    QStringList texts;
    for (int page = 0; page < form.PageControl1->count(); ++page) texts << form.PageControl1->tabText(page).remove('&');
    for (QToolButton* button : form.findChildren<QToolButton*>())  // not the tab bar's scroll arrows
      if (!button->toolTip().isEmpty()) texts << button->toolTip();
    for (QPushButton* button : {form.Input1Button, form.Input2Button, form.OutputButton, form.MixButton,
                                form.CancelButton, form.CloseButton})
      texts << button->text().remove('&');  // the captions, without their mnemonics
    QCOMPARE(texts, QStringList({"Input WAV File1", "Input WAV File2", "Output WAV File", "Open the file",
                                 "Open the folder", "Open the file", "Open the folder", "Open the file",
                                 "Open the folder", "Iutput", "Iutput", "Output", "Mix", "Cancel", "Close"}));
    QVERIFY(form.MixButton->isDefault());
    QVERIFY(form.MixRadio->isChecked() && !form.ConcatenateRadio->isChecked());
  }

  // Browsing sets what is mixed; text typed by hand only changes what the open buttons open.
  void browsingSetsThePathsAndTheOpenButtonsUseTheFields() {
    RecordingShell shell;
    Tmixer form(nullptr);
    ChooseAll(form, "/music/a.wav", "/music/b.wav", "/music/out");
    Choose(form.Input2Button, "");  // cancelled
    QCOMPARE(FDialogs->openFilters, (std::vector<QString>{"*.wav", "*.wav", "*.wav"}));
    QCOMPARE(FDialogs->saveFilters, std::vector<QString>{"*.wav"});
    QCOMPARE(form.edit3->text(), QString("/music/out.wav"));
    QCOMPARE(form.WaveOut1.FileName(), std::string("/music/out.wav"));
    QCOMPARE(form.WaveIn2.FileName(), std::string("/music/b.wav"));
    form.edit1->setText("/elsewhere/typed.wav");
    QCOMPARE(form.WaveIn1.FileName(), std::string("/music/a.wav"));
    form.PageControl1->widget(0)->findChildren<QToolButton*>()[0]->click();
    form.PageControl1->widget(2)->findChildren<QToolButton*>()[1]->click();
    QCOMPARE(shell.opened, (std::vector<QUrl>{QUrl::fromLocalFile("/elsewhere/typed.wav"),
                                              QUrl::fromLocalFile("/music/")}));
  }

  // Paths are compared exactly: on this system letter case tells files apart.
  void missingOrRepeatedPathsAreWarnedAboutAndCaseCounts() {
    Tmixer form(nullptr);
    std::string a = Input("a.wav", 1000);
    form.MixButton->click();
    Choose(form.Input1Button, a);
    form.MixButton->click();
    Choose(form.Input2Button, a);
    form.MixButton->click();
    Choose(form.OutputButton, File("A.wav"));
    form.MixButton->click();  // both inputs the same
    ChooseAll(form, a, Input("A.wav", 1000), a);
    form.MixButton->click();
    const QString same = " Please check the Input File and Output File! They can't be the same file! ";
    QCOMPARE(ShownTexts(), QStringList({" Please enter the first input File! ", " Please enter the second input File! ",
                                        " Please enter the output File! ", same, same}));
    QVERIFY(FBoxes->shown[0].caption.isEmpty() && FBoxes->shown[0].icon == MessageBoxes::Icon::Warning);
    QVERIFY(form.StatusLabel->text().isEmpty() && !form.WaveOut1.Busy());
    Choose(form.OutputButton, File("a.WAV"));
    MixAndWait(form);
    QCOMPARE(FBoxes->shown.size(), std::size_t(5));
    QCOMPARE(std::filesystem::file_size(File("a.WAV")), std::uintmax_t(kWaveHeaderSize + 1000));
  }

  void twoAndThreeSecondsJoinToFiveAndMixToThree() {
    Tmixer form(nullptr);
    std::string three = Input("three.wav", 3 * kSecond);
    ChooseAll(form, Input("two.wav", 2 * kSecond), three, File("new/joined.wav"));  // the start makes the folder
    form.show();
    form.ConcatenateRadio->click();
    QVERIFY(!form.MixRadio->isChecked() && form.AudioMixer1.Mode() == amConcatenate);
    MixAndWait(form);
    QTRY_COMPARE(form.progressbar1->value(), 100);
    QCOMPARE(std::filesystem::file_size(File("new/joined.wav")), std::uintmax_t(kWaveHeaderSize + 5 * kSecond));

    form.MixRadio->click();
    QVERIFY(!form.ConcatenateRadio->isChecked() && form.AudioMixer1.Mode() == amMix);
    Choose(form.OutputButton, File("mixed.wav"));
    MixAndWait(form);
    std::vector<std::uint8_t> mixed = ReadAll(File("mixed.wav"));
    std::vector<std::uint8_t> longer = ReadAll(three);
    QCOMPARE(mixed.size(), longer.size());
    for (std::size_t at = kWaveHeaderSize + 2 * kSecond; at < mixed.size(); at += 2)  // the last second: half level
      if (SampleAt(mixed, at) != SampleAt(longer, at) / 2) QFAIL(qPrintable(QString("differs at byte %1").arg(at)));
  }

  // The first start fails after both sources were opened; the next one must not find them busy.
  void aStartThatCannotCreateTheOutputLeavesTheNextOneFree() {
    Tmixer form(nullptr);
    std::string first = Input("a.wav", 1000);
    ChooseAll(form, first, Input("b.wav", 1000), first + "/out.wav");  // no folder can be made under a file
    form.MixButton->click();
    QCOMPARE(ShownTexts(), QStringList({QString::fromStdString("Cannot create file " + first + "/out.wav.")}));
    QVERIFY(FBoxes->shown[0].caption == "Quillon" && FBoxes->shown[0].icon == MessageBoxes::Icon::Error);
    QCOMPARE(form.StatusLabel->text(), QString("Mixing,please wait......"));
    QVERIFY(!form.WaveIn1.Busy() && !form.WaveIn2.Busy() && !form.AudioMixer1.Busy());
    Choose(form.OutputButton, File("out.wav"));
    MixAndWait(form);
    QCOMPARE(FBoxes->shown.size(), std::size_t(1));
  }

  void cancelStopsTheMixAndTheButtonsComeBack() {
    Tmixer form(nullptr);
    ChooseAll(form, Input("a.wav", 30 * kSecond), Input("b.wav", 20 * kSecond), File("out.wav"));
    form.WaveOut1.SetDelay(20);  // slow enough to be caught running
    form.MixButton->click();
    QTRY_VERIFY(!form.MixButton->isEnabled());
    QVERIFY(!form.CloseButton->isEnabled() && form.CancelButton->isEnabled());
    form.CancelButton->click();
    QTRY_COMPARE(form.StatusLabel->text(), QString("Finished!"));
    QVERIFY(form.MixButton->isEnabled() && form.CloseButton->isEnabled());
    QVERIFY(std::filesystem::file_size(File("out.wav")) < std::uintmax_t(kWaveHeaderSize + 30 * kSecond));
  }

  // A disk that fills up in the middle of a mix: the user is told, not shown "Finished!".
  void aFailedWriteIsShownInsteadOfFinished() {
    Tmixer form(nullptr);
    ChooseAll(form, Input("a.wav", 2 * kSecond), Input("b.wav", kSecond), File("out.wav"));
    {
      FileSizeLimit limit(kSecond);  // the inputs are written already; the output of two seconds does not fit
      form.MixButton->click();
      QTRY_COMPARE(ShownTexts(), QStringList({"Stream write error."}));
    }
    QVERIFY(form.StatusLabel->text().isEmpty() && form.MixButton->isEnabled());
    QVERIFY(!std::filesystem::exists(File("out.wav")));
  }

  void theToolsMenuShowsTheMixerModally() {
    SetPhysicalDrivesEnabled(false);
    SetCDImageFiles({});
    OverrideProgramFolder(FFolder->Path().string());
    std::unique_ptr<TMainForm> main = CreateForms();
    QAction* entry = nullptr;
    for (QAction* menu : main->menuBar()->actions())
      if (menu->text() == "&Tools") entry = menu->menu()->actions().value(0);
    QVERIFY(entry != nullptr && entry->text() == "WAV &Mixer" && entry->shortcut() == QKeySequence("Ctrl+M"));
    QString shown;
    QTimer::singleShot(0, [&shown] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        shown = modal->windowTitle();
        modal->close();
      }
    });
    entry->trigger();
    QCOMPARE(shown, QString("WAV Mixer "));
  }
};

QTEST_MAIN(MixerFormTest)
#include "mixer_form_test.moc"
