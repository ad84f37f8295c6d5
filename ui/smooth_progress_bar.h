#pragma once
// TSmoothProgressBar: a rounded progress bar with a caption drawn across it; position and
// maximum are real numbers (the filled part is Position / Maximum, kept within 0 to 1).

#include <QWidget>
#include <string>

class TSmoothProgressBar : public QWidget {
 public:
  explicit TSmoothProgressBar(QWidget* parent);

  std::u16string Caption() const { return FCaption; }
  void SetCaption(const std::u16string& caption);
  double Position() const { return FPosition; }
  void SetPosition(double position);
  double Maximum() const { return FMaximum; }
  void SetMaximum(double maximum);
  bool Visible() const { return !isHidden(); }  // its own flag, whatever its page shows
  void SetVisible(bool visible) { setVisible(visible); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::u16string FCaption;  // drawn centred over the bar
  double FPosition = 0;     // the progress so far
  double FMaximum = 100;    // the progress at completion
};
