#include "id3/Tid3editormain.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStorageInfo>
#include <QStyle>
#include <QTreeWidget>
#include <exception>
#include <filesystem>

#include "id3/TagFields.h"
#include "platform/qtseams/MessageBoxes.h"

namespace {

constexpr int kClientWidth = 457;
constexpr int kClientHeight = 373;
constexpr int kFieldLength = 250;
constexpr int kRowHeight = 22;

std::string FileName(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool FileExists(const QString& path) {
  std::error_code ignored;
  return !path.isEmpty() && std::filesystem::exists(FileName(path), ignored);
}

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

Tid3editormain::Tid3editormain(QWidget* parent) : QDialog(parent) {
  setWindowTitle("ID3 Editor");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  BuildBrowsers();
  BuildFields();
  BuildButtons();
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  FillDriveList();
  OpenFolder(QDir::currentPath());
}

Tid3editormain::~Tid3editormain() = default;

void Tid3editormain::BuildBrowsers() {
  DriveList = new QComboBox(this);
  DriveList->setGeometry(8, 8, 214, 24);
  connect(DriveList, &QComboBox::activated, this, &Tid3editormain::DriveListChange);

  FolderList = new QTreeWidget(this);
  FolderList->setGeometry(8, 36, 214, 116);
  FolderList->setHeaderHidden(true);
  FolderList->setIndentation(12);
  connect(FolderList, &QTreeWidget::itemActivated, this, &Tid3editormain::FolderListDblClick);
  // The tree shows where the folder is; opening happens by double click only, not by expanding.
  FolderList->setItemsExpandable(false);
  FolderList->setRootIsDecorated(false);
  FolderList->setStyleSheet("QTreeView::branch { image: none; }");

  FileList = new QListWidget(this);
  FileList->setGeometry(230, 8, 219, 144);
  FileList->setSelectionMode(QAbstractItemView::SingleSelection);
  connect(FileList, &QListWidget::itemSelectionChanged, this, &Tid3editormain::FileListChange);
}

QLineEdit* Tid3editormain::AddValueField(QWidget* panel, const QString& caption, int left, int labelWidth,
                                         int width) {
  auto* label = new QLabel(caption, panel);
  label->setGeometry(left, 10, labelWidth, kRowHeight);
  auto* value = new QLineEdit(panel);
  value->setGeometry(left + labelWidth, 10, width, kRowHeight);
  value->setReadOnly(true);
  value->setFocusPolicy(Qt::ClickFocus);  // out of the tab order, still selectable for copying
  return value;
}

QLineEdit* Tid3editormain::AddEditField(QWidget* panel, const QString& caption, int left, int top, int labelWidth,
                                        int width) {
  auto* label = new QLabel(caption, panel);
  label->setGeometry(left, top, labelWidth, kRowHeight);
  auto* edit = new QLineEdit(panel);
  edit->setGeometry(left + labelWidth, top, width, kRowHeight);
  edit->setMaxLength(kFieldLength);
  label->setBuddy(edit);
  return edit;
}

void Tid3editormain::BuildFields() {
  auto* panel = new QFrame(this);
  panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  panel->setGeometry(8, 158, 441, 176);
  TagExistsValue = AddValueField(panel, "Tag exists:", 8, 68, 44);
  VersionValue = AddValueField(panel, "Version:", 136, 54, 44);
  SizeValue = AddValueField(panel, "Size:", 252, 36, 145);
  TitleEdit = AddEditField(panel, "&Title:", 8, 42, 68, 357);
  ArtistEdit = AddEditField(panel, "&Artist:", 8, 68, 68, 357);
  AlbumEdit = AddEditField(panel, "A&lbum:", 8, 94, 68, 357);
  TrackEdit = AddEditField(panel, "Trac&k:", 8, 120, 68, 44);
  YearEdit = AddEditField(panel, "&Year:", 136, 120, 54, 60);
  GenreEdit = AddEditField(panel, "&Genre:", 262, 120, 46, 125);
  CommentEdit = AddEditField(panel, "&Comment:", 8, 146, 68, 357);
  PictureLabel = new QLabel(this);
  PictureLabel->setGeometry(8, 336, 198, 33);
  PictureLabel->setWordWrap(true);
}

void Tid3editormain::BuildButtons() {
  SaveButton = new QPushButton("&Save", this);
  SaveButton->setGeometry(212, 340, 75, 25);
  SaveButton->setDefault(true);
  connect(SaveButton, &QPushButton::clicked, this, &Tid3editormain::SaveButtonClick);
  RemoveButton = new QPushButton("&Remove", this);
  RemoveButton->setGeometry(293, 340, 75, 25);
  connect(RemoveButton, &QPushButton::clicked, this, &Tid3editormain::RemoveButtonClick);
  CloseButton = new QPushButton("Cl&ose", this);
  CloseButton->setGeometry(374, 340, 75, 25);
  connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
}

// The mounted file systems stand in for drives.
void Tid3editormain::FillDriveList() {
  QStringList roots;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
    if (volume.isValid() && volume.isReady() && QFileInfo(volume.rootPath()).isDir()) roots << volume.rootPath();
  roots.sort();
  roots.removeDuplicates();
  DriveList->clear();
  DriveList->addItems(roots);
}

void Tid3editormain::OpenFolder(const QString& folder) {
  // The canonical path keeps the folder under the drive root that the file system reports for it.
  const QString canonical = QFileInfo(folder).canonicalFilePath();
  FDirectory = canonical.isEmpty() ? QDir::cleanPath(QDir(folder).absolutePath()) : canonical;
  QString root = QStorageInfo(FDirectory).rootPath();
  if (root.isEmpty()) root = QDir::rootPath();
  if (DriveList->findText(root) < 0) DriveList->addItem(root);
  DriveList->setCurrentIndex(DriveList->findText(root));
  FillFolderList();
  FillFileList();
  // The re-read list has no file selected, which empties the fields.
  FileListChange();
}

// The path from the drive's root down to the open folder, then the open folder's subfolders.
void Tid3editormain::FillFolderList() {
  FolderList->clear();
  const QString root = DriveList->currentText();
  auto addItem = [this](QTreeWidgetItem* parent, const QString& text, const QString& path, bool open) {
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent, {text}) : new QTreeWidgetItem(FolderList, {text});
    item->setData(0, Qt::UserRole, path);
    item->setIcon(0, style()->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon));
    return item;
  };
  QTreeWidgetItem* current = addItem(nullptr, root, root, true);
  QString path = root;
  const QString below = QDir(root).relativeFilePath(FDirectory);
  if (below != ".") {
    for (const QString& name : below.split('/', Qt::SkipEmptyParts)) {
      path = QDir(path).filePath(name);
      current = addItem(current, name, path, true);
    }
  }
  const QStringList subfolders =
      QDir(FDirectory).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const QString& name : subfolders) addItem(current, name, QDir(FDirectory).filePath(name), false);
  FolderList->expandAll();
  FolderList->setCurrentItem(current);
  FolderList->scrollToItem(current);
}

void Tid3editormain::FillFileList() {
  QSignalBlocker quiet(FileList);
  FileList->clear();
  FileList->addItems(QDir(FDirectory).entryList({"*.mp3"}, QDir::Files, QDir::Name | QDir::IgnoreCase));
}

QString Tid3editormain::SelectedPath() const {
  const QList<QListWidgetItem*> selected = FileList->selectedItems();
  return selected.isEmpty() ? QString() : QDir(FDirectory).filePath(selected.first()->text());
}

// The tree is read again at each showing, so folders made since then appear.
void Tid3editormain::showEvent(QShowEvent* event) {
  FillFolderList();
  FormActivate();
  QDialog::showEvent(event);
}

// Activation: a fresh tag object and empty fields, on every showing and after every message box.
void Tid3editormain::FormActivate() {
  FID3v2 = std::make_unique<TID3v2>();
  ClearFields();
}

void Tid3editormain::done(int result) {
  FID3v2.reset();
  QDialog::done(result);
}

TID3v2& Tid3editormain::Tag() {
  if (!FID3v2) FID3v2 = std::make_unique<TID3v2>();
  return *FID3v2;
}

void Tid3editormain::ClearFields() {
  for (QLineEdit* field : {TagExistsValue, VersionValue, SizeValue, TitleEdit, ArtistEdit, AlbumEdit, TrackEdit,
                           YearEdit, GenreEdit, CommentEdit})
    field->clear();
  PictureLabel->clear();
}

void Tid3editormain::ShowMessage(const QString& text) {
  CurrentMessageBoxes().Show(this, QApplication::applicationDisplayName(), text, MessageBoxes::Icon::Plain);
  // Focus comes back to this window when the box is dismissed, which activates it again.
  FormActivate();
}

void Tid3editormain::DriveListChange(int index) { OpenFolder(DriveList->itemText(index)); }

void Tid3editormain::FolderListDblClick(QTreeWidgetItem* item) { OpenFolder(item->data(0, Qt::UserRole).toString()); }

void Tid3editormain::FileListChange() {
  try {
    ShowTag();
  } catch (const std::exception&) {
    close();
  }
}

void Tid3editormain::ShowTag() {
  ClearFields();
  const QString path = SelectedPath();
  if (path.isEmpty()) return;
  if (!FileExists(path)) {
    ShowMessage("The file does not exist: " + path);
    return;
  }
  if (!Tag().ReadTag(FileName(path))) {
    ShowMessage("Can not read tag from the file: " + path);
    return;
  }
  const TagDisplay display = DisplayTag(Tag());
  TagExistsValue->setText(FromUtf8(display.TagExists));
  VersionValue->setText(FromUtf8(display.Version));
  SizeValue->setText(FromUtf8(display.Size));
  TitleEdit->setText(FromUtf8(display.Fields.Title));
  ArtistEdit->setText(FromUtf8(display.Fields.Artist));
  AlbumEdit->setText(FromUtf8(display.Fields.Album));
  TrackEdit->setText(FromUtf8(display.Fields.Track));
  YearEdit->setText(FromUtf8(display.Fields.Year));
  GenreEdit->setText(FromUtf8(display.Fields.Genre));
  CommentEdit->setText(FromUtf8(display.Fields.Comment));
  PictureLabel->setText(FromUtf8(display.Picture));
}

void Tid3editormain::SaveButtonClick() {
  const TagFieldTexts fields{TitleEdit->text().toStdString(), ArtistEdit->text().toStdString(),
                             AlbumEdit->text().toStdString(), TrackEdit->text().toStdString(),
                             YearEdit->text().toStdString(),  GenreEdit->text().toStdString(),
                             CommentEdit->text().toStdString()};
  StoreFields(fields, Tag());
  const QString path = SelectedPath();
  if (IsOtherAudioFile(FileName(path)))
    ShowMessage("The file is not an MP3 file: " + path);
  else if (!FileExists(path) || !Tag().WriteTag(FileName(path)))
    ShowMessage("Can not save tag to the file: " + path);
  FileListChange();
}

// A removed tag is not read again, so "Tag exists:" stays empty rather than showing "No".
void Tid3editormain::RemoveButtonClick() {
  const QString path = SelectedPath();
  if (FileExists(path) && Tag().RemoveTag(FileName(path)))
    ClearFields();
  else
    ShowMessage("Can not remove tag from the file: " + path);
}
