#pragma once
// Desktop notifications through the freedesktop notification service on the session bus. Where there is
// no session bus or no such service, nothing is shown and nothing complains. Tests install notifications
// that only record what would have been shown.

#include <QString>

class Notifications {
 public:
  virtual ~Notifications() = default;
  virtual void Notify(const QString& title, const QString& body) = 0;
};

Notifications& CurrentNotifications();
void SetNotifications(Notifications* notifications);  // nullptr restores the real one
