#pragma once
// Message boxes go through here, so tests can see what would have been shown without a person.

#include <QString>

class QWidget;

class MessageBoxes {
 public:
  enum class Icon { Plain, Information, Warning, Error };
  virtual ~MessageBoxes() = default;
  virtual void Show(QWidget* parent, const QString& caption, const QString& text, Icon icon) = 0;
  // A question with the buttons Yes and No; true for Yes.
  virtual bool Ask(QWidget* parent, const QString& caption, const QString& text) = 0;
};

// The boxes in use: the real ones unless a test installed others (nullptr restores the real ones).
MessageBoxes& CurrentMessageBoxes();
void SetMessageBoxes(MessageBoxes* boxes);

// A start-up screen that stays on top of every window: closed before the first box is shown, so no box is
// hidden behind it. nullptr once the start-up is over.
void CloseBeforeAnyBox(QWidget* startScreen);

// The application's error box: its title as caption, the text with a period added when it has none.
void ShowStandardError(QWidget* parent, const QString& text);
