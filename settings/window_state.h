#pragma once

// The entry points the main window calls when it is shown and when it closes, and
// the file-level operations behind them. Each file-level operation opens the named
// settings file, runs one walk on it and closes it; every entry point computes the
// settings file name afresh (SettingsFileName) and uses the section "Settings".

#include <string>

class QWidget;

namespace veralith::settings {

// SaveBounds / RestoreBounds of the form on the named file. Never raise.
void SaveFormBounds(const std::string& fileName, const std::string& section, QWidget* form);
void RestoreFormBounds(const std::string& fileName, const std::string& section, QWidget* form);

// SaveControlTree / RestoreControlTree of the container on the named file. Save
// raises IniFileError when the file refuses a write; restore never raises.
void SavePanel(const std::string& fileName, const std::string& section, QWidget* container);
void RestorePanel(const std::string& fileName, const std::string& section, QWidget* container);

// The main window's bounds, stored under its objectName ("MainForm.Top", …).
void RestoreMainFormBounds(QWidget* mainForm);
void SaveMainFormBounds(QWidget* mainForm);
// The states of the controls inside one settings panel.
void RestorePanelSettings(QWidget* panel);
// Raises IniFileError when the settings file refuses a write.
void SavePanelSettings(QWidget* panel);

// The show-time sequence: RestoreMainFormBounds(mainForm), then
// RestorePanelSettings of panelSettings, then of panelControl.
void RestoreWindowState(QWidget* mainForm, QWidget* panelSettings, QWidget* panelControl);
// The close-time sequence: SaveMainFormBounds(mainForm), then SavePanelSettings of
// panelSettings, then of panelControl. An IniFileError of a panel ends the sequence
// and passes to the caller.
void SaveWindowState(QWidget* mainForm, QWidget* panelSettings, QWidget* panelControl);

} // namespace veralith::settings
