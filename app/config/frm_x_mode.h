// frmXMode: asked when express writes are switched on, so that the configuration in memory and
// the drive agree before any single value is written: upload, download, or work in Normal Mode.
#pragma once

#include <QDialog>

class frmXMode : public QDialog {
  Q_OBJECT

 public:
  explicit frmXMode(QWidget* parent = nullptr);
  ~frmXMode() override;
  // The dialog while it is open, else null.
  static frmXMode* instance();
  // Shows the dialog modally over the main window and returns when it has closed.
  static void ShowModal();
  // Closes the dialog when it is open (upload and download start with this).
  static void CloseIfOpen();

  void CmdUpload_Click();
  void cmdDownload_Click();
  void cmdCancel_Click();
};
