#include "platform/qtseams/Notifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QVariantMap>

namespace {

const char* const kService = "org.freedesktop.Notifications";
constexpr int kServerDecidesTimeout = -1;

// Without an address or the user's bus socket, the bus library would try to start a bus of its own.
bool SessionBusKnown() {
  if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return true;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  return !runtime.isEmpty() && QFileInfo(runtime + "/bus").exists();
}

class DesktopNotifications : public Notifications {
 public:
  // Sent without waiting for the reply: an absent service answers with an error nobody needs to see.
  void Notify(const QString& title, const QString& body) override {
    if (!SessionBusKnown()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, "/org/freedesktop/Notifications", kService, "Notify");
    call << QString("Quillon") << 0u << QString("quillon") << title << body << QStringList() << QVariantMap()
         << kServerDecidesTimeout;
    bus.send(call);
  }
};

Notifications* gInstalled = nullptr;

}  // namespace

Notifications& CurrentNotifications() {
  static DesktopNotifications real;
  return gInstalled != nullptr ? *gInstalled : real;
}

void SetNotifications(Notifications* notifications) { gInstalled = notifications; }
