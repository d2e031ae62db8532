// frmScroll: a slider (FlatScrollBar1, 0..100 in steps of 1) that writes its position, padded
// to three digits, into the wizard's first three digit fields as it moves (P2.48). Done keeps
// them; Cancel puts back the digits of the value the editor field holds.
#pragma once

#include <QPointer>
#include <QWidget>

class QScrollBar;
class frmParamWiz;

class frmScroll : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kMaximum = 100;

  // Opens the slider for the wizard (or brings the open one up).
  static frmScroll* Display(frmParamWiz* wizard);
  static frmScroll* instance();
  QScrollBar* FlatScrollBar1() const { return slider_; }

  void FlatScrollBar1_OnPositionChangeUser(int position);
  void cmdClose_Click();
  void cmdCancel_Click();

 private:
  explicit frmScroll(frmParamWiz* wizard);

  QPointer<frmParamWiz> wizard_;
  QScrollBar* slider_ = nullptr;
};
