// frmSplash: the picture shown for six seconds after start-up.
#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QTimer;

class frmSplash : public QWidget {
  Q_OBJECT

 public:
  explicit frmSplash(QWidget* parent = nullptr);
  ~frmSplash() override;
  // The global reference to the window (null once it has been unloaded).
  static frmSplash* instance();

  void tmrSplash_Timer();
  void imgSplash_Click();
  void cmdClose_Click();
  void cmdCancel_Click();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Form_Load();
  void maximiseMainWindowAndUnload();
  void unload();

  QLabel* imgSplash_;
  QTimer* tmrSplash_;
  int16_t ticks_ = 0;
};
