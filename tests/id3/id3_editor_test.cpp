#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "id3/Tid3editormain.h"
#include "tests/app/TestSeams.h"
#include "tests/data/TestDiscs.h"
#include "tests/id3/TagFiles.h"

using namespace tagfiles;

class Id3EditorTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<testdata::TempFolder> FFolder;
  std::unique_ptr<RecordingMessageBoxes> FBoxes;
  std::unique_ptr<Tid3editormain> FEditor;

  // The folder as the editor names it: with links resolved.
  QString Root() const { return QString::fromStdString(std::filesystem::canonical(FFolder->Path()).string()); }
  QString Path(const QString& name) const { return Root() + "/" + name; }
  std::string File(const char* name) const { return FFolder->File(name); }

  void Select(const QString& name) {
    const QList<QListWidgetItem*> items = FEditor->FileList->findItems(name, Qt::MatchExactly);
    QVERIFY(!items.isEmpty());
    FEditor->FileList->setCurrentItem(items.first());
  }

  QStringList ListedFiles() const {
    QStringList names;
    for (int row = 0; row < FEditor->FileList->count(); ++row) names << FEditor->FileList->item(row)->text();
    return names;
  }

  QStringList Fields() const {
    QStringList texts;
    for (QLineEdit* field : {FEditor->TagExistsValue, FEditor->VersionValue, FEditor->SizeValue, FEditor->TitleEdit,
                             FEditor->ArtistEdit, FEditor->AlbumEdit, FEditor->TrackEdit, FEditor->YearEdit,
                             FEditor->GenreEdit, FEditor->CommentEdit})
      texts << field->text();
    return texts;
  }

  static std::string Version4Tag() { return Tag(4, TextFrame("TIT2", "v4 title") + std::string(20, '\0')); }

  static QStringList NoFields() { return QStringList(10, QString()); }

  QString LastMessage() const { return FBoxes->shown.empty() ? QString() : FBoxes->shown.back().text; }

 private slots:
  void init() {
    FFolder = std::make_unique<testdata::TempFolder>();
    WriteBytes(File("plain.mp3"), Audio());
    WriteBytes(File("four.MP3"), Version4Tag() + Audio());
    WriteBytes(File("notes.txt"), "not audio");
    std::filesystem::create_directory(FFolder->Path() / "sub");
    WriteBytes(File("sub/inner.mp3"), Audio());
    FBoxes = std::make_unique<RecordingMessageBoxes>();
    FEditor = std::make_unique<Tid3editormain>(nullptr);
    FEditor->show();
    FEditor->OpenFolder(Root());
  }

  void cleanup() {
    FEditor.reset();
    FBoxes.reset();
    FFolder.reset();
  }

  void fileWithoutTagShowsNoAndSavingPutsATagInFront() {
    Select("plain.mp3");
    QStringList expected = NoFields();
    expected[0] = "No";
    QCOMPARE(Fields(), expected);

    FEditor->TitleEdit->setText(QString::fromUtf8("  Caf\xC3\xA9 \xE2\x82\xAC  "));  // the euro sign is not Latin-1
    FEditor->TrackEdit->setText("300");
    FEditor->CommentEdit->setText("c");
    QTest::keyClick(FEditor->CommentEdit, Qt::Key_Return);  // Save is the default button

    QVERIFY(FBoxes->shown.empty());
    std::string frames =
        TextFrame("TIT2", "  Caf\xE9 ?") + TextFrame("TRCK", "44") + Frame("COMM", std::string("\0eng\0c", 6));
    QCOMPARE(ReadBytes(File("plain.mp3")), Tag(3, frames) + Audio());
    QCOMPARE(Fields(), QStringList({"Yes", "2.3", QString::number(10 + frames.size()) + " bytes",
                                    QString::fromUtf8("Caf\xC3\xA9 ?"), "", "", "44", "", "", "c"}));
  }

  void trackFieldsThatAreNoNumberAbove0To255SaveNoTrackFrame() {
    Select("plain.mp3");
    for (const char* text : {"256", "3a", "0", "-3", "3 "}) {
      FEditor->TitleEdit->setText("t");
      FEditor->TrackEdit->setText(text);
      FEditor->SaveButtonClick();
      QCOMPARE(ReadBytes(File("plain.mp3")), Tag(3, TextFrame("TIT2", "t")) + Audio());
      QCOMPARE(FEditor->TrackEdit->text(), QString());
    }
  }

  void version4TagIsShownAndRewrittenAsVersion4() {
    Select("four.MP3");
    QStringList expected = NoFields();
    expected[0] = "Yes";
    expected[1] = "2.4";
    expected[2] = QString("%1 bytes").arg(Version4Tag().size());
    expected[3] = "v4 title";
    QCOMPARE(Fields(), expected);
    FEditor->AlbumEdit->setText("New");
    FEditor->SaveButtonClick();
    QCOMPARE(ReadBytes(File("four.MP3")), Tag(4, TextFrame("TIT2", "v4 title") + TextFrame("TALB", "New")) + Audio());
    QCOMPARE(FEditor->VersionValue->text(), QString("2.4"));
  }

  // Frames the editor does not show stay (a picture, said below the fields, byte for byte), and so do the items left alone, whatever Latin-1 would lose of them.
  void saveKeepsWhatTheFieldsDoNotShowAndTheItemsLeftAlone() {
    const std::string title = Frame("TIT2", std::string("\x01\xFF\xFE\x71\x67\x2C\x67", 7));  // UTF-16
    const std::string others = TextFrame("TPE2", "Band") +
                               Frame("TXXX", std::string("\0MusicBrainz Album Id\0x1", 24)) +
                               Frame("APIC", std::string("\0image/png\0\x03\0", 13) + "PNGDATA");
    const std::string track = TextFrame("TRCK", "3/12");
    WriteBytes(File("rip.mp3"), Tag(3, title + track + TextFrame("TYER", "1998") + others) + Audio());
    FEditor->OpenFolder(Root());
    Select("rip.mp3");
    QCOMPARE(FEditor->TitleEdit->text(), QString("??"));
    QCOMPARE(FEditor->TrackEdit->text(), QString("3"));
    QCOMPARE(FEditor->PictureLabel->text(), QString("Picture: front cover, image/png, 1 KiB"));
    FEditor->YearEdit->setText("1999");
    FEditor->SaveButtonClick();
    QVERIFY(FBoxes->shown.empty());
    QCOMPARE(ReadBytes(File("rip.mp3")),
             Tag(3, title + track + TextFrame("TYER", "1999") + others) + Audio());
  }

  void saveWithoutAFileShowsTheMessageWithNothingAfterIt() {
    FEditor->TitleEdit->setText("t");
    FEditor->SaveButtonClick();
    QCOMPARE(FBoxes->shown.size(), std::size_t{1});
    QCOMPARE(FBoxes->shown[0].caption, QApplication::applicationDisplayName());
    QCOMPARE(FBoxes->shown[0].text, QString("Can not save tag to the file: "));
    QCOMPARE(FBoxes->shown[0].icon, MessageBoxes::Icon::Plain);
    QCOMPARE(Fields(), NoFields());
  }

  void removeTakesTheTagAwayOrReportsWhyNot() {
    Select("plain.mp3");
    FEditor->RemoveButtonClick();
    QCOMPARE(LastMessage(), "Can not remove tag from the file: " + Path("plain.mp3"));
    QCOMPARE(Fields(), NoFields());

    Select("four.MP3");
    FEditor->RemoveButtonClick();
    QCOMPARE(FBoxes->shown.size(), std::size_t{1});
    QCOMPARE(ReadBytes(File("four.MP3")), Audio());
    QCOMPARE(Fields(), NoFields());  // not read again, so not "No" either
  }

  void aLockedFileIsNotSavedAndShowsWhatItStillHolds() {
    std::string original = Tag(3, TextFrame("TIT2", "old")) + Audio();
    WriteBytes(File("plain.mp3"), original);
    Select("plain.mp3");
    ForeignLock lock(File("plain.mp3"));
    QVERIFY(lock.Holding());
    FEditor->TitleEdit->setText("new");
    FEditor->SaveButtonClick();
    QCOMPARE(LastMessage(), "Can not save tag to the file: " + Path("plain.mp3"));
    QCOMPARE(ReadBytes(File("plain.mp3")), original);
    QCOMPARE(FEditor->TitleEdit->text(), QString("old"));
  }

  void vanishedAndUnreadableFilesAreReported() {
    std::filesystem::remove(File("plain.mp3"));
    Select("plain.mp3");
    QCOMPARE(LastMessage(), "The file does not exist: " + Path("plain.mp3"));
    QCOMPARE(Fields(), NoFields());

    WriteBytes(File("short.mp3"), "ID3");
    FEditor->OpenFolder(FEditor->Directory());
    Select("short.mp3");
    QCOMPARE(LastMessage(), "Can not read tag from the file: " + Path("short.mp3"));
    QCOMPARE(Fields(), NoFields());
  }

  void browsersShowTheFolderPathSubfoldersAndMp3Files() {
    // In a chroot the mount table may not hold the folder's file system: the editor then shows "/".
    QString drive = QStorageInfo(Root()).rootPath();
    QCOMPARE(FEditor->DriveList->currentText(), drive.isEmpty() ? QDir::rootPath() : drive);
    QCOMPARE(ListedFiles(), QStringList({"four.MP3", "plain.mp3"}));
    Select("four.MP3");
    QCOMPARE(FEditor->TagExistsValue->text(), QString("Yes"));

    QTreeWidgetItem* open = FEditor->FolderList->currentItem();
    QCOMPARE(open->data(0, Qt::UserRole).toString(), Root());
    QCOMPARE(open->childCount(), 1);
    FEditor->FolderListDblClick(open->child(0));
    QCOMPARE(FEditor->Directory(), Path("sub"));
    QCOMPARE(ListedFiles(), QStringList({"inner.mp3"}));
    QCOMPARE(Fields(), NoFields());

    FEditor->FolderListDblClick(FEditor->FolderList->currentItem()->parent());
    QCOMPARE(FEditor->Directory(), Root());
    QVERIFY(FEditor->FileList->selectedItems().isEmpty());
  }

  void eachShowingStartsWithEmptyFieldsKeepsTheSelectionAndSeesNewFolders() {
    Select("four.MP3");
    FEditor->CloseButton->click();
    QVERIFY(!FEditor->isVisible());
    QVERIFY(QDir(Root()).mkdir("made later"));
    FEditor->show();
    QCOMPARE(FEditor->FolderList->currentItem()->childCount(), 2);
    QCOMPARE(Fields(), NoFields());
    QCOMPARE(FEditor->SelectedPath(), Path("four.MP3"));
    FEditor->SaveButtonClick();  // still saves to the selected file
    QCOMPARE(ReadBytes(File("four.MP3")), Tag(3, "") + Audio());
  }
};

QTEST_MAIN(Id3EditorTest)
#include "id3_editor_test.moc"
