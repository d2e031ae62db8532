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
  // Shows the capture saved as `path`: a .scl (with the .scp beside it, when there is one) or
  // the .csv sample table the scope writes.
  void OpenLog(const QString& path);

  void Form_Load();
  void cmdNew_Click();
  void cmdClose_Click();
  void ckShowLegend_Click();
  void ckShowChannelMarkers_Click();
  void Scope1_OnBeforePrint();
  void Scope1_OnAfterPrint();

 private:
  QStringList showScl(const QString& sclPath);
  QStringList showCsv(const QString& csvPath);
  QString sourceTitle(int channel, int source) const;

  ScopePlot* Scope1 = nullptr;
  QPushButton* cmdNew = nullptr;
  QPushButton* cmdClose = nullptr;
  QCheckBox* ckShowLegend = nullptr;
  QCheckBox* ckShowChannelMarkers = nullptr;
  QCheckBox* ckPrintColor = nullptr;
};
