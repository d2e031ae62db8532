// frmScope: the scope window. Its controls set up a capture; the capture engine behind the
// Start button does the work and shows it on the plot Scope1.
#pragma once

#include <QWidget>
#include <array>

#include "scope/scope_capture.h"
#include "scope/scope_environment.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class ScopePlot;

class frmScope : public QWidget, private basScope::ScopeView {
  Q_OBJECT

 public:
  // Shows the scope window, creating it when it is not loaded.
  static frmScope* Display();
  static frmScope* Instance();
  ~frmScope() override;

  basScope::ScopeCapture& capture() { return *capture_; }
  ScopePlot* plot() const { return Scope1; }

  void Form_Load();
  void cmdStartStopScope_Click();
  void cmdCloseScope_Click();
  void cmdSaveLog_Click();
  void cmbScopeMode_Click();
  void cmbBufferSize_Click();
  void cmbVisibleTimeAmount_Click();
  void optVisibleTimeRange_Click(int index);
  void cmbChannelSource_Click(int index);
  void ckChannelEnabled_Click(int index);
  void lblChannelName_Click(int index);
  void chkLog_Click();
  void ckShowLegend_Click();
  void ckShowChannelMarkers_Click();
  void Scope1_ClickYAxis(int index);
  void Scope1_OnBeforePrint();
  void Scope1_OnAfterPrint();
  void txtTriggerLimit_LostFocus();
  void SetTriggerUIText();
  void SetYAxisRange(int index);

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit frmScope(QWidget* parent = nullptr);
  void buildControls();
  QGroupBox* buildConfigFrame();
  QGroupBox* buildChannelFrame();
  QWidget* buildButtons();
  void wireHandlers();
  void fillSourceLists();
  void applyChannelCount();
  void readSetup();
  int visibleSeconds() const;
  int bufferSeconds() const;

  // ScopeView: what the capture changes here.
  void ShowTitle(const QString& text, const QColor& colour) override;
  void ShowLostData(const QString& text) override;
  void ClearData() override;
  void SetXAxis(double startSeconds, double spanSeconds) override;
  void SetXAxisStart(double startSeconds) override;
  void FollowData(bool follow) override;
  void MarkersOff() override;
  void KeepPoints(int perChannel) override;
  void AppendSamples(int channel, const QVector<double>& seconds,
                     const QVector<double>& values) override;
  void LockSetup() override;
  void ShowRunning() override;
  void ShowStopped(bool saveEnabled) override;
  void SetStartStopEnabled(bool enabled) override;
  void Unload() override;

  basScope::ProgramScopeEnvironment environment_;
  basScope::ScopeCapture* capture_ = nullptr;
  std::array<int, basScope::kChannels> PrevSource{};
  bool legendBeforePrint_ = true;
  bool restoringSource_ = false;
  // The last limit the field took; a refused entry puts it back.
  QString acceptedTriggerLimit_ = QStringLiteral("0");
  bool refusingTriggerLimit_ = false;

  QComboBox* cmbScopeMode = nullptr;
  QComboBox* cmbBufferSize = nullptr;
  std::array<QRadioButton*, 2> optVisibleTimeRange{};
  QComboBox* cmbVisibleTimeAmount = nullptr;
  std::array<QCheckBox*, basScope::kChannels> ckChannelEnabled{};
  std::array<QLabel*, basScope::kChannels> lblChannelName{};
  std::array<QComboBox*, basScope::kChannels> cmbChannelSource{};
  QLabel* lblTriggerLimitPreface = nullptr;
  QComboBox* cmbTriggerLimitCompare = nullptr;
  QLineEdit* txtTriggerLimit = nullptr;
  QLabel* lblTriggerLimitUnits = nullptr;
  QPushButton* cmdStartStopScope = nullptr;
  QPushButton* cmdCloseScope = nullptr;
  QPushButton* cmdSaveLog = nullptr;
  QCheckBox* chkLog = nullptr;
  QCheckBox* ckShowLegend = nullptr;
  QCheckBox* ckShowChannelMarkers = nullptr;
  QCheckBox* ckPrintColor = nullptr;
  ScopePlot* Scope1 = nullptr;
};
