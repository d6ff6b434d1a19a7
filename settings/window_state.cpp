#include "settings/window_state.h"

#include "settings/control_tree.h"

namespace veralith::settings {

void SaveFormBounds(const std::string& fileName, const std::string& section, QWidget* form)
{
    IniFile file(fileName);
    SaveBounds(file, section, form);
}

void RestoreFormBounds(const std::string& fileName, const std::string& section, QWidget* form)
{
    const IniFile file(fileName);
    RestoreBounds(file, section, form);
}

void SavePanel(const std::string& fileName, const std::string& section, QWidget* container)
{
    IniFile file(fileName);
    SaveControlTree(file, section, container);
}

void RestorePanel(const std::string& fileName, const std::string& section, QWidget* container)
{
    const IniFile file(fileName);
    RestoreControlTree(file, section, container);
}

void RestoreMainFormBounds(QWidget* mainForm)
{
    RestoreFormBounds(SettingsFileName(), kSettingsSection, mainForm);
}

void SaveMainFormBounds(QWidget* mainForm)
{
    SaveFormBounds(SettingsFileName(), kSettingsSection, mainForm);
}

void RestorePanelSettings(QWidget* panel)
{
    RestorePanel(SettingsFileName(), kSettingsSection, panel);
}

void SavePanelSettings(QWidget* panel)
{
    SavePanel(SettingsFileName(), kSettingsSection, panel);
}

void RestoreWindowState(QWidget* mainForm, QWidget* panelSettings, QWidget* panelControl)
{
    RestoreMainFormBounds(mainForm);
    RestorePanelSettings(panelSettings);
    RestorePanelSettings(panelControl);
}

void SaveWindowState(QWidget* mainForm, QWidget* panelSettings, QWidget* panelControl)
{
    SaveMainFormBounds(mainForm);
    SavePanelSettings(panelSettings);
    SavePanelSettings(panelControl);
}

} // namespace veralith::settings
