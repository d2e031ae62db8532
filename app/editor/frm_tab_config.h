// frmTabConfig: the detailed parameter editor. Five tabs of parameter rows (label, value field,
// settings list, unit), built from a table and addressed by ParamIndex; the row events keep
// WorkingConfig in step with every keystroke. Created hidden when the main window loads;
// closing it only hides it.
#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QWidget>
#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

class frmTabConfig : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kRowCount = 424;  // ParamIndex 0..423 (P0.00..P4.23)

  explicit frmTabConfig(QWidget* parent = nullptr);
  ~frmTabConfig() override;
  // The program's editor (null before the main window has loaded it and after it closed).
  static frmTabConfig* instance();
  // Creates the editor as a hidden child window of the MDI area (the main window's load).
  static frmTabConfig* LoadHidden(QWidget* mdiArea);
  // Shows the editor window (modeless) / hides it, with its child-window frame.
  void ShowWindow();
  void HideWindow();

  // The parts of row k; null when the window has no such part for k.
  QLineEdit* txtP(int k) const;
  QComboBox* cmbP(int k) const;
  QLabel* lblP(int k) const;
  QLabel* lblPUnits(int k) const;
  QPushButton* cmdParamWiz(int k) const;
  QLabel* lblDODI(int k) const;        // 210..222
  QLabel* lblSpecial410(int k) const;  // 410..421
  QLabel* hexLabel(int k) const;       // 231, 265, 308, 406

  // The row's remembered text: the field's text when it last took the focus or was accepted.
  QString PrevValue(int k) const;
  void setPrevValue(int k, const QString& text);
  // The text the field had when it took the focus or was filled, or when an express write last
  // took it to the drive: what a declined express write puts back.
  QString ValueBeforeEdit(int k) const;
  void setValueBeforeEdit(int k, const QString& text);

  // Row events.
  void txtP_GotFocus(int k);
  void txtP_Change(int k);
  void txtP_KeyUp(int k, int key, Qt::KeyboardModifiers shift);
  void txtP_LostFocus(int k);
  void txtP_MouseMove(int k);
  void lblP_MouseMove(int k);
  void cmbP_Click(int k);
  void cmbP_KeyUp(int k, int key);
  void cmdParamWiz_Click(int k);
  // Enter moves the focus to the next field, as Tab does. True when the key was taken.
  bool Form_KeyDown(QWidget* from, int key, Qt::KeyboardModifiers shift);
  // A close by the user only hides the window; true when the close may go ahead.
  bool Form_QueryUnload();

  // The hexadecimal labels from the fields of P2.31, P2.65, P3.08 and P4.06.
  void RefreshHexLabels();
  // The express-writes line (set by the main window's timer).
  void SetXWrites(bool expressActive);
  // While set, text changes made by code do not run the change handling (ClearObjects).
  void setChangeHandling(bool on) { changeHandling_ = on; }
  // While set, the rows are being filled by code (a catalogue load, LoadTab): the values go
  // into WorkingConfig, but nothing counts as changed by the user (no unsaved changes, no
  // P1.01 rule, no servo reset).
  void setFilling(bool on) { filling_ = on; }
  bool filling() const { return filling_; }
  // Rows whose parameter the opened file did not list: they hold their defaults, marked until
  // the next load.
  void MarkDefaulted(const QList<int>& rows);
  bool IsDefaulted(int k) const { return defaulted_.contains(k); }
  void ClearDefaultedMarks();
  // Checks every row whose text was changed but not confirmed (Save, Download and Compare run
  // it first); false at the first row refused, whose message has been shown.
  bool ConfirmPendingEdits();
  // Chains the focus order of the rows in the given order (the load's row counter).
  void SetRowTabOrder(const QList<int>& rowsInOrder);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Row {
    QLabel* label = nullptr;
    QLineEdit* field = nullptr;
    QComboBox* list = nullptr;
    QLabel* units = nullptr;
    QPushButton* wizard = nullptr;
    QLabel* meaning = nullptr;  // lblDODI or a hexadecimal label
  };
  void buildTabs();
  void buildButtons();
  QWidget* buildRowGrid(int group, int first, int last);
  void buildRow(class QGridLayout* grid, int gridRow, int k);
  void wireRow(int k);
  const Row* row(int k) const;

  QTabWidget* tabDetails_ = nullptr;
  QLabel* xWrites_ = nullptr;
  std::array<Row, kRowCount> rows_{};
  QHash<int, QLabel*> special410_;
  QHash<int, QString> prevValue_;
  QHash<int, QString> valueBeforeEdit_;
  QSet<int> defaulted_;
  int focusedRow_ = -1;
  bool changeHandling_ = true;
  bool filling_ = false;
};
