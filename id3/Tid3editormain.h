#pragma once
// The ID3 editor: browse to an MP3 file, see whether it has an ID3v2 tag, edit its seven items, save them
// back or remove the tag.

#include <QDialog>
#include <memory>

#include "id3/ID3v2.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class Tid3editormain : public QDialog {
  Q_OBJECT

 public:
  explicit Tid3editormain(QWidget* parent);
  ~Tid3editormain() override;

  QComboBox* DriveList = nullptr;
  QTreeWidget* FolderList = nullptr;
  QListWidget* FileList = nullptr;
  QLineEdit* TagExistsValue = nullptr;
  QLineEdit* VersionValue = nullptr;
  QLineEdit* SizeValue = nullptr;
  QLineEdit* TitleEdit = nullptr;
  QLineEdit* ArtistEdit = nullptr;
  QLineEdit* AlbumEdit = nullptr;
  QLineEdit* TrackEdit = nullptr;
  QLineEdit* YearEdit = nullptr;
  QLineEdit* GenreEdit = nullptr;
  QLineEdit* CommentEdit = nullptr;
  QLabel* PictureLabel = nullptr;  // the tag's picture, which a save keeps
  QPushButton* SaveButton = nullptr;
  QPushButton* RemoveButton = nullptr;
  QPushButton* CloseButton = nullptr;

  // The folder whose MP3 files the file list shows.
  QString Directory() const { return FDirectory; }
  // Opens a folder as a double click in the folder tree does.
  void OpenFolder(const QString& folder);
  // The selected file's full path; empty when no file is selected.
  QString SelectedPath() const;

  void FormActivate();
  void ClearFields();
  void DriveListChange(int index);
  void FolderListDblClick(QTreeWidgetItem* item);
  void FileListChange();
  void SaveButtonClick();
  void RemoveButtonClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  void BuildBrowsers();
  void BuildFields();
  void BuildButtons();
  QLineEdit* AddValueField(QWidget* panel, const QString& caption, int left, int labelWidth, int width);
  QLineEdit* AddEditField(QWidget* panel, const QString& caption, int left, int top, int labelWidth, int width);
  void FillDriveList();
  void FillFolderList();
  void FillFileList();
  void ShowTag();
  void ShowMessage(const QString& text);
  TID3v2& Tag();

  QString FDirectory;
  std::unique_ptr<TID3v2> FID3v2;
};
