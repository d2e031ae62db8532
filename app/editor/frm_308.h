// frm308: the bit editor of P3.08, which puts digital inputs DI1..DI16 under Modbus control.
// Each bit holds one input in the order of the drive's 16-input registers; every bit toggles.
#pragma once

#include "editor/frm_bit_editor.h"

class frm308 : public frmBitEditor {
  Q_OBJECT

 public:
  // Opens the editor on the editor field of P3.08 (or brings the open one up).
  static frm308* Display();
  static frm308* instance();

  // The description of digital input DI n (1..16), lblDesc_n.
  QLabel* lblDesc(int input) const;

 protected:
  bool togglesOnClick(int bit) const override;
  QString bitToolTip(int bit) const override;

 private:
  frm308();
  void buildRows();
};
