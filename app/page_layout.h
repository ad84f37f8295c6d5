#pragma once
// What each of the fifteen page pictures shows: the highlighted step of the breadcrumb, the
// texts of the robot's speech bubble, and the fields drawn under the page's edits and lists.
// The texts keep clear of the controls placed on the page.

#include <QColor>
#include <QRect>
#include <QString>
#include <vector>

struct TPageText {
  QRect Bounds;        // the text wraps within these bounds
  QString Text;        // Russian text of the page
  int PixelSize;       // font size
  bool Bold;           // bold face
  QColor Color;        // ink
  int Alignment;       // Qt alignment flags
};

enum class TPageDecoration { None, Success };

struct TPageLayout {
  int Step;                      // breadcrumb step 0 to 4 highlighted; -1 all red (errors)
  bool Sad;                      // the robot looks sorry (error pages)
  std::vector<TPageText> Texts;  // the bubble's texts
  std::vector<QRect> Fields;     // white fields under edits
  std::vector<QRect> Panels;     // light green panels under lists
  TPageDecoration Decoration;    // extra artwork
};

constexpr int kPageCount = 15;
constexpr int kPictureWidth = 649;
constexpr int kPictureHeight = 400;

// The five breadcrumb steps, in Russian.
const std::vector<QString>& BreadcrumbSteps();
// The layout of page `page_index` (0 to 14).
TPageLayout PageLayout(int page_index);
