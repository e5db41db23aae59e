#include "app/TOptions.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/inifile/TIniFile.h"
#include "rip/RipJob.h"
#include "platform/qtseams/FolderBrowser.h"
#include "platform/qtseams/MessageBoxes.h"
#include "platform/qtseams/ProgramEnd.h"

namespace {

const char* const kMp3Section = "MP3 Options";
const char* const kFolderSection = "Folder";
const char* const kOggSection = "Ogg Options";
const char* const kRipSection = "Rip";
const char* const kFlacSection = "FLAC Options";
const char* const kOpusSection = "Opus Options";

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
}

void TOptions::SettingsFailed() {
  CurrentMessageBoxes().Show(this, "Error", "Settings.ini not exist!  ", MessageBoxes::Icon::Error);
  EndProgram();
}
