#pragma once
// Keeps the controls of a window laid out by hand in their places when the window grows: each control is tied
// to the edges it keeps its distance from, and a control tied to both edges of a side stretches with it. The
// places are taken as they are when the window is first laid out (after it grew with its font).

#include <QObject>
#include <QRect>
#include <QSize>
#include <functional>
#include <vector>

class QWidget;

enum Anchor : unsigned {
  kMoveRight = 1,    // keeps its distance from the right edge
  kGrowWide = 2,     // keeps its distances from both side edges
  kMoveDown = 4,     // keeps its distance from the bottom edge
  kGrowTall = 8,     // keeps its distances from the top and bottom edges
};

class EdgeAnchors : public QObject {
 public:
  // Follows the size of the client area whose controls are tied.
  explicit EdgeAnchors(QWidget* client);

  void Tie(QWidget* control, unsigned anchors);
  // Takes every tied control's place and the client's size as the layout that later sizes start from.
  void TakePlaces();

  // Told, after the controls are placed, how much wider and taller than its first layout the client is: a
  // control may spread that over its own parts (a list's columns).
  std::function<void(int wider, int taller)> Stretched;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Tied {
    QWidget* control;
    unsigned anchors;
    QRect place;
  };

  void Place();

  QWidget* FClient;
  std::vector<Tied> FTied;
  QSize FFirstSize;
};
