// Configuration files as the program opens and saves them (module basFunctions): status lines,
// logs, messages, the catalogue load and the editor around the file engine of config_file.
// Also the File-menu commands Open, recent-file open, Save and Save As.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace basFunctions {

class ValueTable;

// Writes a configuration file through a temporary file in the same folder that replaces the
// old file only once it is complete: a full disk or a vanished folder leaves the old file as
// it was. False, with the reason, when the file was not written.
bool WriteConfigFile(const QString& path, const ValueTable& config,
                     const std::array<int16_t, 5>& limits, QString& reason);

// Saves WorkingConfig to a path (status lines, logs, progress); false when it failed, which is
// logged and told to the user. ConfigDirty is cleared only by a good save.
bool SaveFile(const QString& path);
// Opens a file into WorkingConfig and loads its parameter set. The whole file is read and
// checked first: a missing file, an unsupported drive or a damaged line is reported and leaves
// the configuration in memory as it was. True when the file's values are in WorkingConfig.
bool OpenFile(const QString& path);

// "Unsaved Drive Config Data Exists": asked when a configuration shown in the editor has
// unsaved changes (Open, recent files, New, Upload, Close, Exit); Yes saves first. True when
// the command may go on; false when the user chose to save and the save did not happen.
bool UnsavedChangesPrompt();
// The same when the main window is closed: "... may exist ...", Yes runs Save As.
bool UnsavedChangesPromptOnClose();

// The File-menu commands. Save and Save As first check the editor's unconfirmed fields.
void OpenConfiguration();        // Open (a file dialog)
void OpenRecentFile(int index);  // an entry of the recent-files list
bool SaveConfiguration();        // Save; true when saved
// Save As; true when saved. A name without an extension gets ".vmc"; replacing an existing
// file under that name is asked first.
bool SaveConfigurationAs();
// The working configuration belongs to no file any more: Save asks for a name instead of
// overwriting the file that was open before.
void ForgetConfigFile();

}  // namespace basFunctions
