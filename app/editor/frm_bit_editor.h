// What the two bit-field editors (frm265 for P2.65, frm308 for P3.08) share: sixteen bit labels
// lblBits_0..15 (bit 15 leftmost), the hexadecimal value, Update and Close, and the editor
// field they edit, highlighted while the window is open.
#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>

class QGridLayout;
class QLabel;
class QLineEdit;
class QVBoxLayout;

class frmBitEditor : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kBits = 16;

  QLabel* lblBits(int bit) const;
  QLabel* lblHexVal() const { return lblHexVal_; }
  // The value the bit labels show.
  int Value() const;
  int parameter() const { return k_; }

  // Window events.
  void FormLoad();
  void lblBits_Click(int bit);
  void cmdUpdate_Click();
  void cmdCancel_Click();

 protected:
  frmBitEditor(int k, const char* windowName);
  // Bits a click toggles, and the tool tip of each bit label.
  virtual bool togglesOnClick(int bit) const = 0;
  virtual QString bitToolTip(int bit) const = 0;
  virtual bool isReserved(int /*bit*/) const { return false; }
  // Called after the labels took a new value (option buttons follow it).
  virtual void valueShown(int /*bits*/) {}
  // Builds the common parts; the window adds its own rows into body().
  void buildCommon(const QString& title);
  QVBoxLayout* body() const { return body_; }
  void showValue(int bits);
  void Recalc();
  QString location(const char* procedure) const;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Form_QueryUnload();
  QLineEdit* editorField() const;

  int k_;
  QByteArray windowName_;
  std::array<QLabel*, kBits> bits_{};
  QLabel* lblHexVal_ = nullptr;
  QVBoxLayout* body_ = nullptr;
  QPointer<QLineEdit> highlighted_;
  QString fieldStyle_;
};
