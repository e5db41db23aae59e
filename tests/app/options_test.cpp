#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/TOptions.h"
#include "cd/TrackTable.h"
#include "platform/inifile/TIniFile.h"
#include "tests/app/TestSeams.h"
#include "tests/data/TestDiscs.h"

namespace {

QString Contents(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return QString::fromStdString(text.str());
}

}  // namespace

class OptionsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<testdata::TempFolder> FFolder;
  std::unique_ptr<TIniFile> FSettings;
  std::unique_ptr<TOptions> FOptions;

  std::string SettingsPath() const { return FFolder->File("settings.ini"); }

  void Open() {
    FSettings = std::make_unique<TIniFile>(SettingsPath());
    FOptions = std::make_unique<TOptions>(nullptr, [this] { return FSettings.get(); });
    FOptions->show();
  }

 private slots:
  void init() { FFolder = std::make_unique<testdata::TempFolder>(); }
  void cleanup() {
    FOptions.reset();
    FSettings.reset();
    FFolder.reset();
  }

  void pagesAndCaptionsAreThere() {
    Open();
    QCOMPARE(FOptions->windowTitle(), QString("Options"));
    QCOMPARE(FOptions->Pages->count(), 6);
    QCOMPARE(FOptions->Pages->tabText(0).remove('&'), QString("Default Folder"));  // the captions, without their mnemonics
    QCOMPARE(FOptions->Pages->tabText(1).remove('&'), QString("MP3 Options"));
    QCOMPARE(FOptions->Pages->tabText(2).remove('&'), QString("Ogg Options"));
    QCOMPARE(FOptions->Pages->tabText(3).remove('&'), QString("FLAC Options"));
    QCOMPARE(FOptions->Pages->tabText(4).remove('&'), QString("Opus Options"));
    QCOMPARE(FOptions->Pages->tabText(5).remove('&'), QString("File Names"));
    QCOMPARE(FOptions->Pages->currentIndex(), 0);
    QCOMPARE(FOptions->open->text().remove('&'), QString("Open the Output Folder After Ripping "));
    QCOMPARE(FOptions->crc->text().remove('&'), QString("CRC-Checksum "));
    QCOMPARE(FOptions->bitrate->count(), 14);
    QCOMPARE(FOptions->bitrate->maxVisibleItems(), 14);
    QCOMPARE(FOptions->compr->itemText(7), QString("90"));
  }

  void firstShowingWithoutAFileAndOkWritesEveryKey() {
    Open();
    QCOMPARE(FOptions->samplerate->currentText(), QString());
    QCOMPARE(FOptions->bitrate->currentText(), QString());
    QCOMPARE(FOptions->channel->currentText(), QString("STEREO"));
    QCOMPARE(FOptions->cpu->currentText(), QString("3"));
    QCOMPARE(FOptions->compr->currentText(), QString("20"));
    for (QCheckBox* box : {FOptions->copyright, FOptions->crc, FOptions->originalbit, FOptions->privatebit,
                           FOptions->open})
      QVERIFY(!box->isChecked());
    QCOMPARE(FOptions->mp3folder->text(), QString());

    FOptions->crc->setChecked(true);
    FOptions->OKClick();
    QVERIFY(!FOptions->isVisible());
    QCOMPARE(Contents(SettingsPath()),
             QString("[MP3 Options]\ndwSampleRate=\nwBitrate=\nchannel=STEREO\nbCopyright=False\nbCRC=True\n"
                         "bPrivate=False\nbOriginal=False\nmode=CBR\n\n[Folder]\nmp3 folder=\nwav folder=\n"
                         "Ogg folder=\nflac folder=\nopen=False\nopus folder=\n\n[Ogg Options]\ncpu=3\ncompr=20\n\n[Rip]\n"
                         "name template=\nWindows-safe names=False\nalso write=\n\n[FLAC Options]\nlevel=5\n\n[Opus Options]\nbitrate=160\n"));
  }

  void storedValuesShowExactlyAndFlagsAreSetUnlessFalse() {
    testdata::WriteTextFile(SettingsPath(),
                            "[mp3 options]\ndwSampleRate=48000Hz\nwBitrate=320kb/s\nchannel=mono\nbCopyright=false\n"
                            "bCRC=False\n[FOLDER]\nMP3 Folder=/music/mp3\nopen=yes\n[OGG Options]\ncpu=1\ncompr=55\n"
                            "[rip]\nName Template=%a/%n %t\nwindows-safe names=false\nalso write=FLAC, mp3,aiff\n[flac options]\nlevel=8\n"
                            "[opus options]\nbitrate=200\n[MP3 Options]\nmode=VBR\nquality=0\n");
    Open();
    QCOMPARE(FOptions->samplerate->currentText(), QString("48000Hz"));
    QCOMPARE(FOptions->bitrate->currentText(), QString("320kb/s"));
    QCOMPARE(FOptions->channel->currentText(), QString());  // "mono" matches no item: no choice
    QVERIFY(FOptions->copyright->isChecked());               // "false" is not "False"
    QVERIFY(!FOptions->crc->isChecked());
    QVERIFY(FOptions->open->isChecked());
    QCOMPARE(FOptions->mp3folder->text(), QString("/music/mp3"));
    QCOMPARE(FOptions->cpu->currentText(), QString("1"));
    QCOMPARE(FOptions->compr->currentText(), QString());
    QCOMPARE(FOptions->nametemplate->text(), QString("%a/%n %t"));
    QVERIFY(FOptions->windowssafe->isChecked());
    QCOMPARE(FOptions->level->currentText(), QString("8"));
    QCOMPARE(FOptions->opusbitrate->currentText(), QString("200"));  // in no list, yet kept
    QCOMPARE(FOptions->mp3quality->currentText(), QString("0 (best)"));
    QVERIFY(!FOptions->bitrate->isEnabled());  // a variable bit rate takes none
    // "Also write:" checks the formats the list names, in any case, and OK writes them back by name.
    QCOMPARE(std::size_t(FOptions->alsowrite->count()), OutputFormats().size());
    for (std::size_t k = 0; k < OutputFormats().size(); ++k)
      QCOMPARE(FOptions->alsowrite->item(int(k))->checkState() == Qt::Checked,
               OutputFormats()[k] == OutputFormat::MP3 || OutputFormats()[k] == OutputFormat::FLAC);
    FOptions->OKClick();
    QVERIFY(Contents(SettingsPath()).contains("also write=mp3,flac\n"));
  }

  void cancelLeavesTheFileAndTheNextShowingShowsItAgain() {
    testdata::WriteTextFile(SettingsPath(), "[Ogg Options]\ncpu=2\n");
    Open();
    FOptions->cpu->setCurrentIndex(0);
    FOptions->mp3folder->setText("/elsewhere");
    FOptions->copyright->setChecked(true);
    FOptions->reject();
    QCOMPARE(Contents(SettingsPath()), QString("[Ogg Options]\ncpu=2\n"));
    FOptions->show();
    QCOMPARE(FOptions->cpu->currentText(), QString("2"));
    QCOMPARE(FOptions->mp3folder->text(), QString());
    QVERIFY(!FOptions->copyright->isChecked());
  }

  void browseButtonsFillTheirBoxOnlyWhenAFolderIsChosen() {
    Open();
    auto buttons = FOptions->Pages->widget(0)->findChildren<QToolButton*>();
    QCOMPARE(buttons.size(), 5);
    {
      AnsweringFolderBrowser browser("/chosen/wav");
      buttons[1]->click();
      QCOMPARE(browser.titles, std::vector<QString>{"Select a directory"});
    }
    QCOMPARE(FOptions->wavfolder->text(), QString("/chosen/wav"));
    AnsweringFolderBrowser cancelled("");
    buttons[1]->click();
    QCOMPARE(FOptions->wavfolder->text(), QString("/chosen/wav"));
  }

  void aSettingsFileThatCannotBeWrittenEndsTheProgram() {
    std::filesystem::create_directory(SettingsPath());  // a folder where the file should be
    RecordingMessageBoxes boxes;
    ProgramEndCounter end;
    Open();
    QCOMPARE(boxes.shown.size(), std::size_t(1));
    QCOMPARE(boxes.shown[0].caption, QString("Error"));
    QCOMPARE(boxes.shown[0].text, QString("Settings.ini not exist!  "));
    QCOMPARE(boxes.shown[0].icon, MessageBoxes::Icon::Error);
    QCOMPARE(end.ends, 1);
    FOptions->OKClick();
    QCOMPARE(end.ends, 2);
  }
};

QTEST_MAIN(OptionsTest)
#include "options_test.moc"
