#pragma once
// The CD information dialog: the disc's ID, artist, title and category as CDDB knows them, and the album's
// year, genre, disc of a set and MusicBrainz release as the last lookup found them. Each showing runs the CDDB
// lookup, but for the one after a MusicBrainz lookup; the texts stay between showings when a lookup ends early.

#include <QDialog>
#include <functional>
#include <optional>

#include "cd/CddbLookup.h"
#include "cd/DiscMetadata.h"

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
  QLabel* edYear = nullptr;
  QLabel* edGenre = nullptr;
  QLabel* edDisc = nullptr;     // "2/2" on the second disc of two
  QLabel* edRelease = nullptr;  // the MusicBrainz release ID

  void FormShow();
  // The album a lookup chose: artist, title, year, genre, disc and release, the disc's ID in that source, no
  // CDDB category; none leaves the four rows above and clears the album's own.
  void ShowAlbum(const std::optional<DiscMetadata>& album);
  // Shows the dialog modally with the texts it holds, without a lookup.
  void ShowWithoutLookup();
  // Shown, and its lookup not yet ended.
  bool LookupPending() const { return FLookupPending; }
  void spSkinButton1Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLabel* AddRow(QFormLayout* rows, const char* caption);

  bool FLookupPending = false;
  bool FLookupOnShow = true;
};
