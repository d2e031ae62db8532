// Program-wide values of the shell: the settings read at start from tblCustInfo, the working
// configuration's title, path and unsaved-changes flag, the express-writes flag and the
// status bits that the main window's timer extracts. They live for the whole run.
#pragma once

#include <QString>
#include <cstdint>

namespace basMain {

constexpr const char* kAppTitle = "VelumoPRO";      // the application title
constexpr const char* kProductName = "Velumo PRO";  // the name shown in captions and messages

// Settings (tblCustInfo, RecNum = 1).
extern bool ReportFormat;
extern bool ExpressWritesOption;
extern bool ConfirmExpress;
extern bool ConfirmTuning;
extern bool TextTip;          // False until the Options window has been opened once
extern float MaxRecentFiles;  // PreviousFiles + 1
extern bool DatabaseOpen;
extern QString HelpFile;  // program folder + "/Velumo_Help.qhc", the help collection

// The working configuration.
extern QString CurrentConfigTitle;  // " " when none
extern QString CurrentConfigPath;   // empty when none
extern bool ConfigDirty;
extern bool ExpressActive;
// Set by the editor when P1.01 / P1.33 change (the drive needs a reset to take them); cleared
// at the end of every upload and download.
extern bool ResetNeeded101;
extern bool ResetNeeded133;
// The parameter editor's Tag: "0" no configuration shown, "1" one is shown.
extern QString EditorTag;
// The text of the editor's P0.00 value field (the configuration's firmware), kept by the editor.
extern QString EditorFirmwareText;

// Status bits of P6.37 (tmrMain2Sec): its 8-character binary text and three of its bits.
extern QString StatusBits;
extern int16_t StatusBit2;
extern int16_t SoftwareOutputControl;
extern int16_t StatusBit0;

// " VelumoPRO - Current Config File: " + title, the main window's caption form.
QString MainCaption(const QString& title);

}  // namespace basMain
