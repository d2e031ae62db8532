// frmParamWiz, the parameter wizard: a packed parameter shown as up to five parts (digits),
// each chosen from a list of settings, composed back into the editor field. ParamWiz(k)
// prepares and shows it; frmScroll fills the three digits of P2.48 with a slider.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>

#include "params/param_digits.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmParamWiz : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kMaxParts = 5;

  // Prepares the wizard for parameter k from its editor field and shows it (ParamWiz).
  static frmParamWiz* Open(int k);
  static frmParamWiz* instance();
  int parameter() const { return k_; }

  // Part p (1..5): digit field, settings list, letter and caption.
  QLineEdit* txtVal(int p) const;
  QComboBox* cmbPart(int p) const;
  QLabel* lblPartLetter(int p) const;
  QLabel* lblPart(int p) const;

  // Window events.
  void cmbPart_Click(int p);
  void cmdUpdate_Click();
  void cmdCancel_Click();
  void cmdScroll_Click();

  // Shows the digits an editor text stands for in the parts and selects their settings.
  void ShowDigits(const QString& fieldText);
  // Puts digits into the leading digit fields, one per part (the slider of frmScroll).
  void SetLeadingDigits(const QString& digits);
  // The text of the editor field the wizard works on.
  QString EditorText() const;
  // The value the digit fields compose now, or -1 when one is empty.
  qint64 ComposedValue() const;

 private:
  frmParamWiz();
  void build();
  void Prepare(int k);
  void fillLists();
  void showComposedValue();
  QLineEdit* editorField() const;

  struct PartWidgets {
    QLabel* caption = nullptr;
    QLabel* letter = nullptr;
    QLineEdit* digits = nullptr;
    QComboBox* list = nullptr;
  };
  int k_ = -1;
  QList<paramDigits::WizardPart> layout_;
  std::array<PartWidgets, kMaxParts> parts_{};
  QLabel* lblParamNum_ = nullptr;
  QLabel* lblParam_ = nullptr;
  QLabel* lblValue_ = nullptr;
  QLabel* picHelp_ = nullptr;
  QPushButton* cmdScroll_ = nullptr;
};

namespace basFunctions {
// Prepares the wizard for parameter k from its editor field and shows it.
void ParamWiz(int k);
}  // namespace basFunctions
