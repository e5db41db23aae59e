#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "acs/ACS_Wave.h"
#include "acs/VorbisBinding.h"
#include "app/Forms.h"
#include "app/TMainForm.h"
#include "platform/ProgramFolder.h"
#include "tests/acs/TestStreams.h"
#include "tests/app/TestSeams.h"
#include "tests/data/TestDiscs.h"
#include "tests/data/TestProcess.h"
#include "tools/Togg2mp3.h"
#include "tools/Togg2wav.h"
#include "tools/Twav2mp3.h"
#include "tools/Twav2ogg.h"

namespace {

enum Kind { WavToOgg, WavToMp3, OggToWav, OggToMp3 };

// What a window of each kind must show and ask for.
struct Expected {
  QString caption;
  QSize size;
  QString inputPage, inputFilter, outputPage, outputFilter, extension;
};

const Expected& ExpectedOf(int kind) {
  static const Expected expected[] = {
      {"WAV to Ogg Converter", {411, 228}, "Input WAV File", "*.wav", "Output Ogg File", "*.ogg", "ogg"},
      {"WAV to MP3 Converter", {410, 193}, "Input WAV File", "*.wav", "Output MP3 File", "*.mp3", "mp3"},
      {"Ogg to WAV Converter", {407, 190}, "Input Ogg File", "*.ogg", "Output WAV File", "*.wav", "wav"},
      {"Ogg to MP3 Converter", {407, 186}, "Input Ogg File", "*.ogg", "Output MP3 File", "*.mp3", "mp3"}};
  return expected[kind];
}

std::unique_ptr<TConverterForm> MakeForm(int kind) {
  switch (kind) {
    case WavToOgg:
      return std::make_unique<Twav2ogg>(nullptr);
    case WavToMp3:
      return std::make_unique<Twav2mp3>(nullptr);
    case OggToWav:
      return std::make_unique<Togg2wav>(nullptr);
    default:
      return std::make_unique<Togg2mp3>(nullptr);
  }
}

// The PCM bytes an output file holds, as the reference decoders read them.
std::size_t DecodedBytes(const std::string& path) {
  std::string decoder = path.ends_with(".mp3") ? MPG123 " -q -s" : "oggdec -Q -R -o -";
  if (path.ends_with(".wav")) return static_cast<std::size_t>(std::filesystem::file_size(path)) - kWaveHeaderSize;
  return testdata::RunCommand("(" + decoder + " '" + path + "' 2>/dev/null)").out.size();
}

void Type(QLineEdit* field, const std::string& text) { field->setText(QString::fromStdString(text)); }

}  // namespace

class ConvertersTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<testdata::TempFolder> FFolder;
  std::unique_ptr<RecordingMessageBoxes> FBoxes;
  std::unique_ptr<RecordingShell> FShell;

  std::string File(const std::string& name) const { return FFolder->File(name); }

  // A stereo WAV file of music of that length, and when asked the same as an Ogg Vorbis file.
  std::string Input(const std::string& name, int seconds) {
    std::vector<std::uint8_t> pcm = teststreams::Music(seconds * 44100, 2, 16);
    TWaveHeader header = MakeWaveHeader(2, 16, static_cast<std::int32_t>(pcm.size()), 44100);
    std::string wav = File(name + ".wav");
    std::ofstream out(wav, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), kWaveHeaderSize);
    out.write(reinterpret_cast<const char*>(pcm.data()), static_cast<std::streamsize>(pcm.size()));
    out.close();
    if (!name.ends_with("ogg")) return wav;
    testdata::RunCommand("oggenc -Q -q 2 -o '" + File(name + ".ogg") + "' '" + wav + "'");
    return File(name + ".ogg");
  }

  std::string InputOf(int kind, int seconds) {
    return Input(kind == OggToWav || kind == OggToMp3 ? "in-ogg" : "in-wav", seconds);
  }

  static void WaitForDone(TConverterForm& form, const std::string& output) {
    QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(output), 20000);
    QTRY_VERIFY(form.ConvertButton->isEnabled() && form.CloseButton->isEnabled());
  }

  static void AddKinds() {
    QTest::addColumn<int>("kind");
    QTest::newRow("Twav2ogg") << int(WavToOgg);
    QTest::newRow("Twav2mp3") << int(WavToMp3);
    QTest::newRow("Togg2wav") << int(OggToWav);
    QTest::newRow("Togg2mp3") << int(OggToMp3);
  }

 private slots:
  void initTestCase() { BindVorbisLibraries(); }

  void init() {
    FFolder = std::make_unique<testdata::TempFolder>();
    FBoxes = std::make_unique<RecordingMessageBoxes>();
    FShell = std::make_unique<RecordingShell>();
  }

  void cleanup() {
    FShell.reset();
    FBoxes.reset();
    FFolder.reset();
  }

  void wavToOggStartsAtTheFirstChoicesAndTakesTheCompressionAtEachStart() {
    Twav2ogg form(nullptr);
    QCOMPARE(form.cpu->currentText(), QString("1"));
    QCOMPARE(form.compr->currentText(), QString("20"));
    form.compr->setCurrentText("50");
    QCOMPARE(form.VorbisOut1.Compression(), 0.2f);  // read at the start, not before
    Type(form.edit1, Input("in", 1));
    Type(form.edit2, File("new/folder/out.ogg"));  // a folder that does not exist yet: the start makes it
    form.ConvertButton->click();
    QCOMPARE(form.VorbisOut1.Compression(), 0.5f);
    WaitForDone(form, File("new/folder/out.ogg"));
  }

  void windowsShowTheirPagesAndAskForTheirFiles_data() { AddKinds(); }
  void windowsShowTheirPagesAndAskForTheirFiles() {
    QFETCH(int, kind);
    std::unique_ptr<TConverterForm> form = MakeForm(kind);
    const Expected& expected = ExpectedOf(kind);
    QCOMPARE(form->windowTitle(), expected.caption);
    QCOMPARE(form->size(), expected.size);
    QCOMPARE(form->InputPage->tabText(0), expected.inputPage);
    QCOMPARE(form->OutputPage->tabText(0), expected.outputPage);
    QVERIFY(form->ConvertButton->isDefault());
    AnsweringFileDialogs dialogs;
    dialogs.answer = "/music/song";
    form->InputButton->click();
    form->OutputButton->click();
    QCOMPARE(form->edit1->text(), QString("/music/song"));
    QCOMPARE(form->edit2->text(), "/music/song." + expected.extension);
    QCOMPARE(dialogs.openFilters, std::vector<QString>{expected.inputFilter});
    QCOMPARE(dialogs.saveFilters, std::vector<QString>{expected.outputFilter});
    dialogs.answer = "/music/other.name.flac";
    form->OutputButton->click();
    QCOMPARE(form->edit2->text(), QString("/music/other.name.flac"));
    dialogs.answer = "";  // cancelled
    form->InputButton->click();
    form->OutputButton->click();
    QCOMPARE(form->edit1->text(), QString("/music/song"));
    QCOMPARE(form->edit2->text(), QString("/music/other.name.flac"));
  }

  void openButtonsHandTheFileOrItsFolderToTheShell() {
    Twav2mp3 form(nullptr);
    form.edit1->setText("/music/a.wav");
    form.InputFileButton->click();
    form.InputFolderButton->click();
    form.edit2->setText("bare.mp3");
    form.OutputFolderButton->click();  // a bare name has no folder: nothing opens
    form.edit2->clear();
    form.OutputFileButton->click();
    QCOMPARE(FShell->opened, (std::vector<QUrl>{QUrl::fromLocalFile("/music/a.wav"), QUrl::fromLocalFile("/music/")}));
  }

  // The output is a link to the user's real file and a link planted under the temporary file's name
  // points elsewhere: the real file gets the result, the link stays, the planted link's target is untouched.
  void eachConverterConvertsARealFile_data() { AddKinds(); }
  void eachConverterConvertsARealFile() {
    QFETCH(int, kind);
    std::unique_ptr<TConverterForm> form = MakeForm(kind);
    std::string output = File("out." + ExpectedOf(kind).extension.toStdString()), real = File("real");
    testdata::WriteTextFile(File("victim"), "victim");
    testdata::WriteTextFile(real, "earlier");
    std::filesystem::create_symlink(File("victim"), real + ".partial");
    std::filesystem::create_symlink(real, output);
    Type(form->edit1, InputOf(kind, 2));
    Type(form->edit2, output);
    form->show();
    form->ConvertButton->click();
    // The output exists from the start (the link to the earlier file): the run has begun once it reports.
    QTRY_COMPARE_WITH_TIMEOUT(form->progressbar1->value(), 100, 20000);
    WaitForDone(*form, output);
    QVERIFY(FBoxes->shown.empty());
    QVERIFY(std::filesystem::is_symlink(output));
    QCOMPARE(testdata::ReadTextFile(File("victim")), std::string("victim"));
    std::size_t expected = 2 * 44100 * 4;
    std::size_t decoded = DecodedBytes(output);
    if (output.ends_with(".mp3"))  // the encoder's lead and padding: about two frames
      QVERIFY2(decoded >= expected && decoded < expected + 3 * 1152 * 4, std::to_string(decoded).c_str());
    else
      QCOMPARE(decoded, expected);
  }

  void convertWithAnEmptyFieldDoesNothing() {
    Twav2mp3 form(nullptr);
    Type(form.edit2, File("out.mp3"));
    form.ConvertButton->click();
    Type(form.edit1, Input("in", 1));
    form.edit2->clear();
    form.ConvertButton->click();
    QTest::qWait(100);
    QVERIFY(!form.MP3Out1.Busy());
    QVERIFY(FBoxes->shown.empty());
    QCOMPARE(std::distance(std::filesystem::directory_iterator(FFolder->Path()), {}), 1);
  }

  // Errors of a start reach the standard error box, and a failed start does not block the next one.
  void startErrorsAreShownAndTheNextStartWorks() {
    QApplication::setApplicationDisplayName("Quillon");
    Twav2mp3 form(nullptr);
    Type(form.edit1, File("missing.wav"));
    Type(form.edit2, File("out.mp3"));
    form.ConvertButton->click();
    Type(form.edit1, Input("in", 10));
    Type(form.edit2, File("in.wav/out.mp3"));  // no folder can be made under a file
    form.ConvertButton->click();
    Type(form.edit2, File("out.mp3"));
    form.ConvertButton->click();
    form.ConvertButton->click();  // still converting
    QCOMPARE(FBoxes->shown.size(), std::size_t(3));
    QCOMPARE(FBoxes->shown[0].text, QString::fromStdString("Cannot open file " + File("missing.wav") + "."));
    QCOMPARE(FBoxes->shown[1].text, QString::fromStdString("Cannot create file " + File("in.wav/out.mp3") + "."));
    QCOMPARE(FBoxes->shown[2].text, QString("Component is buisy."));
    QCOMPARE(FBoxes->shown[2].caption, QString("Quillon"));
    QCOMPARE(FBoxes->shown[2].icon, MessageBoxes::Icon::Error);
    WaitForDone(form, File("out.mp3"));
    QVERIFY(DecodedBytes(File("out.mp3")) >= std::size_t(10 * 44100 * 4));
  }

  // Refused before anything is written: the output over the input (also through a hard link), a folder
  // as the output, an input of the wrong kind. A failed run shows its error and keeps the earlier file.
  void badFilesAreRefusedAndRunErrorsShown_data() { AddKinds(); }
  void badFilesAreRefusedAndRunErrorsShown() {
    QFETCH(int, kind);
    QApplication::setApplicationDisplayName("Quillon");
    std::unique_ptr<TConverterForm> form = MakeForm(kind);
    std::string input = InputOf(kind, 10), extension = ExpectedOf(kind).extension.toStdString();
    std::string bytes = testdata::ReadTextFile(input), linked = File("linked." + extension);
    std::filesystem::create_hard_link(input, linked);
    Type(form->edit1, input);
    for (const std::string& output : {input, linked, FFolder->Path().string()}) {
      Type(form->edit2, output);
      form->ConvertButton->click();
    }
    QCOMPARE(FBoxes->shown.size(), std::size_t(3));
    QCOMPARE(FBoxes->shown[1].text, QString(" Please check the Input File and Output File! They can't be the same file! "));
    QCOMPARE(FBoxes->shown[1].icon, MessageBoxes::Icon::Warning);
    QCOMPARE(FBoxes->shown[2].text, QString(" Please check the Output File! It is a folder! "));
    QVERIFY(testdata::ReadTextFile(input) == bytes);

    std::string text = File(input.ends_with(".ogg") ? "text.ogg" : "text.wav"), output = File("out." + extension);
    testdata::WriteTextFile(text, "not audio at all");
    Type(form->edit1, text);
    Type(form->edit2, output);
    form->ConvertButton->click();
    const char* kindName = input.ends_with(".ogg") ? "Ogg Vorbis" : "PCM WAV";
    QCOMPARE(FBoxes->shown.back().text, QString("The file %1 is not a valid %2 file.").arg(text.c_str(), kindName));
    QVERIFY(!std::filesystem::exists(output));

    testdata::WriteTextFile(output, "earlier");
    Type(form->edit1, input);
    {
      testdata::FullDisk disk(20000);
      form->ConvertButton->click();
      QTRY_COMPARE_WITH_TIMEOUT(FBoxes->shown.size(), std::size_t(5), 20000);
    }
    QCOMPARE(FBoxes->shown.back().text, QString("Stream write error."));
    QCOMPARE(testdata::ReadTextFile(output), std::string("earlier"));
  }

  void closingLetsTheConversionFinishAndCancelStopsIt() {
    Twav2ogg form(nullptr);
    form.cpu->setCurrentText("1");  // the slowest: a pause before every block
    Type(form.edit1, Input("in", 60));
    Type(form.edit2, File("out.ogg"));
    form.show();
    form.ConvertButton->click();
    QTRY_VERIFY(!form.ConvertButton->isEnabled());
    form.close();
    QVERIFY(form.VorbisOut1.Busy());
    form.show();
    QVERIFY(!form.ConvertButton->isEnabled() && !form.CloseButton->isEnabled());
    WaitForDone(form, File("out.ogg"));
    QTRY_COMPARE(form.progressbar1->value(), 100);

    Type(form.edit2, File("stopped.ogg"));
    form.ConvertButton->click();
    QTRY_VERIFY(!form.ConvertButton->isEnabled());
    form.CancelButton->click();
    WaitForDone(form, File("stopped.ogg"));
    QVERIFY(form.progressbar1->value() < 100);
    QVERIFY(DecodedBytes(File("stopped.ogg")) < DecodedBytes(File("out.ogg")));
  }

  void theToolsMenuShowsEachConverterModally() {
    SetPhysicalDrivesEnabled(false);
    SetCDImageFiles({});
    OverrideProgramFolder(FFolder->Path().string());
    std::unique_ptr<TMainForm> main = CreateForms();
    QMenu* tools = nullptr;
    for (QAction* menu : main->menuBar()->actions())
      if (menu->text() == "&Tools") tools = menu->menu();
    QVERIFY(tools != nullptr);
    QStringList shown;
    for (QAction* entry : tools->actions()) {
      if (!QString(entry->text()).remove('&').contains(" to ")) continue;
      QTimer::singleShot(0, [&shown] {
        QWidget* modal = QApplication::activeModalWidget();
        shown << (modal != nullptr ? modal->windowTitle() : QString());
        if (modal != nullptr) modal->close();
      });
      entry->trigger();
    }
    QCOMPARE(shown, QStringList({"WAV to MP3 Converter", "WAV to Ogg Converter", "Ogg to WAV Converter",
                                 "Ogg to MP3 Converter"}));
  }
};

QTEST_MAIN(ConvertersTest)
#include "converters_test.moc"
