#pragma once
// Test doubles for the Qt seams: they record what would have been shown and answer for the user.

#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

#include "platform/qtseams/FileDialogs.h"
#include "platform/qtseams/FolderBrowser.h"
#include "platform/qtseams/MessageBoxes.h"
#include "platform/qtseams/Notifications.h"
#include "platform/qtseams/ProgramEnd.h"
#include "platform/qtseams/Shell.h"

struct ShownMessage {
  QString caption;
  QString text;
  MessageBoxes::Icon icon;
  QRect over;  // where the window the box belongs to stands
};

class RecordingMessageBoxes : public MessageBoxes {
 public:
  RecordingMessageBoxes() { SetMessageBoxes(this); }
  ~RecordingMessageBoxes() override { SetMessageBoxes(nullptr); }
  void Show(QWidget* parent, const QString& caption, const QString& text, Icon icon) override {
    shown.push_back({caption, text, icon, parent != nullptr ? parent->window()->geometry() : QRect()});
  }
  bool Ask(QWidget*, const QString& caption, const QString& text) override {
    asked.push_back({caption, text, Icon::Information, {}});
    if (onAsk) onAsk();
    return answer;
  }
  std::vector<ShownMessage> asked;
  bool answer = true;
  std::function<void()> onAsk;  // runs while the question is up
  std::vector<ShownMessage> shown;
};

class AnsweringFolderBrowser : public FolderBrowser {
 public:
  explicit AnsweringFolderBrowser(QString answer) : FAnswer(std::move(answer)) { SetFolderBrowser(this); }
  ~AnsweringFolderBrowser() override { SetFolderBrowser(nullptr); }
  QString Browse(QWidget*, const QString& title, const QString& start) override {
    titles.push_back(title);
    starts.push_back(start);
    return FAnswer;
  }
  std::vector<QString> titles;
  std::vector<QString> starts;

 private:
  QString FAnswer;
};

class ProgramEndCounter {
 public:
  ProgramEndCounter() {
    SetProgramEndHandler([this] { ++ends; });
  }
  ~ProgramEndCounter() { SetProgramEndHandler({}); }
  int ends = 0;
};

class RecordingShell : public Shell {
 public:
  RecordingShell() { SetShell(this); }
  ~RecordingShell() override { SetShell(nullptr); }
  bool Open(const QUrl& target) override {
    opened.push_back(target);
    return true;
  }
  std::vector<QUrl> opened;
};

// Answers every file dialog with one path (empty: the user cancelled) and records the filters asked for.
class AnsweringFileDialogs : public FileDialogs {
 public:
  AnsweringFileDialogs() { SetFileDialogs(this); }
  ~AnsweringFileDialogs() override { SetFileDialogs(nullptr); }
  QString OpenFile(QWidget*, const QString& filter) override {
    openFilters.push_back(filter);
    return answer;
  }
  QString SaveFile(QWidget*, const QString& filter) override {
    saveFilters.push_back(filter);
    return answer;
  }
  QString answer;
  std::vector<QString> openFilters;
  std::vector<QString> saveFilters;
};

class RecordingNotifications : public Notifications {
 public:
  RecordingNotifications() { SetNotifications(this); }
  ~RecordingNotifications() override { SetNotifications(nullptr); }
  void Notify(const QString& title, const QString& body) override { shown.push_back(title + " / " + body); }
  std::vector<QString> shown;
};
