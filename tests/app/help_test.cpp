#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "acs/VorbisBinding.h"
#include "app/Forms.h"
#include "app/TAboutForm.h"
#include "app/TMainForm.h"
#include "platform/ProgramFolder.h"
#include "tests/app/TestSeams.h"
#include "tests/data/TestDiscs.h"

namespace {

void Trigger(TMainForm& form, const QString& text) {
  for (QAction* menu : form.menuBar()->actions())
    for (QAction* entry : menu->menu()->actions())
      if (QString(entry->text()).remove('&') == text) entry->trigger();
}

}  // namespace

class HelpTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { BindVorbisLibraries(); }

  void helpEntriesOpenTheirTargetsThroughTheShell() {
    testdata::TempFolder folder;
    OverrideProgramFolder(folder.Path().string());
    SetPhysicalDrivesEnabled(false);
    SetCDImageFiles({});
    RecordingMessageBoxes boxes;  // a machine without a sound device gets a message from the recorder
    std::unique_ptr<TMainForm> form = CreateForms();
    RecordingShell shell;
    Trigger(*form, "Help Contents");
    Trigger(*form, "Quillon Website");
    Trigger(*form, "Email Support");
    QCOMPARE(shell.opened.size(), std::size_t(3));
    QCOMPARE(shell.opened[0], QUrl::fromLocalFile(QString::fromStdString(folder.Path().string() + "/Quillon.html")));
    QCOMPARE(shell.opened[1].scheme(), QString("http"));
    QCOMPARE(shell.opened[1].path(), QString("/Quillon/"));
    QCOMPARE(shell.opened[2].scheme(), QString("mailto"));

    QWidget* shown = nullptr;
    QTimer::singleShot(0, [&] {
      shown = QApplication::activeModalWidget();
      auto* about = static_cast<TAboutForm*>(shown);
      emit about->LinkLabel->linkActivated(about->LinkLabel->text());
      about->CloseButton->click();
    });
    Trigger(*form, "About");
    QVERIFY(shown == static_cast<QWidget*>(form->Forms().AboutForm));
    QCOMPARE(shown->windowTitle(), QString("About"));
    QCOMPARE(shown->size(), QSize(356, 205));
    QCOMPARE(shell.opened.size(), std::size_t(4));
    QCOMPARE(shell.opened[3], shell.opened[1]);
    QVERIFY(!shown->isVisible());
  }
};

QTEST_MAIN(HelpTest)
#include "help_test.moc"
