// The tree, container, class and attribute the user left selected: brought
// back at start-up through the same handlers as the user's own choices, and
// never overwritten by the absence of a choice.

#include "app/main_form.h"
#include "app/qt_text.h"
#include "directory/directory.h"
#include "settings/settings_file.h"
#include "settings/window_state.h"

#include <optional>
#include <vector>

#include <QLineEdit>

namespace veralith::app {

namespace {

std::optional<std::string> SavedText(const settings::IniFile& file, const QWidget* control)
{
    const std::string key = control->objectName().toStdString();
    if (!file.ValueExists(settings::kSettingsSection, key)) {
        return std::nullopt;
    }
    return settings::ReadTextKey(file, settings::kSettingsSection, key, "");
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string JoinNotes(const std::vector<std::string>& notes)
{
    std::string text;
    for (const std::string& note : notes) {
        text += (text.empty() ? "" : "; ") + note;
    }
    return text;
}

} // namespace

void TMainForm::ApplySavedChoices()
{
    // What the program works on before the settings are read, and what the
    // user left behind.
    const std::string workingTree = ComboBoxTrees->Text();
    const std::string workingClass = ComboBoxClasses->Text();
    const std::string workingAttribute = ComboBoxAttributes->Text();
    std::optional<std::string> tree;
    std::optional<std::string> container;
    std::optional<std::string> className;
    std::optional<std::string> attribute;
    {
        const settings::IniFile file(settings::SettingsFileName());
        tree = SavedText(file, ComboBoxTrees);
        container = SavedText(file, EditCurrentContainer);
        className = SavedText(file, ComboBoxClasses);
        attribute = SavedText(file, ComboBoxAttributes);
    }

    settings::RestoreWindowState(this, PanelSettings, PanelControl);

    // The walk above selects saved entries in the boxes without telling the
    // program; the boxes go back to what it works on, and the saved choices
    // are made below the way a user makes them.
    ComboBoxTrees->SetItemIndex(ComboBoxTrees->Items().IndexOf(workingTree));
    ComboBoxClasses->SetItemIndex(ComboBoxClasses->Items().IndexOf(workingClass));
    ComboBoxAttributes->SetItemIndex(ComboBoxAttributes->Items().IndexOf(workingAttribute));

    std::map<std::string, std::string> kept;
    const auto keep = [&kept](const QWidget* control, const std::optional<std::string>& value) {
        if (value) {
            kept[control->objectName().toStdString()] = *value;
        }
    };
    const auto finish = [&] { m_keptChoices = std::move(kept); };

    if (m_navigationContext.get() == client::kNoContext || ComboBoxTrees->Items().Count() == 0) {
        keep(ComboBoxTrees, tree);
        keep(EditCurrentContainer, container);
        keep(ComboBoxClasses, className);
        keep(ComboBoxAttributes, attribute);
        finish();
        return;
    }

    std::vector<std::string> notes;
    if (tree && !tree->empty()) {
        const int row = ComboBoxTrees->Items().IndexOf(*tree);
        if (row < 0) {
            notes.push_back("Saved tree " + Quoted(*tree) + " not found, showing " + Quoted(workingTree));
            // The other choices belong to that tree.
            keep(ComboBoxTrees, tree);
            keep(EditCurrentContainer, container);
            keep(ComboBoxClasses, className);
            keep(ComboBoxAttributes, attribute);
            SetStatusText(JoinNotes(notes));
            finish();
            return;
        }
        if (row != ComboBoxTrees->ItemIndex()) {
            ComboBoxTrees->SetItemIndex(row);
            ChangeTree();
        }
    }

    if (container && !container->empty() && *container != m_currentContainer) {
        const bool exists =
            *container == "[Root]" || !directory::ReadObjectBaseClass(m_navigationContext.get(), *container).empty();
        if (exists && directory::SetNameContext(m_navigationContext.get(), *container) == 0) {
            GetContainerInfo();
        } else {
            notes.push_back(
                "Saved container " + Quoted(*container) + " not found, showing " + Quoted(m_currentContainer));
            keep(EditCurrentContainer, container);
        }
    }

    if (className) {
        const int row = ComboBoxClasses->Items().IndexOf(*className);
        if (row < 0) {
            notes.push_back(
                "Saved class " + Quoted(*className) + " not found, showing " + Quoted(ComboBoxClasses->Text()));
            keep(ComboBoxClasses, className);
        } else if (row != ComboBoxClasses->ItemIndex()) {
            ComboBoxClasses->SetItemIndex(row);
            ComboBoxClassesChange();
        }
    }

    if (attribute && !attribute->empty()) {
        const int row = ComboBoxAttributes->Items().IndexOf(*attribute);
        if (row < 0) {
            const std::string shown = ComboBoxAttributes->Text();
            notes.push_back("Saved attribute " + Quoted(*attribute) + " not found for class " +
                Quoted(ComboBoxClasses->Text()) + (shown.empty() ? "" : ", showing " + Quoted(shown)));
            keep(ComboBoxAttributes, attribute);
        } else {
            ComboBoxAttributes->SetItemIndex(row);
        }
    }

    if (!notes.empty()) {
        SetStatusText(JoinNotes(notes));
    }
    finish();
}

void TMainForm::WriteKeptChoices()
{
    if (m_keptChoices.empty()) {
        return;
    }
    settings::IniFile file(settings::SettingsFileName());
    for (const auto& [key, value] : m_keptChoices) {
        settings::WriteTextIfChanged(file, settings::kSettingsSection, key, settings::ProtectText(value));
    }
}

} // namespace veralith::app
