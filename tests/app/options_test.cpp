#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
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

// What a control of the Online and Reading pages shows, and how the user changes it, as settings.ini
// spells the value.
QString Shown(QWidget* control) {
  if (auto* box = qobject_cast<QLineEdit*>(control)) return box->text();
  if (auto* list = qobject_cast<QComboBox*>(control)) return list->currentData().toString();
  if (auto* spin = qobject_cast<QSpinBox*>(control)) return QString::number(spin->value());
  return qobject_cast<QCheckBox*>(control)->isChecked() ? "True" : "False";
}

void Change(QWidget* control, const QString& value) {
  if (auto* box = qobject_cast<QLineEdit*>(control)) box->setText(value);
  else if (auto* list = qobject_cast<QComboBox*>(control)) list->setCurrentIndex(list->findData(value));
  else if (auto* spin = qobject_cast<QSpinBox*>(control)) spin->setValue(value.toInt());
  else qobject_cast<QCheckBox*>(control)->setChecked(value == "True");
}

const char* const kDrive = "Image: disc.cue";

}  // namespace

class OptionsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<testdata::TempFolder> FFolder;
  std::unique_ptr<TIniFile> FSettings;
  std::unique_ptr<TOptions> FOptions;

  std::string SettingsPath() const { return FFolder->File("settings.ini"); }

  void Open(const std::string& drive = {}) {
    FSettings = std::make_unique<TIniFile>(SettingsPath());
    FOptions = std::make_unique<TOptions>(nullptr, [this] { return FSettings.get(); });
    if (!drive.empty()) FOptions->Drive = [drive] { return drive; };
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
    QCOMPARE(FOptions->Pages->count(), 8);
    QCOMPARE(FOptions->Pages->tabText(0).remove('&'), QString("Default Folder"));  // the captions, without their mnemonics
    QCOMPARE(FOptions->Pages->tabText(1).remove('&'), QString("MP3 Options"));
    QCOMPARE(FOptions->Pages->tabText(2).remove('&'), QString("Ogg Options"));
    QCOMPARE(FOptions->Pages->tabText(3).remove('&'), QString("FLAC Options"));
    QCOMPARE(FOptions->Pages->tabText(4).remove('&'), QString("Opus Options"));
    QCOMPARE(FOptions->Pages->tabText(5).remove('&'), QString("File Names"));
    QCOMPARE(FOptions->Pages->tabText(6), QString("Online"));
    QCOMPARE(FOptions->Pages->tabText(7), QString("Reading"));
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
                     "Ogg folder=\nflac folder=\nopen=False\nopus folder=\n\n[Ogg Options]\ncpu=3\ncompr=20\n\n"
                     "[Rip]\nname template=\nWindows-safe names=False\nalso write=\nread mode=verify\n"
                     "encoder threads=0\ntest and copy=False\ndetect gaps=True\nde-emphasis=False\none file=False\n"
                     "ReplayGain=True\nplaylist=True\neject=False\n\n[FLAC Options]\nlevel=5\n\n[Opus Options]\n"
                     "bitrate=160\n\n[CDDB]\nserver=\nemail=\n\n[MusicBrainz]\nserver=\nlookup=CDDB\n\n[AccurateRip]\n"
                     "server=http://www.accuraterip.com\n\n[CTDB]\nserver=http://db.cuetools.net\n\n[Cover Art]\n"
                     "server=http://coverartarchive.org\nsize=500\nfile=cover.jpg\n"));
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

  void eachOnlineAndReadingControlShowsItsKeyAndOkWritesIt() {
    struct Key {
      const char* section;
      const char* key;
      QWidget* (*control)(TOptions&);
      QString stored, changed;
    };
    const Key keys[] = {
        {"CDDB", "server", [](TOptions& o) -> QWidget* { return o.cddbserver; }, "cddb.example.org:8880", ""},
        {"CDDB", "email", [](TOptions& o) -> QWidget* { return o.cddbemail; }, "me@example.org", "you@example.net"},
        {"MusicBrainz", "server", [](TOptions& o) -> QWidget* { return o.musicbrainzserver; }, "http://127.0.0.1:5000", "https://mb.example.org"},
        {"MusicBrainz", "lookup", [](TOptions& o) -> QWidget* { return o.lookuporder; }, "MusicBrainz, then CDDB", "CD-Text"},
        {"AccurateRip", "server", [](TOptions& o) -> QWidget* { return o.accurateripserver; }, "http://ar.example.org", ""},
        {"CTDB", "server", [](TOptions& o) -> QWidget* { return o.ctdbserver; }, "", "http://ctdb.example.org"},
        {"Cover Art", "server", [](TOptions& o) -> QWidget* { return o.coverartserver; }, "", "http://covers.example.org"},
        {"Cover Art", "size", [](TOptions& o) -> QWidget* { return o.coverartsize; }, "1200", "original"},
        {"Cover Art", "file", [](TOptions& o) -> QWidget* { return o.coverartfile; }, "folder.jpg", ""},
        {"Rip", "read mode", [](TOptions& o) -> QWidget* { return o.readmode; }, "secure", "burst"},
        {"Drive Offsets", kDrive, [](TOptions& o) -> QWidget* { return o.readoffset; }, "-1164", "6"},
        {"Rip", "encoder threads", [](TOptions& o) -> QWidget* { return o.encoderthreads; }, "3", "0"},
        {"Rip", "test and copy", [](TOptions& o) -> QWidget* { return o.testandcopy; }, "True", "False"},
        {"Rip", "detect gaps", [](TOptions& o) -> QWidget* { return o.detectgaps; }, "False", "True"},
        {"Rip", "de-emphasis", [](TOptions& o) -> QWidget* { return o.deemphasis; }, "True", "False"},
        {"Rip", "one file", [](TOptions& o) -> QWidget* { return o.onefile; }, "True", "False"},
        {"Rip", "ReplayGain", [](TOptions& o) -> QWidget* { return o.replaygain; }, "False", "True"},
        {"Rip", "playlist", [](TOptions& o) -> QWidget* { return o.playlist; }, "False", "True"},
        {"Rip", "eject", [](TOptions& o) -> QWidget* { return o.eject; }, "True", "False"},
    };
    {
      TIniFile stored(SettingsPath());
      for (const Key& key : keys) stored.WriteString(key.section, key.key, key.stored.toStdString());
    }
    Open(kDrive);
    for (const Key& key : keys) {
      QCOMPARE(Shown(key.control(*FOptions)), key.stored);
      Change(key.control(*FOptions), key.changed);
    }
    FOptions->OKClick();
    QVERIFY(!FOptions->isVisible());
    TIniFile written(SettingsPath());
    for (const Key& key : keys)
      QCOMPARE(QString::fromStdString(written.ReadString(key.section, key.key, "missing")), key.changed);
  }

  // Nothing the file holds is lost for a choice the dialog does not offer; a read offset that is no number
  // of samples keeps the dialog open on its page with why.
  void unknownChoicesKeepTheirValueAndABadReadOffsetIsRefused() {
    testdata::WriteTextFile(SettingsPath(), "[Rip]\nread mode=paranoid\n[Drive Offsets]\nImage: disc.cue=200000\n");
    RecordingMessageBoxes boxes;
    Open(kDrive);
    QCOMPARE(FOptions->readmode->currentIndex(), -1);
    QCOMPARE(FOptions->readoffset->text(), QString("200000"));
    FOptions->OKClick();
    QVERIFY(FOptions->isVisible());
    QCOMPARE(boxes.shown.size(), std::size_t(1));
    QVERIFY2(boxes.shown[0].text.contains("-100000 to 100000"), qPrintable(boxes.shown[0].text));
    QVERIFY(FOptions->Pages->currentWidget()->isAncestorOf(FOptions->readoffset));
    FOptions->readoffset->clear();
    FOptions->OKClick();
    QVERIFY(!FOptions->isVisible());
    TIniFile written(SettingsPath());
    QCOMPARE(written.ReadString("Rip", "read mode", ""), std::string("paranoid"));
    QCOMPARE(written.ReadString("Drive Offsets", kDrive, "missing"), std::string());
  }

  // Detect… opens the detection; the offset it stores shows in the box, and without a drive there is none to set.
  void detectShowsTheOffsetTheDetectionStored() {
    Open(kDrive);
    FOptions->hide();
    FOptions->DetectReadOffset = [this] { FSettings->WriteString("Drive Offsets", kDrive, "667"); };
    FOptions->show();
    QVERIFY(FOptions->detectoffset->isEnabled());
    FOptions->detectoffset->click();
    QCOMPARE(FOptions->readoffset->text(), QString("667"));
    FOptions.reset();
    Open();
    QVERIFY(!FOptions->readoffset->isEnabled());
    QVERIFY(!FOptions->detectoffset->isEnabled());
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
