#pragma once
// The CD information dialog: the disc's ID, artist, title and category as CDDB knows them. Each showing
// runs the lookup; the texts stay between showings when a lookup ends early.

#include <QDialog>
#include <functional>
#include <optional>

#include "cd/CddbLookup.h"

class QFormLayout;
class QLabel;
class QPushButton;

class TCdMsgForm : public QDialog {
  Q_OBJECT

 public:
  explicit TCdMsgForm(QWidget* parent);

  // The main window's lookup; it answers the texts to show, or none to keep them.
  std::function<std::optional<CdInformation>()> Lookup;

  QLabel* edDiscID = nullptr;
  QLabel* edArtist = nullptr;
  QLabel* edTitle = nullptr;
  QLabel* edCategory = nullptr;
  QPushButton* spSkinButton1 = nullptr;

  void FormShow();
  // Shown, and its lookup not yet ended.
  bool LookupPending() const { return FLookupPending; }
  void spSkinButton1Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLabel* AddRow(QFormLayout* rows, const char* caption);

  bool FLookupPending = false;
};
