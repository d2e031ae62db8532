// ledBar: an LED bar-graph progress indicator. Positions 0..999; the lit segments grow to the
// right and take the colour of their third of the bar (aqua, white, blue; ends at 333 and 666).
#pragma once

#include <QWidget>

class LedBar : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int position READ position WRITE setPosition)

 public:
  static constexpr int kMaximum = 999;
  static constexpr int kSegments = 30;

  explicit LedBar(QWidget* parent = nullptr);
  int position() const { return position_; }
  void setPosition(int position);
  // Segments lit at the current position.
  int litSegments() const;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int position_ = 0;
};
