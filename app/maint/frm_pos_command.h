// frmPosCommand: the eight internal position commands of the drive (P1.15..P1.30: revolutions
// and pulses of each), edited where the position-select inputs can reach them, written in one
// block and read back through the polling.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

namespace basMaint {

constexpr int kFirstPosCommand = 115;  // ParamIndex of P1.15
constexpr int kLastPosCommand = 130;   // ParamIndex of P1.30

// PosCommandEdit: each box's number while it is typed, by ParamIndex (entries 115..130 used).
extern std::array<int16_t, kLastPosCommand + 1> PosCommandEdit;
// Set when a write of the position commands was confirmed by the read-back; the maintenance
// screen offers to take the written values into the configuration when it closes.
extern bool PosCommandChanged;
// WorkingConfig P1.15..P1.30 and the editor take the values of the last confirmed write.
void CopyWrittenPosCommandsToConfig();

// Which position-select inputs the drive has (P2.10..P2.17 = 11/111, 12/112, 13/113): POS0
// gives 1, POS1 2, POS2 4.
int PositionSelectMask();
// Command k (1..8) can be selected with those inputs: k - 1 has no bit outside the mask.
bool CommandSelectable(int k, int mask);
// Text of the move type P1.33; empty for a value outside 0..6.
QString MoveTypeText(int32_t mode);

}  // namespace basMaint

class frmPosCommand : public QWidget {
  Q_OBJECT

 public:
  static frmPosCommand* Display();
  static frmPosCommand* Instance();
  static void Unload();

  explicit frmPosCommand(QWidget* parent = nullptr);
  ~frmPosCommand() override;

  void Form_Load();
  void txtPosCommand_Change(int index);
  void cmdWrite_Click();
  void cmdClose_Click();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildControls();
  QLineEdit* box(int index) const { return txtPosCommand[index - basMaint::kFirstPosCommand]; }

  std::array<QLineEdit*, 16> txtPosCommand{};
  std::array<QString, 16> acceptedText_{};  // each box's last text within the 16-bit range
  QLabel* lblMoveType = nullptr;
  QPushButton* cmdWrite = nullptr;
  QPushButton* cmdClose = nullptr;
  bool reverting_ = false;
};
