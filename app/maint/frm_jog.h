// frmJog: the jog window. The jog speed is written to P4.05; the motor turns forward or in
// reverse for as long as a jog button is held down. Letting go anywhere, the window losing
// the focus, hiding or closing, and the program quitting all send the confirmed stop.
#pragma once

#include <QWidget>
#include <array>

class QLineEdit;
class QPushButton;

class frmJog : public QWidget {
  Q_OBJECT

 public:
  static frmJog* Display();
  static frmJog* Instance();
  // Closes the window when it is open; its closing stops any jog.
  static void Unload();

  explicit frmJog(QWidget* parent = nullptr);
  ~frmJog() override;

  void Form_Load();
  void cmdSendSpeed_Click();
  void cmdJog_MouseDown(int index);
  void cmdJog_MouseUp();
  void cmdClose_Click();
  // A jog command went out and no confirmed stop since.
  bool Jogging() const { return jogging_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void setJogButtonsEnabled(bool enabled);
  // Waits for a press still on the line, sends the confirmed stop and tells the user when it
  // did not reach the drive. True when the drive took it.
  bool sendStop();
  void stopIfJogging();
  int jogButtonIndex(QObject* watched) const;

  QLineEdit* txtJogSpeed = nullptr;
  QPushButton* cmdSendSpeed = nullptr;
  std::array<QPushButton*, 2> cmdJog{};
  QPushButton* cmdClose = nullptr;
  bool jogging_ = false;
  bool pressing_ = false;    // a press write is under way
  bool stopWanted_ = false;  // released while the press write was under way
  bool stopping_ = false;
  bool closing_ = false;
};
