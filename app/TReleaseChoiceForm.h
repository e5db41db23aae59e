#pragma once
// The choice among the releases that hold the disc, when MusicBrainz knows more than one.

#include <QDialog>
#include <vector>

#include "cd/MusicBrainzLookup.h"

class QTreeWidget;

class TReleaseChoiceForm : public QDialog {
  Q_OBJECT

 public:
  explicit TReleaseChoiceForm(QWidget* parent);

  QTreeWidget* ReleaseList = nullptr;

  // The index of the release the user took, or -1 when the user cancelled.
  int Choose(const std::vector<MusicBrainzRelease>& releases);
};
