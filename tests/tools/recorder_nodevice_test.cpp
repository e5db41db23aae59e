// The sound recorder on a machine without any sound device: the test runs without a sound server.

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include "tests/app/TestSeams.h"
#include "tools/Trecorder.h"

class RecorderWithoutDeviceTest : public QObject {
  Q_OBJECT

 private slots:
  void theRecorderReportsTheMissingDeviceAndStillOpens() {
    RecordingMessageBoxes boxes;
    Trecorder recorder(nullptr);
    QCOMPARE(boxes.shown.size(), std::size_t(1));
    QCOMPARE(boxes.shown.front().text, QString("Device 0 is not available."));
    QCOMPARE(recorder.DeviceLabel->text(), QString());
    QVERIFY(boxes.shown.front().over.contains(QGuiApplication::primaryScreen()->availableGeometry().center()));
  }
};

QTEST_MAIN(RecorderWithoutDeviceTest)
#include "recorder_nodevice_test.moc"
