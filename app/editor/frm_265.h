// frm265: the bit editor of P2.65 (special input functions). Bits 0-2, 6 and 10 toggle on a
// click, bits 5-3 (the fast input function) are set by the option buttons opt543_0..2, the
// other bits are reserved.
#pragma once

#include <array>

#include "editor/frm_bit_editor.h"

class QRadioButton;

class frm265 : public frmBitEditor {
  Q_OBJECT

 public:
  // Opens the editor on the editor field of P2.65 (or brings the open one up).
  static frm265* Display();
  static frm265* instance();

  QRadioButton* opt543(int option) const;
  void opt543_Click(int option);

 protected:
  bool togglesOnClick(int bit) const override;
  QString bitToolTip(int bit) const override;
  bool isReserved(int bit) const override;
  void valueShown(int bits) override;

 private:
  frm265();
  void buildRows();

  std::array<QRadioButton*, 3> options_{};
};
