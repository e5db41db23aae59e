#include "app/TMainForm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>

#include "app/Links.h"
#include "app/LookupWait.h"
#include "app/TAboutForm.h"
#include "app/TReadOffsetForm.h"
#include "app/TBatchForm.h"
#include "app/TReleaseChoiceForm.h"
#include "app/PlayerGlyphs.h"
#include "app/TOptions.h"
#include "app/Trename.h"
#include "cd/CdTextMetadata.h"
#include "cd/TCdMsgForm.h"
#include "id3/Tid3editormain.h"
#include "platform/ProgramFolder.h"
#include "platform/qtseams/EdgeAnchors.h"
#include "platform/qtseams/FolderBrowser.h"
#include "platform/qtseams/MessageBoxes.h"
#include "platform/qtseams/Shell.h"
#include "rip/TRipPropressForm.h"
#include "tools/Tmixer.h"
#include "tools/Togg2mp3.h"
#include "tools/Togg2wav.h"
#include "tools/Toggplayer.h"
#include "tools/Trecorder.h"
#include "tools/Twav2mp3.h"
#include "tools/Twav2ogg.h"

namespace {

constexpr int kClientWidth = 549;
constexpr int kClientHeight = 347;
constexpr int kTimerInterval = 500;
constexpr int kHeldStatusTime = 3000;

QString FromBytes(const std::string& text) { return QString::fromStdString(text); }

// The program folder when it can be written, as a portable program keeps everything together; otherwise a
// folder of the program's own in the user's Music folder.
std::string OutputRoot() {
  if (ProgramFolderWritable()) return ProgramFolder();
  return QStandardPaths::writableLocation(QStandardPaths::MusicLocation).toStdString() + "/Quillon/";
}

// The window's size as it was last closed, in section "Main Window"; 0 where none is kept or it is no number.
int SizeSetting(TIniFile& settings, const char* key) {
  const QString value = QString::fromStdString(settings.ReadString("Main Window", key, ""));
  bool number = false;
  const int size = value.toInt(&number);
  return number && size > 0 ? size : 0;
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle("Quillon");
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  auto* client = new QWidget(this);
  client->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(client);
  FAnchors = new EdgeAnchors(client);
  FAnchors->Stretched = [this](int wider, int) { ListView1->setColumnWidth(1, FTitleWidth + wider); };
  BuildPlayerBar(client);
  BuildFormatBar(client);
  BuildTrackList(client);
  BuildStatusBar(client);
  BuildMenus();
  auto* releaseChoice = new TReleaseChoiceForm(this);
  ChooseRelease = [releaseChoice](const std::vector<MusicBrainzRelease>& releases) {
    return releaseChoice->Choose(releases);
  };
  BuildKeys();
  Timer1 = new QTimer(this);
  Timer1->setInterval(kTimerInterval);
  connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
  adjustSize();
  setFixedSize(sizeHint());
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  FormCreate();
}

TMainForm::~TMainForm() = default;

QToolButton* TMainForm::AddPlayerButton(QWidget* client, int index, const QString& hint, int standardIcon,
                                        void (TMainForm::*command)()) {
  auto* button = new QToolButton(client);
  button->setGeometry(4 + index * 30, 4, 28, 26);
  button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(standardIcon)));
  button->setToolTip(hint);
  button->setAutoRaise(true);
  connect(button, &QToolButton::clicked, this, command);
  return button;
}

void TMainForm::BuildPlayerBar(QWidget* client) {
  AddPlayerButton(client, 0, "Play", QStyle::SP_MediaPlay, &TMainForm::Play1Click);
  AddPlayerButton(client, 1, "Pause", QStyle::SP_MediaPause, &TMainForm::Pause1Click);
  FResumeButton = AddPlayerButton(client, 2, "Resume", QStyle::SP_MediaPlay, &TMainForm::Resume1Click);
  AddPlayerButton(client, 3, "Stop", QStyle::SP_MediaStop, &TMainForm::Stop1Click);
  AddPlayerButton(client, 4, "Previous", QStyle::SP_MediaSkipBackward, &TMainForm::Previous1Click);
  AddPlayerButton(client, 5, "Next", QStyle::SP_MediaSkipForward, &TMainForm::Next1Click);
  FEjectButton = AddPlayerButton(client, 6, "Eject/Close CDROM", QStyle::SP_TitleBarShadeButton,
                                 &TMainForm::EjectCloseCDROM1Click);
  DrawPlayerGlyphs();
  AddPlayerButton(client, 7, "CDDB", QStyle::SP_DriveNetIcon, &TMainForm::CDInformation1Click);
  AddPlayerButton(client, 8, "Refresh", QStyle::SP_BrowserReload, &TMainForm::RefreshClick);

  spSkinCheckRadioBox1 = new QCheckBox("Chec&k All/Uncheck All", client);
  spSkinCheckRadioBox1->setGeometry(282, 6, 160, 22);
  spSkinCheckRadioBox1->setChecked(true);
  connect(spSkinCheckRadioBox1, &QCheckBox::clicked, this, &TMainForm::spSkinCheckRadioBox1Click);

  RipButton = new QPushButton(client);
  RipButton->setGeometry(476, 4, 68, 54);
  RipButton->setIcon(style()->standardIcon(QStyle::SP_DriveCDIcon));
  RipButton->setIconSize(QSize(40, 40));
  RipButton->setToolTip("Rip");
  RipButton->setDefault(true);
  // The style draws no focus on a button that shows only a picture: a frame in the highlight colour does.
  RipButton->setStyleSheet("QPushButton:focus { border: 3px solid palette(highlight); border-radius: 4px; "
                           "background: palette(button); }");
  FAnchors->Tie(RipButton, kMoveRight);
  connect(RipButton, &QPushButton::clicked, this, &TMainForm::Rip1Click);
}

void TMainForm::BuildFormatBar(QWidget* client) {
  mp3check = new QRadioButton("&MP3", client);
  mp3check->setGeometry(4, 34, 53, 24);
  mp3check->setChecked(true);
  wavcheck = new QRadioButton("&WAV", client);
  wavcheck->setGeometry(58, 34, 55, 24);
  oggcheck = new QRadioButton("O&gg", client);
  oggcheck->setGeometry(114, 34, 50, 24);
  flaccheck = new QRadioButton("F&LAC", client);
  flaccheck->setGeometry(164, 34, 58, 24);
  opuscheck = new QRadioButton("O&pus", client);
  opuscheck->setGeometry(222, 34, 56, 24);
  connect(mp3check, &QRadioButton::clicked, this, [this] { FormatClick(OutputFormat::MP3); });
  connect(wavcheck, &QRadioButton::clicked, this, [this] { FormatClick(OutputFormat::WAV); });
  connect(oggcheck, &QRadioButton::clicked, this, [this] { FormatClick(OutputFormat::Ogg); });
  connect(flaccheck, &QRadioButton::clicked, this, [this] { FormatClick(OutputFormat::FLAC); });
  connect(opuscheck, &QRadioButton::clicked, this, [this] { FormatClick(OutputFormat::Opus); });

  auto* label = new QLabel("Output Fol&der", client);
  label->setGeometry(280, 34, 88, 24);
  spSkinEdit1 = new QLineEdit(client);
  label->setBuddy(spSkinEdit1);
  spSkinEdit1->setGeometry(370, 34, 70, 24);
  FAnchors->Tie(spSkinEdit1, kGrowWide);
  auto* browse = new QToolButton(client);
  browse->setGeometry(442, 34, 28, 24);
  FAnchors->Tie(browse, kMoveRight);
  browse->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  browse->setToolTip("Select an output folder");
  connect(browse, &QToolButton::clicked, this, &TMainForm::spSkinButtonFolderClick);
}

void TMainForm::BuildTrackList(QWidget* client) {
  ListView1 = new QTreeWidget(client);
  ListView1->setGeometry(4, 64, 541, 254);
  FAnchors->Tie(ListView1, kGrowWide | kGrowTall);
  ListView1->setRootIsDecorated(false);
  ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->setAllColumnsShowFocus(true);
  ListView1->setHeaderLabels({"No", "Save As Title   (Double Click to Rename)", "Length", "Size"});
  const int widths[] = {45, 305, 90, 80};
  for (int column = 0; column < 4; ++column) {
    ListView1->setColumnWidth(column, widths[column]);
    if (column > 0) ListView1->headerItem()->setTextAlignment(column, Qt::AlignCenter);
  }
  ListView1->header()->setStretchLastSection(false);
  connect(ListView1, &QTreeWidget::itemDoubleClicked, this, &TMainForm::ListView1DblClick);
  connect(ListView1, &QTreeWidget::itemChanged, this, &TMainForm::ShowCheckAll);
  // The selection stays as visible as with focus when the list loses it.
  QPalette palette = ListView1->palette();
  palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   palette.color(QPalette::Active, QPalette::HighlightedText));
  ListView1->setPalette(palette);
}

void TMainForm::BuildStatusBar(QWidget* client) {
  auto* status = new QLabel("Status", client);
  status->setGeometry(6, 322, 40, 22);
  FAnchors->Tie(status, kMoveDown);
  spSLMsgOut = new StatusLine(client);
  spSLMsgOut->setGeometry(48, 322, 268, 22);
  FAnchors->Tie(spSLMsgOut, kMoveDown | kGrowWide);
  spSLMsgOut->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* cdrom = new QLabel("CD&ROM", client);
  cdrom->setGeometry(320, 322, 47, 22);
  FAnchors->Tie(cdrom, kMoveDown | kMoveRight);
  spCDROMlist = new QComboBox(client);
  cdrom->setBuddy(spCDROMlist);
  spCDROMlist->setGeometry(368, 322, 177, 22);
  FAnchors->Tie(spCDROMlist, kMoveDown | kMoveRight);
  spCDROMlist->setEditable(false);
  connect(spCDROMlist, &QComboBox::activated, this, &TMainForm::spCDROMlistChange);
}

void TMainForm::BuildMenus() {
  auto add = [](QMenu* menu, const QString& text, const QString& shortcut = QString()) {
    QAction* action = menu->addAction(text);
    if (!shortcut.isEmpty()) action->setShortcut(QKeySequence(shortcut));
    return action;
  };
  // The "&" marks each title's and entry's mnemonic: Alt and the letter, or the letter in an open menu.
  QMenu* file = menuBar()->addMenu("&File");
  connect(add(file, "E&xit"), &QAction::triggered, this, &QWidget::close);

  QMenu* actions = menuBar()->addMenu("&Actions");
  connect(add(actions, "&Refresh", "Ctrl+F"), &QAction::triggered, this, &TMainForm::RefreshClick);
  actions->addSeparator();
  connect(add(actions, "R&ip", "Ctrl+Z"), &QAction::triggered, this, &TMainForm::Rip1Click);
  actions->addSeparator();
  connect(add(actions, "&Select All"), &QAction::triggered, this, &TMainForm::SelectAll1Click);
  connect(add(actions, "&Unselect All"), &QAction::triggered, this, &TMainForm::UnselectAll1Click);
  actions->addSeparator();
  connect(add(actions, "Re&name Track\u2026", "F2"), &QAction::triggered, this, &TMainForm::ListView1DblClick);

  QMenu* player = menuBar()->addMenu("&CD Player");
  connect(add(player, "&Play", "Ctrl+P"), &QAction::triggered, this, &TMainForm::Play1Click);
  connect(add(player, "&Stop", "Ctrl+L"), &QAction::triggered, this, &TMainForm::Stop1Click);
  connect(add(player, "P&ause", "Ctrl+K"), &QAction::triggered, this, &TMainForm::Pause1Click);
  connect(add(player, "&Resume", "Ctrl+R"), &QAction::triggered, this, &TMainForm::Resume1Click);
  player->addSeparator();
  connect(add(player, "Pre&vious", "Ctrl+T"), &QAction::triggered, this, &TMainForm::Previous1Click);
  connect(add(player, "&Next", "Ctrl+N"), &QAction::triggered, this, &TMainForm::Next1Click);
  player->addSeparator();
  connect(add(player, "&Eject/Close CDROM"), &QAction::triggered, this, &TMainForm::EjectCloseCDROM1Click);
  player->addSeparator();
  connect(add(player, "&Detect Read Offset\u2026"), &QAction::triggered, this, &TMainForm::DetectReadOffset1Click);

  connect(add(menuBar()->addMenu("&Options"), "&Options"), &QAction::triggered, this, &TMainForm::Options1Click);

  QMenu* tools = menuBar()->addMenu("&Tools");
  connect(add(tools, "WAV &Mixer", "Ctrl+M"), &QAction::triggered, this, &TMainForm::WAVMixer1Click);
  connect(add(tools, "Sound &Recorder", "Ctrl+G"), &QAction::triggered, this, &TMainForm::SoundRecorder1Click);
  tools->addSeparator();
  connect(add(tools, "&Ogg Player", "Ctrl+Y"), &QAction::triggered, this, &TMainForm::OggPlayer1Click);
  tools->addSeparator();
  connect(add(tools, "&WAV to MP3"), &QAction::triggered, this, &TMainForm::WAVtoMP31Click);
  connect(add(tools, "WA&V to Ogg"), &QAction::triggered, this, &TMainForm::WAVtoOgg1Click);
  connect(add(tools, "Ogg &to WAV"), &QAction::triggered, this, &TMainForm::OggtoWAV1Click);
  connect(add(tools, "Ogg to M&P3"), &QAction::triggered, this, &TMainForm::OggtoMP31Click);
  tools->addSeparator();
  connect(add(tools, "&ID3 Editor"), &QAction::triggered, this, &TMainForm::ID3Editor1Click);
  tools->addSeparator();
  connect(add(tools, "C&D Information (CDDB)"), &QAction::triggered, this, &TMainForm::CDInformation1Click);
  connect(add(tools, "M&usicBrainz Lookup"), &QAction::triggered, this, &TMainForm::MusicBrainz1Click);
  tools->addSeparator();
  connect(add(tools, "&Batch Rip\u2026"), &QAction::triggered, this, &TMainForm::BatchRip1Click);

  QMenu* help = menuBar()->addMenu("&Help");
  connect(add(help, "&Help Contents"), &QAction::triggered, this, [] { OpenDocument(HelpFileUrl()); });
  help->addSeparator();
  connect(add(help, "Quillon &Website"), &QAction::triggered, this, [] { OpenDocument(WebsiteUrl()); });
  connect(add(help, "&Email Support"), &QAction::triggered, this, [] { OpenDocument(SupportMailUrl()); });
  help->addSeparator();
  connect(add(help, "&About"), &QAction::triggered, this, [this] {
    if (FForms.AboutForm != nullptr) FForms.AboutForm->exec();
  });
}

// F10 opens the menu bar's first menu; Enter rips, as the default button would in a dialog; Space marks
// the current row whichever of its columns has the focus.
void TMainForm::BuildKeys() {
  connect(new QShortcut(Qt::Key_F10, this), &QShortcut::activated, this,
          [this] { menuBar()->setActiveAction(menuBar()->actions().first()); });
  for (int key : {Qt::Key_Return, Qt::Key_Enter})
    connect(new QShortcut(key, this), &QShortcut::activated, this, &TMainForm::Rip1Click);
  ListView1->installEventFilter(this);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched != ListView1 || event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  QTreeWidgetItem* row = ListView1->currentItem();
  if (key->key() != Qt::Key_Space || key->modifiers() != Qt::NoModifier || row == nullptr) return false;
  row->setCheckState(0, row->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  return true;
}

void TMainForm::FormCreate() {
  if (!FDrives.ReadDriveList()) {
    // Right after installing there is neither: the line says what to do instead of staying blank.
    ShowStatus(FromBytes("No CD drive found. Add a disc image under [CD Images] in " + SettingsFile() +
                         ", or insert a disc."));
    return;
  }
  spCDROMlist->clear();
  for (const std::string& identification : FDrives.Identifications()) spCDROMlist->addItem(FromBytes(identification));
  spCDROMlist->setCurrentIndex(0);
  FDeviceFlag = true;
  OpenPlayer();
}

// The device opens whenever there is a drive, also without a disc or a sound device.
void TMainForm::OpenPlayer() {
  MediaPlayer1.Open(FDrives.CurrentDrive());
  MediaPlayer1.SetTimeFormatTMSF();
  Timer1->start();
}

bool TMainForm::event(QEvent* event) {
  // Without a window manager a window is never activated, so its first showing counts too.
  bool activation = event->type() == QEvent::WindowActivate || event->type() == QEvent::Show;
  if (activation && !FActivated) {
    FActivated = true;
    AllowGrowth();
    FormActivate();
  }
  return QMainWindow::event(event);
}

void TMainForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  const bool recoloured = event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange;
  if (recoloured && FResumeButton != nullptr) DrawPlayerGlyphs();
}

void TMainForm::DrawPlayerGlyphs() {
  FResumeButton->setIcon(PlayerGlyphIcon(PlayerGlyph::Resume, palette(), devicePixelRatioF()));
  FEjectButton->setIcon(PlayerGlyphIcon(PlayerGlyph::Eject, palette(), devicePixelRatioF()));
}

// Runs once: coming back from a dialog must not reset the folder the user chose.
void TMainForm::FormActivate() {
  FOutputRoot = OutputRoot();
  FSettings = std::make_unique<TIniFile>(SettingsFile());
  try {
    spSkinEdit1->setText(FormatFolder("mp3 folder", "MP3"));
    if (LastFolder().isEmpty()) LastFolder() = spSkinEdit1->text();  // where the first file dialog opens
  } catch (const EIniFileError&) {
    // The window stays usable; the options dialog reports the settings file.
  }
}

QString TMainForm::FormatFolder(const char* key, const char* fallback, bool rootWhenMissing) {
  std::string missing = rootWhenMissing ? FOutputRoot : std::string();
  std::string folder = FSettings ? FSettings->ReadString("Folder", key, missing) : missing;
  if (!folder.empty()) return FromBytes(folder);
  folder = FOutputRoot + fallback;
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  return FromBytes(folder);
}

// The first size is the smallest; the list takes whatever the window grows by.
void TMainForm::AllowGrowth() {
  FAnchors->TakePlaces();
  FTitleWidth = ListView1->columnWidth(1);
  centralWidget()->setMinimumSize(centralWidget()->size());
  centralWidget()->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  setMinimumSize(size());
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  QSize remembered;
  try {
    TIniFile settings(SettingsFile());
    remembered = QSize(SizeSetting(settings, "width"), SizeSetting(settings, "height"));
  } catch (const EIniFileError&) {
    return;  // the first size, then
  }
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen != nullptr) remembered = remembered.boundedTo(screen->availableGeometry().size());
  if (remembered.width() <= width() && remembered.height() <= height()) return;
  resize(remembered.expandedTo(size()));
  if (screen != nullptr) move(screen->availableGeometry().center() - rect().center());
}

// Kept only once the window was made larger than its first size, or was before.
void TMainForm::RememberSize() {
  const QSize now = isMaximized() || isFullScreen() ? normalGeometry().size() : size();
  if (FSettings == nullptr || !now.isValid()) return;
  try {
    const bool before = SizeSetting(*FSettings, "width") != 0;
    if (!before && now == minimumSize()) return;
    FSettings->WriteString("Main Window", "width", std::to_string(now.width()));
    FSettings->WriteString("Main Window", "height", std::to_string(now.height()));
  } catch (const EIniFileError&) {
    // The size is a convenience: a settings file that cannot be written keeps the last one.
  }
}

void TMainForm::closeEvent(QCloseEvent* event) {
  RememberSize();
  Timer1->stop();
  FDrives.CloseHandle();
  if (FDeviceFlag) {
    if (MediaPlayer1.Mode() == CdAudioMode::Playing) MediaPlayer1.Stop();
    MediaPlayer1.Close();
  }
  FSettings.reset();
  event->accept();
}

OutputFormat TMainForm::CurrentFormat() const {
  if (wavcheck->isChecked()) return OutputFormat::WAV;
  if (oggcheck->isChecked()) return OutputFormat::Ogg;
  if (flaccheck->isChecked()) return OutputFormat::FLAC;
  if (opuscheck->isChecked()) return OutputFormat::Opus;
  return OutputFormat::MP3;
}

RipInput TMainForm::RipJobInput() const {
  RipInput input;
  input.format = CurrentFormat();
  input.folder = spSkinEdit1->text().toStdString();
  input.handle = FDrives.Handle();
  input.toc = FDrives.Toc();
  input.drive = FDrives.CurrentDrive().id;
  input.door = FDrives.CurrentDrive();
  if (FMetadata) input.metadataSource = FMetadata->source;
  const std::vector<TocRow> discRows = FDrives.Toc().Rows();
  const int rows = ListView1->topLevelItemCount();
  const std::string firstNumber = rows > 0 ? ListView1->topLevelItem(0)->text(0).toStdString() : std::string();
  for (int k = 0; k < rows; ++k) {
    const QTreeWidgetItem* item = ListView1->topLevelItem(k);
    RipRow row;
    row.checked = item->checkState(0) == Qt::Checked;
    row.number = item->text(0).toStdString();
    row.name = item->text(1).toStdString();
    row.blocks = item->data(0, Qt::UserRole).toString().toUInt();
    row.start = k < static_cast<int>(discRows.size()) ? discRows[std::size_t(k)].start : 0;
    row.audio = k >= static_cast<int>(discRows.size()) || discRows[std::size_t(k)].audio;
    row.tags = TrackTagsOf(FMetadata, TrackOfRow(firstNumber, std::size_t(k)), row.name, item->text(0).toInt(),
                           FDrives.Toc().entries.empty() ? rows : FDrives.Toc().TrackCount());
    input.rows.push_back(row);
  }
  // Rows the user renamed alike must not rip into one file.
  std::vector<std::string> names;
  for (const RipRow& row : input.rows) names.push_back(row.name);
  MakeNamesUnique(names);
  for (std::size_t k = 0; k < names.size(); ++k) input.rows[k].name = names[k];
  return input;
}

void TMainForm::UncheckRow(std::size_t row) {
  if (QTreeWidgetItem* item = ListView1->topLevelItem(static_cast<int>(row))) item->setCheckState(0, Qt::Unchecked);
}

void TMainForm::Timer1Timer() {
  std::uint32_t position = MediaPlayer1.Position();
  int track = position & 0xFF;
  int minute = (position >> 8) & 0xFF;
  int second = (position >> 16) & 0xFF;
  if (ListView1->topLevelItemCount() == 0) {
    Timer1->stop();
    GetTrackList();
    Timer1->start();
  }
  if (MediaPlayer1.NumberOfTracks() >= 100 || !FStatusHeld.hasExpired()) return;
  if (MediaPlayer1.Mode() == CdAudioMode::Playing || second > 2)
    ShowStatus(QString::asprintf("  Track:%d  Playing Time:  %.2d:%.2d", track, minute, second));
  else
    ShowStatus(QString::asprintf("  There are %d tracks in the CD", ListView1->topLevelItemCount()));
}

// The line shows the message with the reason after it, the tool tip each on a line of its own; a long
// message scrolls through the line. A reason also goes to the log (standard error) once, not at every
// reading of the same faulty disc.
void TMainForm::ShowStatus(const QString& text, const QString& reason) {
  spSLMsgOut->ShowText(reason.isEmpty() ? text : text + " " + reason);
  spSLMsgOut->setToolTip(reason.isEmpty() ? text : text + "\n" + reason);
  if (reason.isEmpty() || reason == FLoggedReason) return;
  qWarning("%s", qUtf8Printable(reason));
  FLoggedReason = reason;
}

void TMainForm::spCDROMlistChange(int index) {
  if (index == FDrives.CurrentIndex()) return;
  FDrives.SetCurrentIndex(index);
  GetTrackList();
}

void TMainForm::SelectStartDrive(const std::string& source) {
  int index = ListedDriveIndex(source);
  if (index < 0) {
    ShowStatus(FromBytes("No drive or disc image " + source + " was found."));
    return;
  }
  spCDROMlist->setCurrentIndex(index);
  spCDROMlistChange(index);
}

void TMainForm::RefreshClick() { GetTrackList(); }

// The player follows the drive and the disc read here.
void TMainForm::GetTrackList() {
  if (FDeviceFlag) MediaPlayer1.SelectDrive(FDrives.CurrentDrive());
  ListView1->clear();
  FMetadata.reset();
  DiscReading reading = FDrives.ReadTableOfContents(CurrentFormat());
  if (!reading.message.empty()) ShowStatus(FromBytes(reading.message), FromBytes(reading.reason));
  NameFreshRows(reading.rows, CurrentFormat(), ReadNamingOptions(FSettings.get()));
  FMetadata = NameAfterCdText(FDrives.Text(), reading.rows, CurrentFormat(), ReadNamingOptions(FSettings.get()));
  FillTrackList(reading.rows);
  SelectFirstRow();
}

void TMainForm::SelectFirstRow() {
  if (ListView1->topLevelItemCount() > 0) {
    ListView1->setCurrentItem(ListView1->topLevelItem(0));
    ListView1->setFocus();
  }
}

void TMainForm::FillTrackList(const std::vector<TrackRow>& rows) {
  for (const TrackRow& row : rows) {
    auto* item = new QTreeWidgetItem(ListView1, {FromBytes(row.number), FromBytes(row.name), FromBytes(row.length),
                                                 FromBytes(row.size)});
    item->setCheckState(0, row.checked ? Qt::Checked : Qt::Unchecked);
    item->setData(0, Qt::UserRole, FromBytes(row.blocks));
    for (int column = 1; column < 4; ++column) item->setTextAlignment(column, Qt::AlignCenter);
  }
}

void TMainForm::spSkinCheckRadioBox1Click() {
  if (spSkinCheckRadioBox1->isChecked() && ListView1->topLevelItemCount() > 0)
    SelectAll1Click();
  else
    UnselectAll1Click();
}

void TMainForm::SelectAll1Click() {
  for (int row = 0; row < ListView1->topLevelItemCount(); ++row) {
    QTreeWidgetItem* item = ListView1->topLevelItem(row);
    item->setCheckState(0, Qt::Checked);
    item->setSelected(true);
  }
  ListView1->setFocus();
  if (ListView1->topLevelItemCount() > 0)
    ListView1->selectionModel()->setCurrentIndex(ListView1->model()->index(0, 0), QItemSelectionModel::NoUpdate);
}

// Reverses each row's check mark, selection and focus mark in turn. Only one row can hold the focus
// mark, so taking it row by row leaves it on the last row (or on none for a single focused row).
void TMainForm::UnselectAll1Click() {
  QItemSelectionModel* selection = ListView1->selectionModel();
  for (int row = 0; row < ListView1->topLevelItemCount(); ++row) {
    QTreeWidgetItem* item = ListView1->topLevelItem(row);
    item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    item->setSelected(!item->isSelected());
    QModelIndex index = ListView1->model()->index(row, 0);
    bool focused = selection->currentIndex().row() == row;
    selection->setCurrentIndex(focused ? QModelIndex() : index, QItemSelectionModel::NoUpdate);
  }
  ListView1->setFocus();
}

void TMainForm::FormatClick(OutputFormat format) {
  static const char* const kSuffix[] = {"mp3", "wav", "Ogg", "flac", "opus"};
  static const char* const kKey[] = {"mp3 folder", "wav folder", "Ogg folder", "flac folder", "opus folder"};
  static const char* const kFallback[] = {"MP3", "WAV", "Ogg", "FLAC", "Opus"};
  int choice = static_cast<int>(format);
  for (int row = 0; row < ListView1->topLevelItemCount(); ++row) {
    QTreeWidgetItem* item = ListView1->topLevelItem(row);
    QString name = item->text(1);
    bool four = name.endsWith(".flac", Qt::CaseInsensitive) || name.endsWith(".opus", Qt::CaseInsensitive);
    name.chop(four ? 4 : 3);  // the other extensions have three letters
    item->setText(1, name + kSuffix[choice]);
  }
  try {
    // FLAC and Opus files never land among the others because an older settings file lacks their key.
    bool rootWhenMissing = format != OutputFormat::FLAC && format != OutputFormat::Opus;
    spSkinEdit1->setText(FormatFolder(kKey[choice], kFallback[choice], rootWhenMissing));
  } catch (const EIniFileError& error) {
    ShowStandardError(this, QString::fromStdString(error.what()));
  }
}

void TMainForm::spSkinButtonFolderClick() {
  QString folder = SelectDirectory(this, spSkinEdit1->text());
  if (!folder.isEmpty()) spSkinEdit1->setText(folder);
}

QTreeWidgetItem* TMainForm::FirstSelectedRow() const {
  for (int row = 0; row < ListView1->topLevelItemCount(); ++row)
    if (ListView1->topLevelItem(row)->isSelected()) return ListView1->topLevelItem(row);
  return nullptr;
}

// The row double-clicked (or renamed with F2) is the current one, also inside a selection of several rows.
void TMainForm::ListView1DblClick() {
  QTreeWidgetItem* row = ListView1->currentItem();
  if (row == nullptr || !row->isSelected()) row = FirstSelectedRow();
  if (row == nullptr || FForms.Rename == nullptr) return;
  QString name;
  if (FForms.Rename->Execute(row->text(1), FromBytes(FormatExtension(CurrentFormat())), name)) row->setText(1, name);
}

void TMainForm::Rip1Click() {
  if (FDeviceFlag) {
    Timer1->stop();
    MediaPlayer1.Close();
  }
  bool anyChecked = false;
  for (int row = 0; row < ListView1->topLevelItemCount(); ++row)
    anyChecked = anyChecked || ListView1->topLevelItem(row)->checkState(0) == Qt::Checked;
  if (anyChecked && FForms.RipPropressForm != nullptr) FForms.RipPropressForm->exec();
  if (!anyChecked) {
    ShowStatus("No track is checked.");
    FStatusHeld.setRemainingTime(kHeldStatusTime);  // the timer's tick would replace it at once
  }
  if (FDeviceFlag) OpenPlayer();
}

// The box is checked exactly when every row is; an empty list leaves it as it is.
void TMainForm::ShowCheckAll() {
  int rows = ListView1->topLevelItemCount();
  if (rows == 0) return;
  bool all = true;
  for (int row = 0; row < rows && all; ++row) all = ListView1->topLevelItem(row)->checkState(0) == Qt::Checked;
  spSkinCheckRadioBox1->setChecked(all);
}

bool TMainForm::PlayerReady() { return FDeviceFlag && MediaPlayer1.Mode() != CdAudioMode::NotReady; }

// A row's track is the number its table entry holds, so a disc that does not start at track 1 plays the
// track the row shows.
void TMainForm::PlayRow(int row) {
  const std::vector<TocRow> rows = FDrives.Toc().Rows();
  int track = std::size_t(row) < rows.size() ? rows[std::size_t(row)].number : row + 1;
  if (track == 0) track = FDrives.Toc().firstTrack;  // the hidden audio plays with the track it leads into
  MediaPlayer1.Seek(std::uint32_t(track));
  MediaPlayer1.Play();
}

void TMainForm::Play1Click() {
  if (!PlayerReady()) return;
  QTreeWidgetItem* selected = FirstSelectedRow();
  PlayRow(selected != nullptr ? ListView1->indexOfTopLevelItem(selected) : 0);
}

void TMainForm::Pause1Click() {
  if (!PlayerReady()) return;
  if (MediaPlayer1.Mode() == CdAudioMode::Playing)
    MediaPlayer1.Pause();
  else if (MediaPlayer1.Mode() == CdAudioMode::Paused)
    MediaPlayer1.Resume();
}

void TMainForm::Resume1Click() {
  if (!PlayerReady()) return;
  if (!MediaPlayer1.Resume()) MediaPlayer1.Play();
}

void TMainForm::Stop1Click() {
  if (PlayerReady()) MediaPlayer1.Stop();
}

void TMainForm::Next1Click() { SkipTo(1); }

void TMainForm::Previous1Click() { SkipTo(-1); }

void TMainForm::SkipTo(int step) {
  if (!PlayerReady()) return;
  QTreeWidgetItem* selected = FirstSelectedRow();
  int rows = ListView1->topLevelItemCount();
  if (selected == nullptr || rows == 0) return;
  selected->setSelected(false);
  int row = (rows + ListView1->indexOfTopLevelItem(selected) + step) % rows;
  QTreeWidgetItem* next = ListView1->topLevelItem(row);
  next->setSelected(true);
  ListView1->selectionModel()->setCurrentIndex(ListView1->model()->index(row, 0), QItemSelectionModel::NoUpdate);
  PlayRow(row);
}

// Without a disc, or with the door open, the door is closed; otherwise the disc comes out.
void TMainForm::EjectCloseCDROM1Click() {
  if (!PlayerReady()) return;
  int tracks = MediaPlayer1.NumberOfTracks();
  if (tracks <= 0 || tracks >= 100)
    MediaPlayer1.SendString("set cdaudio door closed wait");
  else if (MediaPlayer1.CanEject())
    MediaPlayer1.Eject();
}

void TMainForm::Options1Click() {
  if (FForms.Options != nullptr) FForms.Options->exec();
}

void TMainForm::ID3Editor1Click() {
  if (FForms.Id3editormain != nullptr) FForms.Id3editormain->exec();
}

void TMainForm::WAVMixer1Click() {
  if (FForms.mixer != nullptr) FForms.mixer->exec();
}

void TMainForm::SoundRecorder1Click() {
  if (FForms.recorder != nullptr) FForms.recorder->exec();
}

void TMainForm::OggPlayer1Click() {
  if (FForms.oggplayer != nullptr) FForms.oggplayer->exec();
}

void TMainForm::WAVtoMP31Click() {
  if (FForms.wav2mp3 != nullptr) FForms.wav2mp3->exec();
}

void TMainForm::WAVtoOgg1Click() {
  if (FForms.wav2ogg != nullptr) FForms.wav2ogg->exec();
}

void TMainForm::OggtoWAV1Click() {
  if (FForms.ogg2wav != nullptr) FForms.ogg2wav->exec();
}

void TMainForm::OggtoMP31Click() {
  if (FForms.ogg2mp3 != nullptr) FForms.ogg2mp3->exec();
}

// As for a rip: the player must not read the drive under the detection.
void TMainForm::DetectReadOffset1Click() {
  if (FForms.ReadOffsetForm == nullptr) return;
  if (FDeviceFlag) {
    Timer1->stop();
    MediaPlayer1.Close();
  }
  FForms.ReadOffsetForm->exec();
  if (FDeviceFlag) OpenPlayer();
}

void TMainForm::BatchRip1Click() {
  if (FForms.BatchForm != nullptr) FForms.BatchForm->show();
}

ReadOffsetRequest TMainForm::ReadOffsetInput() {
  if (ListView1->topLevelItemCount() == 0) GetTrackList();
  ReadOffsetRequest request;
  request.handle = FDrives.Handle();
  request.toc = FDrives.Toc();
  request.drive = FDrives.CurrentDrive().id;
  return request;
}

// The timer rests while the dialog is up: its tick would replace the lookup's outcome in the status line
// before the user could read it.
void TMainForm::CDInformation1Click() {
  if (FForms.CdMsgForm == nullptr) return;
  bool timerRunning = Timer1->isActive();
  Timer1->stop();
  FForms.CdMsgForm->exec();
  if (timerRunning) Timer1->start();
}

std::optional<CdInformation> TMainForm::GetTrackList_cddb() {
  ListView1->clear();
  CddbLookupResult result;
  {
    LookupWait wait;
    result = LookUpDisc(
        FDrives, CurrentFormat(), ReadCddbServer(FSettings.get()),
        [this](const std::string& text) {
          ShowStatus(FromBytes(text));
          spSLMsgOut->repaint();  // shown before the first wait on the server
        },
        ReadNamingOptions(FSettings.get()), [&wait] { return wait.KeepWaiting(); });
  }
  FMetadata = result.metadata;
  if (!FMetadata)  // the disc's own CD-Text, when the server does not know the disc
    FMetadata = NameAfterCdText(FDrives.Text(), result.rows, CurrentFormat(), ReadNamingOptions(FSettings.get()));
  if (result.information && FForms.CdMsgForm != nullptr) FForms.CdMsgForm->ShowAlbum(result.metadata);
  FillTrackList(result.rows);
  if (result.outcome == CddbOutcome::NoEntry)
    CurrentMessageBoxes().Show(this, QApplication::applicationDisplayName(), FromBytes(result.message),
                               MessageBoxes::Icon::Plain);
  SelectFirstRow();
  return result.information;
}

void TMainForm::MusicBrainz1Click() {
  bool timerRunning = Timer1->isActive();
  Timer1->stop();
  GetTrackList();
  if (ListView1->topLevelItemCount() > 0) {
    ShowStatus("Connecting with MusicBrainz......");
    spSLMsgOut->repaint();
    MusicBrainzResult result;
    {
      LookupWait wait;
      result = LookUpMusicBrainz(FDrives.Toc(), ReadMusicBrainzServer(FSettings.get()),
                                 [&wait] { return wait.KeepWaiting(); });
    }
    int chosen = result.releases.size() == 1 ? 0 : result.releases.empty() ? -1 : ChooseRelease(result.releases);
    if (result.outcome == MusicBrainzOutcome::Abandoned) {
      ShowStatus(FromBytes(result.message));
      FStatusHeld.setRemainingTime(kHeldStatusTime);
    } else if (result.outcome != MusicBrainzOutcome::Found)
      CurrentMessageBoxes().Show(this, QApplication::applicationDisplayName(), FromBytes(result.message),
                                 MessageBoxes::Icon::Plain);
    if (chosen >= 0) ShowAlbum(result.releases[static_cast<std::size_t>(chosen)].metadata);
  }
  if (timerRunning) Timer1->start();
}

void TMainForm::ShowAlbum(const DiscMetadata& metadata) {
  NameAfter(metadata);
  if (FForms.CdMsgForm == nullptr) return;
  FForms.CdMsgForm->ShowAlbum(metadata);
  FForms.CdMsgForm->ShowWithoutLookup();
}

void TMainForm::NameAfter(const DiscMetadata& metadata) {
  std::vector<TrackRow> rows;
  for (int k = 0; k < ListView1->topLevelItemCount(); ++k) {
    TrackRow row;
    row.number = ListView1->topLevelItem(k)->text(0).toStdString();
    row.name = ListView1->topLevelItem(k)->text(1).toStdString();
    rows.push_back(row);
  }
  std::vector<std::string> names = LookedUpNames(metadata, rows, CurrentFormat(), ReadNamingOptions(FSettings.get()));
  for (int k = 0; k < ListView1->topLevelItemCount(); ++k)
    ListView1->topLevelItem(k)->setText(1, FromBytes(names[static_cast<std::size_t>(k)]));
  FMetadata = metadata;
}
