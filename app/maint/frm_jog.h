// frmJog: the jog window. The jog speed is written to P4.05; the motor turns forward or in
// reverse for as long as a jog button is held down. Letting go anywhere, the window losing
// the focus, hiding or closing, and the program quitting all send the confirmed stop.
//
// Presses and releases (mouse, Space) only note what the technician wants; the writes run
// afterwards, outside the event's delivery, one request at a time. The writes wait for the line
// with events running, so a held key's auto-repeat and anything else the technician does keep
// arriving meanwhile: handled inside the delivery of a key event, they could close and delete
// the window under that delivery.
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
  // Queues a press of jog button `index` (0 forward, 1 reverse) or a release.
  void RequestPress(int index);
  void RequestRelease();
  // Queues the stop when a jog is running or about to start (the line is failing, the window
  // lost the focus).
  void StopIfJogging();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void setJogButtonsEnabled(bool enabled);
  // Waits for a press still on the line, sends the confirmed stop and tells the user when it
  // did not reach the drive. True when the drive took it.
  bool sendStop();
  void serveRequests();
  int jogButtonIndex(QObject* watched) const;

  QLineEdit* txtJogSpeed = nullptr;
  QPushButton* cmdSendSpeed = nullptr;
  std::array<QPushButton*, 2> cmdJog{};
  QPushButton* cmdClose = nullptr;
  static constexpr int kRelease = -1;
  static constexpr int kNoRequest = -2;
  int pending_ = kNoRequest;  // the latest press (button index) or release not yet served
  bool serving_ = false;
  bool jogging_ = false;
  bool stopping_ = false;
  bool closing_ = false;
  QPushButton* focusBeforeStop_ = nullptr;  // the jog button that had the focus
};
