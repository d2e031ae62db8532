// frmScopeViewer: shows a saved capture again (its .scp properties, then its .scl data).
// Several viewers may be open at once.
#pragma once

#include <QWidget>

class QCheckBox;
class QPushButton;
class ScopePlot;

class frmScopeViewer : public QWidget {
  Q_OBJECT

 public:
  explicit frmScopeViewer(QWidget* parent = nullptr);
  ScopePlot* plot() const { return Scope1; }

  // Asks for a .scl file and shows it; a cancelled dialog raises the cancel error for the
  // caller's trap and leaves the window as it was.
  void OpenLogWithDialog();
  // Loads the capture saved as `sclPath` (and the .scp beside it).
  void OpenLog(const QString& sclPath);

  void Form_Load();
  void cmdNew_Click();
  void cmdClose_Click();
  void ckShowLegend_Click();
  void ckShowChannelMarkers_Click();
  void Scope1_OnBeforePrint();
  void Scope1_OnAfterPrint();

 private:
  ScopePlot* Scope1 = nullptr;
  QPushButton* cmdNew = nullptr;
  QPushButton* cmdClose = nullptr;
  QCheckBox* ckShowLegend = nullptr;
  QCheckBox* ckShowChannelMarkers = nullptr;
  QCheckBox* ckPrintColor = nullptr;
};
