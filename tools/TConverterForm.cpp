#include "tools/TConverterForm.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <exception>

#include "acs/OutputCheck.h"
#include "platform/files/FileChecks.h"
#include "platform/qtseams/FileDialogs.h"
#include "platform/qtseams/MessageBoxes.h"
#include "platform/qtseams/Shell.h"

namespace {

constexpr int kMargin = 6;
constexpr int kPageHeight = 62;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kPictureSize = 25;
constexpr int kBarHeight = 16;

std::string FileName(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

TConverterForm::TConverterForm(QWidget* parent, const ConverterLook& look) : QDialog(parent), FLook(look) {
  setWindowTitle(look.caption);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);
  setFixedSize(look.clientSize);
  InputPage = AddFilePage(look.inputPage, kMargin, "&Input", InputButton, edit1, InputFileButton, InputFolderButton);
  OutputPage = AddFilePage(look.outputPage, kMargin + kPageHeight + 2, "&Output", OutputButton, edit2,
                           OutputFileButton, OutputFolderButton);
  progressbar1 = new QProgressBar(this);
  progressbar1->setGeometry(kMargin + 2, 2 * kPageHeight + 12, width() - 2 * kMargin - 4, kBarHeight);
  progressbar1->setRange(0, 100);
  progressbar1->setValue(0);
  progressbar1->setTextVisible(true);
  progressbar1->setStyleSheet(
      "QProgressBar { border: 1px solid gray; background: white; text-align: center; }"
      "QProgressBar::chunk { background-color: red; }");
  AddButtons();
  connect(InputButton, &QPushButton::clicked, this, &TConverterForm::InputButtonClick);
  connect(OutputButton, &QPushButton::clicked, this, &TConverterForm::OutputButtonClick);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

QTabWidget* TConverterForm::AddFilePage(const QString& caption, int top, const QString& buttonCaption,
                                        QPushButton*& button, QLineEdit*& field, QToolButton*& fileButton,
                                        QToolButton*& folderButton) {
  auto* tabs = new QTabWidget(this);
  tabs->setGeometry(kMargin, top, width() - 2 * kMargin, kPageHeight);
  auto* page = new QWidget(tabs);
  tabs->addTab(page, caption);
  int pageWidth = tabs->width() - 4;
  button = new QPushButton(buttonCaption, page);
  button->setGeometry(6, 6, 64, kButtonHeight);
  field = new QLineEdit(page);
  field->setGeometry(76, 7, pageWidth - 76 - 2 * kPictureSize - 12, 23);
  fileButton = AddPictureButton(page, pageWidth - 2 * kPictureSize - 6, "Open the file", QStyle::SP_FileIcon);
  folderButton = AddPictureButton(page, pageWidth - kPictureSize - 4, "Open the folder", QStyle::SP_DirOpenIcon);
  const QLineEdit* path = field;
  connect(fileButton, &QToolButton::clicked, this, [this, path] { OpenFileClick(path); });
  connect(folderButton, &QToolButton::clicked, this, [this, path] { OpenFolderClick(path); });
  return tabs;
}

QToolButton* TConverterForm::AddPictureButton(QWidget* page, int left, const QString& hint, int standardIcon) {
  auto* button = new QToolButton(page);
  button->setGeometry(left, 6, kPictureSize, kPictureSize);
  button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(standardIcon)));
  button->setToolTip(hint);
  return button;
}

void TConverterForm::AddButtons() {
  int top = height() - kButtonHeight - 5;
  int left = width() - 3 * (kButtonWidth + kMargin);
  ConvertButton = new QPushButton("&Convert", this);
  CancelButton = new QPushButton("C&ancel", this);
  CloseButton = new QPushButton("C&lose", this);
  for (QPushButton* button : {ConvertButton, CancelButton, CloseButton}) {
    button->setGeometry(left, top, kButtonWidth, kButtonHeight);
    left += kButtonWidth + kMargin;
  }
  ConvertButton->setDefault(true);
  connect(ConvertButton, &QPushButton::clicked, this, &TConverterForm::ConvertButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &TConverterForm::CancelButtonClick);
  connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
}

void TConverterForm::WireSink(TACSOutput& sink) {
  sink.SetOnProgress([this](TACSOutput* sender) {
    int progress = sender->Progress();
    QMetaObject::invokeMethod(this, [this, progress] { ProgressReport(progress); }, Qt::QueuedConnection);
  });
  sink.SetOnDone([this](TACSOutput* sender) {
    QString runError = QString::fromStdString(sender->RunError());
    QMetaObject::invokeMethod(this, [this, runError] { DoneReport(runError); }, Qt::QueuedConnection);
  });
}

void TConverterForm::InputButtonClick() {
  QString chosen = CurrentFileDialogs().OpenFile(this, FLook.inputFilter);
  if (!chosen.isEmpty()) edit1->setText(chosen);
}

void TConverterForm::OutputButtonClick() {
  QString chosen = CurrentFileDialogs().SaveFile(this, FLook.outputFilter);
  if (chosen.isEmpty()) return;
  if (!QFileInfo(chosen).fileName().contains('.')) chosen += "." + FLook.outputExtension;
  edit2->setText(chosen);
}

void TConverterForm::OpenFileClick(const QLineEdit* field) {
  if (!field->text().isEmpty()) OpenDocument(QUrl::fromLocalFile(field->text()));
}

// The folder is everything up to and including the last "/"; a bare file name has none.
void TConverterForm::OpenFolderClick(const QLineEdit* field) {
  QString folder = field->text().left(field->text().lastIndexOf('/') + 1);
  if (!folder.isEmpty()) OpenDocument(QUrl::fromLocalFile(folder));
}

void TConverterForm::ConvertButtonClick() {
  if (edit1->text().isEmpty() || edit2->text().isEmpty()) return;
  // A running conversion keeps its names and settings, which its worker reads; Run refuses the start.
  if (!Sink().Busy() && !TakeFileNames()) return;
  try {
    StartSink();
  } catch (const std::exception& error) {
    ShowStandardError(this, QString::fromStdString(error.what()));
  }
}

// False, after a warning, when the output would overwrite the input or is a folder.
bool TConverterForm::TakeFileNames() {
  std::string input = FileName(edit1->text());
  std::string output = FileName(edit2->text());
  std::string warning = OutputPathWarning({input}, output);
  if (!warning.empty()) {
    CurrentMessageBoxes().Show(this, QString(), QString::fromStdString(warning), MessageBoxes::Icon::Warning);
    return false;
  }
  // A folder typed by hand that does not exist yet is made, parents and all.
  MakeFolderOf(output);
  Source().SetFileName(input);
  SetOutputFileName(output);
  ApplySettings();
  return true;
}

// A sink that fails to start after it opened its source leaves the source open, and the source would
// then refuse every later start as busy: it is closed again here.
void TConverterForm::StartSink() {
  try {
    if (!Sink().Busy()) {
      Source().GetChannels();  // opens the file once: a missing one throws here
      if (!Source().Valid()) throw EACSException(InvalidInputText(Source(), FLook.inputKind));
    }
    Sink().Run();
  } catch (...) {
    if (!Sink().Busy() && Source().Busy()) Source().Flush();
    throw;
  }
}

void TConverterForm::CancelButtonClick() { Sink().Stop(); }

void TConverterForm::ProgressReport(int progress) {
  ConvertButton->setEnabled(false);
  CloseButton->setEnabled(false);
  progressbar1->setValue(std::clamp(progress, 0, 100));
}

// A run that failed (a full disk, an input that cannot be read) must not look finished.
void TConverterForm::DoneReport(const QString& runError) {
  ConvertButton->setEnabled(true);
  CloseButton->setEnabled(true);
  if (!runError.isEmpty()) ShowStandardError(this, runError);
}
