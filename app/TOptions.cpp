#include "app/TOptions.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/inifile/TIniFile.h"
#include "rip/RipJob.h"
#include "platform/qtseams/FolderBrowser.h"
#include "platform/qtseams/MessageBoxes.h"
#include "platform/qtseams/ProgramEnd.h"
#include "rip/RipJob.h"

namespace {

const char* const kMp3Section = "MP3 Options";
const char* const kFolderSection = "Folder";
const char* const kOggSection = "Ogg Options";
const char* const kRipSection = "Rip";
const char* const kFlacSection = "FLAC Options";
const char* const kOpusSection = "Opus Options";
const char* const kOffsetSection = "Drive Offsets";

QComboBox* NewList(QWidget* parent, const QStringList& items) {
  auto* list = new QComboBox(parent);
  list->setEditable(false);
  list->addItems(items);
  list->setCurrentIndex(-1);  // nothing chosen until the settings say so
  return list;
}

// Selects the item whose text equals the value exactly; without one the selection stays as it was.
void SelectText(QComboBox* list, const std::string& value) {
  int index = list->findText(QString::fromStdString(value), Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index >= 0) list->setCurrentIndex(index);
}

bool IsSet(const std::string& value) { return value != "False"; }
std::string Flag(const QCheckBox* box) { return box->isChecked() ? "True" : "False"; }
std::string Text(const QComboBox* list) { return list->currentText().toStdString(); }
std::string Text(const QLineEdit* box) { return box->text().toStdString(); }

// Lists whose items show a description and keep the value they stand for in settings.ini as their data.
// A value the list does not offer leaves it without a choice, even where an earlier showing had one.
void SelectValue(QComboBox* list, const std::string& value) {
  list->setCurrentIndex(list->findData(QString::fromStdString(value)));
}

// A list without a choice (the file holds a value it does not offer) leaves the file's value as it is.
void WriteChoice(TIniFile& settings, const char* section, const char* key, const QComboBox* list) {
  if (list->currentIndex() < 0) return;
  settings.WriteString(section, key, list->currentData().toString().toStdString());
}

void SetText(QLineEdit* box, const std::string& text) { box->setText(QString::fromStdString(text)); }

// A page that scrolls when a large font makes it taller than the dialog; otherwise no scroll bar shows.
QScrollArea* Scrolling(QWidget* page) {
  auto* area = new QScrollArea;
  area->setWidget(page);
  area->setWidgetResizable(true);
  area->setFrameShape(QFrame::NoFrame);
  area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  return area;
}

}  // namespace

TOptions::TOptions(QWidget* parent, std::function<TIniFile*()> settings)
    : QDialog(parent), FSettings(std::move(settings)) {
  setWindowTitle("Options");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);
  Pages = new QTabWidget(this);
  Pages->addTab(BuildFolderPage(), "&Default Folder");
  Pages->addTab(BuildMp3Page(), "&MP3 Options");
  Pages->addTab(BuildOggPage(), "O&gg Options");
  Pages->addTab(BuildFlacPage(), "FLAC Options");
  Pages->addTab(BuildOpusPage(), "Opus Options");
  Pages->addTab(BuildNamesPage(), "File &Names");
  Pages->addTab(Scrolling(BuildOnlinePage()), "Online");
  Pages->addTab(Scrolling(BuildReadingPage()), "Reading");

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton("&OK", QDialogButtonBox::AcceptRole);
  buttons->addButton("&Cancel", QDialogButtonBox::RejectRole);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &TOptions::OKClick);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Pages);
  layout->addWidget(buttons);
  // Wider only when the page tabs would not fit side by side.
  int margins = layout->contentsMargins().left() + layout->contentsMargins().right() + 8;
  setFixedSize(std::max(400, Pages->tabBar()->sizeHint().width() + margins), 340);
}

QLineEdit* TOptions::AddFolderRow(QWidget* page, int top, const QString& label, bool buddy) {
  auto* grid = static_cast<QGridLayout*>(page->layout());
  auto* caption = new QLabel(label, page);
  grid->addWidget(caption, top, 0, 1, 2);
  auto* box = new QLineEdit(page);
  if (buddy) caption->setBuddy(box);
  grid->addWidget(box, top + 1, 0);
  auto* browse = new QToolButton(page);
  browse->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  browse->setToolTip("Open the folder");
  grid->addWidget(browse, top + 1, 1);
  connect(browse, &QToolButton::clicked, this, [this, box] {
    QString folder = SelectDirectory(this, box->text());
    if (!folder.isEmpty()) box->setText(folder);
  });
  return box;
}

// A caption in the first column whose letter takes the keyboard to the control beside it.
void TOptions::AddLabelled(QGridLayout* grid, int row, const QString& caption, QWidget* control) {
  auto* label = new QLabel(caption, control->parentWidget());
  label->setBuddy(control);
  grid->addWidget(label, row, 0);
  grid->addWidget(control, row, 1);
}

// The same in any pair of columns, column being the caption's.
void TOptions::AddPair(QGridLayout* grid, int row, int column, const QString& caption, QWidget* control) {
  auto* label = new QLabel(caption, control->parentWidget());
  label->setBuddy(control);
  grid->addWidget(label, row, column);
  grid->addWidget(control, row, column + 1);
}

QWidget* TOptions::BuildFolderPage() {
  auto* page = new QWidget(this);
  auto* grid = new QGridLayout(page);
  mp3folder = AddFolderRow(page, 0, "Default MP&3 Output Folder");
  wavfolder = AddFolderRow(page, 2, "Default &WAV Output Folder");
  oggfolder = AddFolderRow(page, 4, "Default Ogg Output &Folder");
  flacfolder = AddFolderRow(page, 6, "Default F&LAC Output Folder");
  opusfolder = AddFolderRow(page, 8, "Default Opus Output Folder", false);
  open = new QCheckBox("Open the Output Folder After &Ripping ", page);
  grid->addWidget(open, 10, 0, 1, 2);
  grid->addLayout(BuildAlsoWriteRow(page), 11, 0, 1, 2);
  grid->setRowStretch(12, 1);
  return page;
}

// One list rather than a box per format, so that no format needs a letter of the page's own.
QHBoxLayout* TOptions::BuildAlsoWriteRow(QWidget* page) {
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel("Also write:", page));
  alsowrite = new QListWidget(page);
  alsowrite->setFlow(QListView::LeftToRight);
  alsowrite->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  alsowrite->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  for (OutputFormat format : OutputFormats()) {
    auto* item = new QListWidgetItem(QString::fromStdString(FormatFolderName(format)).toUpper(), alsowrite);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  alsowrite->setFixedHeight(alsowrite->sizeHintForRow(0) + 2 * alsowrite->frameWidth() + 4);
  row->addWidget(alsowrite, 1);
  return row;
}

QWidget* TOptions::BuildMp3Page() {
  auto* page = new QWidget(this);
  auto* grid = new QGridLayout(page);
  samplerate = NewList(page, {"32000Hz", "44100Hz", "48000Hz"});
  bitrate = NewList(page, {"32kb/s", "40kb/s", "48kb/s", "56kb/s", "64kb/s", "80kb/s", "96kb/s", "112kb/s", "128kb/s",
                           "160kb/s", "192kb/s", "224kb/s", "256kb/s", "320kb/s"});
  bitrate->setMaxVisibleItems(14);
  channel = NewList(page, {"STEREO", "DUALCHANNEL", "MONO"});
  AddLabelled(grid, 0, "&Sample Rate", samplerate);
  AddLabelled(grid, 1, "&Bit Rate ", bitrate);
  AddLabelled(grid, 2, "C&hannel ", channel);
  copyright = new QCheckBox("Cop&yright Bit", page);
  crc = new QCheckBox("CRC-Chec&ksum ", page);
  originalbit = new QCheckBox("Or&iginal Bit ", page);
  privatebit = new QCheckBox("Pri&vate Bit ", page);
  grid->addWidget(copyright, 3, 0);
  grid->addWidget(crc, 3, 1);
  grid->addWidget(originalbit, 4, 0);
  grid->addWidget(privatebit, 4, 1);
  mp3quality = NewList(page, {"none (CBR)", "0 (best)", "1", "2", "3", "4", "5", "6", "7", "8", "9 (smallest)"});
  mp3quality->setToolTip("none: every frame at the bit rate; 0 to 9: as many bits as the audio needs at that quality");
  AddLabelled(grid, 5, "VBR &Quality", mp3quality);
  // A variable bit rate takes no bit rate.
  connect(mp3quality, &QComboBox::currentIndexChanged, this, [this](int index) { bitrate->setEnabled(index <= 0); });
  grid->setRowStretch(6, 1);
  return page;
}

QWidget* TOptions::BuildOggPage() {
  auto* page = new QWidget(this);
  auto* grid = new QGridLayout(page);
  cpu = NewList(page, {"1", "2", "3"});
  compr = NewList(page, {"20", "30", "40", "50", "60", "70", "80", "90"});
  AddLabelled(grid, 0, "CPU &Usage", cpu);
  AddLabelled(grid, 1, "Com&pr. %", compr);
  grid->setRowStretch(2, 1);
  grid->setColumnStretch(1, 1);
  return page;
}

QWidget* TOptions::BuildFlacPage() {
  auto* page = new QWidget(this);
  auto* grid = new QGridLayout(page);
  level = NewList(page, {"0", "1", "2", "3", "4", "5", "6", "7", "8"});
  AddLabelled(grid, 0, "Compr&ession Level", level);
  auto* hint = new QLabel("0 is the fastest, 8 gives the smallest files; every level is lossless.", page);
  hint->setWordWrap(true);
  grid->addWidget(hint, 1, 0, 1, 2);
  grid->setRowStretch(2, 1);
  grid->setColumnStretch(1, 1);
  return page;
}

QWidget* TOptions::BuildOpusPage() {
  auto* page = new QWidget(this);
  auto* grid = new QGridLayout(page);
  opusbitrate = NewList(page, {"64", "96", "128", "160", "192", "256", "320"});
  opusbitrate->setEditable(true);  // any rate Opus takes may be typed
  opusbitrate->setValidator(new QIntValidator(6, 510, opusbitrate));
  AddLabelled(grid, 0, "Bit Rate in kbit/s (&6 to 510)", opusbitrate);
  auto* hint = new QLabel("At 128 to 160 kbit/s most music cannot be told from the disc; 96 suits speech.", page);
  hint->setWordWrap(true);
  grid->addWidget(hint, 1, 0, 1, 2);
  grid->setRowStretch(2, 1);
  grid->setColumnStretch(1, 1);
  return page;
}

QWidget* TOptions::BuildNamesPage() {
  auto* page = new QWidget(this);
  auto* grid = new QGridLayout(page);
  auto* label = new QLabel("Name &template", page);
  grid->addWidget(label, 0, 0);
  nametemplate = new QLineEdit(page);
  label->setBuddy(nametemplate);
  nametemplate->setPlaceholderText("%a/%A/%n - %t");
  grid->addWidget(nametemplate, 1, 0);
  auto* hint = new QLabel(
      "%n track number, %t title, %a artist, %A album, %y year, %g genre,\n"
      "%b album artist, %d disc number, %D disc total.\n"
      "A \"/\" makes folders. Empty: the names are the titles alone.\n"
      "For a set of several discs: %b/%A/%d-%n - %t",
      page);
  hint->setWordWrap(true);
  grid->addWidget(hint, 2, 0);
  windowssafe = new QCheckBox("Windows-s&afe names", page);
  windowssafe->setToolTip("Replace \\ : * ? \" < > | in names");
  grid->addWidget(windowssafe, 3, 0);
  grid->setRowStretch(4, 1);
  return page;
}

void TOptions::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Pages->setCurrentIndex(0);
  FormActivate();
}

void TOptions::FormActivate() {
  try {
    TIniFile* settings = FSettings();
    if (settings == nullptr) throw EIniFileError("no settings");
    ReadSettings(*settings);
  } catch (const EIniFileError&) {
    SettingsFailed();
  }
}

void TOptions::ReadSettings(TIniFile& settings) {
  SelectText(samplerate, settings.ReadString(kMp3Section, "dwSampleRate", "44100"));
  SelectText(bitrate, settings.ReadString(kMp3Section, "wBitrate", "128"));
  SelectText(channel, settings.ReadString(kMp3Section, "channel", "STEREO"));
  copyright->setChecked(IsSet(settings.ReadString(kMp3Section, "bCopyright", "False")));
  crc->setChecked(IsSet(settings.ReadString(kMp3Section, "bCRC", "False")));
  privatebit->setChecked(IsSet(settings.ReadString(kMp3Section, "bPrivate", "False")));
  originalbit->setChecked(IsSet(settings.ReadString(kMp3Section, "bOriginal", "False")));
  mp3folder->setText(QString::fromStdString(settings.ReadString(kFolderSection, "mp3 folder", "")));
  wavfolder->setText(QString::fromStdString(settings.ReadString(kFolderSection, "wav folder", "")));
  oggfolder->setText(QString::fromStdString(settings.ReadString(kFolderSection, "Ogg folder", "")));
  flacfolder->setText(QString::fromStdString(settings.ReadString(kFolderSection, "flac folder", "")));
  open->setChecked(IsSet(settings.ReadString(kFolderSection, "open", "False")));
  const std::vector<OutputFormat> also = ReadAlsoWrite(settings);
  for (int k = 0; k < alsowrite->count(); ++k)
    alsowrite->item(k)->setCheckState(std::count(also.begin(), also.end(), OutputFormats()[std::size_t(k)]) > 0
                                          ? Qt::Checked
                                          : Qt::Unchecked);
  SelectText(cpu, settings.ReadString(kOggSection, "cpu", "3"));
  SelectText(compr, settings.ReadString(kOggSection, "compr", "20"));
  nametemplate->setText(QString::fromStdString(settings.ReadString(kRipSection, "name template", "")));
  windowssafe->setChecked(IsSet(settings.ReadString(kRipSection, "Windows-safe names", "False")));
  SelectText(level, settings.ReadString(kFlacSection, "level", "5"));
  opusfolder->setText(QString::fromStdString(settings.ReadString(kFolderSection, "opus folder", "")));
  opusbitrate->setCurrentText(QString::fromStdString(settings.ReadString(kOpusSection, "bitrate", "160")));
  ShowMp3Quality(settings);
  ReadOnlineSettings(settings);
  ReadReadingSettings(settings);
}

// A quality out of range shows as the rip takes it: the default one.
void TOptions::ShowMp3Quality(TIniFile& settings) {
  if (settings.ReadString(kMp3Section, "mode", "CBR") != "VBR") {
    mp3quality->setCurrentIndex(0);
    return;
  }
  const std::string quality = settings.ReadString(kMp3Section, "quality", "2");
  const bool digit = quality.size() == 1 && quality[0] >= '0' && quality[0] <= '9';
  mp3quality->setCurrentIndex(1 + (digit ? quality[0] - '0' : 2));
}

void TOptions::OKClick() {
  try {
    TIniFile* settings = FSettings();
    if (settings == nullptr) throw EIniFileError("no settings");
    if (!ReadOffsetAccepted()) return;
    WriteSettings(*settings);
  } catch (const EIniFileError&) {
    SettingsFailed();
    return;
  }
  accept();
}

void TOptions::WriteSettings(TIniFile& settings) {
  settings.WriteString(kMp3Section, "dwSampleRate", Text(samplerate));
  settings.WriteString(kMp3Section, "wBitrate", Text(bitrate));
  settings.WriteString(kMp3Section, "channel", Text(channel));
  settings.WriteString(kMp3Section, "bCopyright", Flag(copyright));
  settings.WriteString(kMp3Section, "bCRC", Flag(crc));
  settings.WriteString(kMp3Section, "bPrivate", Flag(privatebit));
  settings.WriteString(kMp3Section, "bOriginal", Flag(originalbit));
  settings.WriteString(kFolderSection, "mp3 folder", Text(mp3folder));
  settings.WriteString(kFolderSection, "wav folder", Text(wavfolder));
  settings.WriteString(kFolderSection, "Ogg folder", Text(oggfolder));
  settings.WriteString(kFolderSection, "flac folder", Text(flacfolder));
  settings.WriteString(kFolderSection, "open", Flag(open));
  settings.WriteString(kOggSection, "cpu", Text(cpu));
  settings.WriteString(kOggSection, "compr", Text(compr));
  settings.WriteString(kRipSection, "name template", Text(nametemplate));
  settings.WriteString(kRipSection, "Windows-safe names", Flag(windowssafe));
  std::vector<OutputFormat> also;
  for (int k = 0; k < alsowrite->count(); ++k)
    if (alsowrite->item(k)->checkState() == Qt::Checked) also.push_back(OutputFormats()[std::size_t(k)]);
  settings.WriteString(kRipSection, "also write", AlsoWriteText(also));
  settings.WriteString(kFlacSection, "level", Text(level));
  settings.WriteString(kFolderSection, "opus folder", Text(opusfolder));
  settings.WriteString(kOpusSection, "bitrate", Text(opusbitrate));
  const int quality = mp3quality->currentIndex() - 1;  // -1: a constant bit rate, whose quality key stays
  settings.WriteString(kMp3Section, "mode", quality >= 0 ? "VBR" : "CBR");
  if (quality >= 0) settings.WriteString(kMp3Section, "quality", std::to_string(quality));
  WriteOnlineSettings(settings);
  WriteReadingSettings(settings);
}

void TOptions::SettingsFailed() {
  CurrentMessageBoxes().Show(this, "Error", "Settings.ini not exist!  ", MessageBoxes::Icon::Error);
  EndProgram();
}

QWidget* TOptions::BuildOnlinePage() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  cddbserver = new QLineEdit(page);
  cddbserver->setPlaceholderText("gnudb.gnudb.org");
  cddbserver->setToolTip("The CDDB server's host, with \":port\" where it is not 80; empty: gnudb.gnudb.org");
  cddbemail = new QLineEdit(page);
  cddbemail->setPlaceholderText("quillon@localhost");
  cddbemail->setToolTip("Public CDDB servers answer only a real e-mail address");
  musicbrainzserver = new QLineEdit(page);
  musicbrainzserver->setPlaceholderText("https://musicbrainz.org");
  lookuporder = new QComboBox(page);
  for (const char* order : {"CDDB", "MusicBrainz", "MusicBrainz, then CDDB", "CDDB, then MusicBrainz", "CD-Text",
                            "CD-Text, then CDDB", "CD-Text, then MusicBrainz", "CD-Text, then MusicBrainz, then CDDB"})
    lookuporder->addItem(order, order);
  lookuporder->setCurrentIndex(-1);
  lookuporder->setToolTip("Where quillon-cli rip --lookup asks for the names first");
  accurateripserver = new QLineEdit(page);
  accurateripserver->setPlaceholderText("empty: tracks are not verified by AccurateRip");
  ctdbserver = new QLineEdit(page);
  ctdbserver->setPlaceholderText("empty: tracks are not verified by the CUETools database");
  coverartserver = new QLineEdit(page);
  coverartserver->setPlaceholderText("empty: no cover is fetched");
  coverartserver->setToolTip("Where the cover of a disc named by MusicBrainz is fetched from");
  coverartsize = new QComboBox(page);
  for (const char* size : {"250", "500", "1200"}) coverartsize->addItem(QString(size) + " pixels", size);
  coverartsize->addItem("original", "original");
  coverartsize->setCurrentIndex(-1);
  coverartfile = new QLineEdit(page);
  coverartfile->setPlaceholderText("empty: the cover is only embedded in the files");
  // Two columns of captioned fields, so that the page needs no more height than the others.
  AddPair(grid, 0, 0, "CDDB &server", cddbserver);
  AddPair(grid, 0, 2, "CDDB &e-mail", cddbemail);
  AddPair(grid, 1, 0, "Music&Brainz server", musicbrainzserver);
  AddPair(grid, 1, 2, "Look&up order", lookuporder);
  AddPair(grid, 2, 0, "&AccurateRip server", accurateripserver);
  AddPair(grid, 2, 2, "CUE&Tools server", ctdbserver);
  AddPair(grid, 3, 0, "Co&ver art server", coverartserver);
  AddPair(grid, 3, 2, "Cover s&ize", coverartsize);
  AddPair(grid, 4, 0, "Cover &file", coverartfile);
  grid->setRowStretch(5, 1);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  return page;
}

QWidget* TOptions::BuildReadingPage() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  readmode = new QComboBox(page);
  readmode->addItem("Verify: fast, read again securely unless a database proves it", "verify");
  readmode->addItem("Secure: every block at least twice", "secure");
  readmode->addItem("Burst: every block once", "burst");
  readmode->setCurrentIndex(-1);
  readoffset = new QLineEdit(page);
  readoffset->setValidator(new QIntValidator(-kMostReadOffset, kMostReadOffset, readoffset));
  readoffset->setPlaceholderText("none set");
  detectoffset = new QPushButton("De&tect\u2026", page);
  connect(detectoffset, &QPushButton::clicked, this, &TOptions::DetectOffsetClick);
  auto* offsetRow = new QHBoxLayout;
  offsetRow->addWidget(readoffset, 1);
  offsetRow->addWidget(detectoffset);
  encoderthreads = new QSpinBox(page);
  encoderthreads->setRange(0, 256);
  encoderthreads->setSpecialValueText("one per processor core");
  auto* modeLabel = new QLabel("Read mod&e", page);
  modeLabel->setBuddy(readmode);
  grid->addWidget(modeLabel, 0, 0);
  grid->addWidget(readmode, 0, 1, 1, 3);
  auto* offsetLabel = new QLabel("Read o&ffset (samples)", page);
  offsetLabel->setBuddy(readoffset);
  grid->addWidget(offsetLabel, 1, 0);
  grid->addLayout(offsetRow, 1, 1);
  AddPair(grid, 1, 2, "Encoder t&hreads", encoderthreads);
  testandcopy = new QCheckBox("Test &and copy (read twice)", page);
  detectgaps = new QCheckBox("Detect the ga&ps between tracks", page);
  deemphasis = new QCheckBox("De-emphas&is of pre-emphasis", page);
  onefile = new QCheckBox("One file for the &whole disc", page);
  onefile->setToolTip("The disc in one WAV or FLAC file, with a cue sheet");
  deemphasis->setToolTip("MP3, Ogg and FLAC files of tracks recorded with pre-emphasis are de-emphasised");
  replaygain = new QCheckBox("Repla&yGain tags", page);
  playlist = new QCheckBox("Play li&st of the finished files", page);
  eject = new QCheckBox("E&ject the disc after the rip", page);
  int place = 0;
  for (QCheckBox* box : {testandcopy, detectgaps, deemphasis, onefile, replaygain, playlist, eject}) {
    grid->addWidget(box, 2 + place / 2, place % 2 == 0 ? 0 : 2, 1, 2);
    ++place;
  }
  grid->setRowStretch(2 + (place + 1) / 2, 1);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  return page;
}

std::string TOptions::CurrentDrive() const { return Drive ? Drive() : std::string(); }

void TOptions::ReadOnlineSettings(TIniFile& settings) {
  SetText(cddbserver, settings.ReadString("CDDB", "server", ""));
  SetText(cddbemail, settings.ReadString("CDDB", "email", ""));
  SetText(musicbrainzserver, settings.ReadString("MusicBrainz", "server", ""));
  SelectValue(lookuporder, settings.ReadString("MusicBrainz", "lookup", "CDDB"));
  SetText(accurateripserver, settings.ReadString("AccurateRip", "server", "http://www.accuraterip.com"));
  SetText(ctdbserver, settings.ReadString("CTDB", "server", "http://db.cuetools.net"));
  SetText(coverartserver, settings.ReadString("Cover Art", "server", "http://coverartarchive.org"));
  SelectValue(coverartsize, settings.ReadString("Cover Art", "size", "500"));
  SetText(coverartfile, settings.ReadString("Cover Art", "file", "cover.jpg"));
}

void TOptions::ReadReadingSettings(TIniFile& settings) {
  SelectValue(readmode, settings.ReadString(kRipSection, "read mode", "verify"));
  const std::string drive = CurrentDrive();
  readoffset->setEnabled(!drive.empty());
  detectoffset->setEnabled(!drive.empty() && DetectReadOffset != nullptr);
  readoffset->setToolTip(drive.empty() ? "No drive: the read offset belongs to a drive"
                                       : "The read offset of " + QString::fromStdString(drive));
  SetText(readoffset, drive.empty() ? std::string() : settings.ReadString(kOffsetSection, drive, ""));
  const std::string threads = settings.ReadString(kRipSection, "encoder threads", "0");
  encoderthreads->setValue(QString::fromStdString(threads).toInt());
  testandcopy->setChecked(IsSet(settings.ReadString(kRipSection, "test and copy", "False")));
  detectgaps->setChecked(IsSet(settings.ReadString(kRipSection, "detect gaps", "True")));
  deemphasis->setChecked(IsSet(settings.ReadString(kRipSection, "de-emphasis", "False")));
  onefile->setChecked(IsSet(settings.ReadString(kRipSection, "one file", "False")));
  replaygain->setChecked(IsSet(settings.ReadString(kRipSection, "ReplayGain", "True")));
  playlist->setChecked(IsSet(settings.ReadString(kRipSection, "playlist", "True")));
  eject->setChecked(IsSet(settings.ReadString(kRipSection, "eject", "False")));
}

void TOptions::WriteOnlineSettings(TIniFile& settings) {
  settings.WriteString("CDDB", "server", Text(cddbserver));
  settings.WriteString("CDDB", "email", Text(cddbemail));
  settings.WriteString("MusicBrainz", "server", Text(musicbrainzserver));
  WriteChoice(settings, "MusicBrainz", "lookup", lookuporder);
  settings.WriteString("AccurateRip", "server", Text(accurateripserver));
  settings.WriteString("CTDB", "server", Text(ctdbserver));
  settings.WriteString("Cover Art", "server", Text(coverartserver));
  WriteChoice(settings, "Cover Art", "size", coverartsize);
  settings.WriteString("Cover Art", "file", Text(coverartfile));
}

void TOptions::WriteReadingSettings(TIniFile& settings) {
  WriteChoice(settings, kRipSection, "read mode", readmode);
  settings.WriteString(kRipSection, "encoder threads", std::to_string(encoderthreads->value()));
  settings.WriteString(kRipSection, "test and copy", Flag(testandcopy));
  settings.WriteString(kRipSection, "detect gaps", Flag(detectgaps));
  settings.WriteString(kRipSection, "de-emphasis", Flag(deemphasis));
  settings.WriteString(kRipSection, "one file", Flag(onefile));
  settings.WriteString(kRipSection, "ReplayGain", Flag(replaygain));
  settings.WriteString(kRipSection, "playlist", Flag(playlist));
  settings.WriteString(kRipSection, "eject", Flag(eject));
  const std::string drive = CurrentDrive();
  if (!drive.empty()) settings.WriteString(kOffsetSection, drive, Text(readoffset));
}

// A read offset that is no whole number within the drives' range keeps the dialog open, on its page.
bool TOptions::ReadOffsetAccepted() {
  if (readoffset->text().isEmpty() || readoffset->hasAcceptableInput()) return true;
  for (int index = 0; index < Pages->count(); ++index)
    if (Pages->widget(index)->isAncestorOf(readoffset)) Pages->setCurrentIndex(index);
  readoffset->setFocus();
  CurrentMessageBoxes().Show(this, "Options",
                             QString("The read offset \"%1\" is no whole number of samples from %2 to %3; leave it "
                                     "empty where the drive has none.")
                                 .arg(readoffset->text())
                                 .arg(-kMostReadOffset)
                                 .arg(kMostReadOffset),
                             MessageBoxes::Icon::Error);
  return false;
}

// The detection may store the offset it finds: the box then shows it.
void TOptions::DetectOffsetClick() {
  auto stored = [this] {
    TIniFile* settings = FSettings();
    return settings == nullptr ? std::string() : settings->ReadString(kOffsetSection, CurrentDrive(), "");
  };
  try {
    const std::string before = stored();
    DetectReadOffset();
    const std::string after = stored();
    if (after != before) SetText(readoffset, after);
  } catch (const EIniFileError&) {
    SettingsFailed();
  }
}
