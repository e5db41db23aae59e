#pragma once
// While a lookup waits on a server on the window's thread: the busy cursor, every window kept painted,
// the user's clicks and keys held off (the lookup must not be started again under itself), and Escape to
// give up on a slow server.

#include <QObject>

class LookupWait : public QObject {
 public:
  LookupWait();
  ~LookupWait() override;
  LookupWait(const LookupWait&) = delete;
  LookupWait& operator=(const LookupWait&) = delete;

  // Handles what is pending; false once Escape was pressed.
  bool KeepWaiting();
  bool Abandoned() const { return FAbandoned; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool FAbandoned = false;
};
