#include "core/app_state.h"

namespace basMain {

bool ReportFormat = false;
bool ExpressWritesOption = false;
bool ConfirmExpress = false;
bool ConfirmTuning = false;
bool TextTip = false;
float MaxRecentFiles = 0;
bool DatabaseOpen = false;
QString HelpFile;

QString CurrentConfigTitle = QStringLiteral(" ");
QString CurrentConfigPath;
bool ConfigDirty = false;
bool ExpressActive = false;
bool ResetNeeded101 = false;
bool ResetNeeded133 = false;
QString EditorTag = QStringLiteral("0");
QString EditorFirmwareText;

QString StatusBits;
int16_t StatusBit2 = 0;
int16_t SoftwareOutputControl = 0;
int16_t StatusBit0 = 0;

QString MainCaption(const QString& title) {
  return QStringLiteral(" ") + kProductName + " - Current Config File: " + title;
}

}  // namespace basMain
