#pragma once

// The window under test: started on the test trees (tests/data/window-*.json)
// with scripted dialogs, driven through its widgets offscreen.

#include "app/main_form.h"
#include "client/client.h"
#include "directory/startup.h"
#include "scripted_dialogs.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include <QTemporaryDir>
#include <QTest>

namespace veralith::app::testing {

inline std::string TestDataFile(const std::string& name)
{
    const QByteArray root = qgetenv("VERALITH_SOURCE_DIR");
    return (root.isEmpty() ? std::string(VERALITH_TEST_SOURCE_DIR) : root.toStdString()) + "/tests/data/" + name;
}

class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_settingsDir.isValid());
        // Each test its own settings file, never /etc or the home folder.
        qputenv("VERALITH_SYSTEM_DIR", m_settingsDir.path().toLocal8Bit());
        m_contextsBefore = client::GetClientResourceCounts().contexts;
    }

    void TearDown() override
    {
        m_form.reset();
        EXPECT_EQ(client::GetClientResourceCounts().contexts, m_contextsBefore) << "the window left a context open";
    }

    // Starts the client afresh on these tree sources and creates the window.
    void Start(std::vector<std::string> sources = {TestDataFile("window-alpha.json"), TestDataFile("window-beta.json")})
    {
        client::SetTreeSources(std::move(sources));
        directory::ResetNetWareStartupForTesting();
        m_form = std::make_unique<TMainForm>(m_dialogs);
    }

    // Shows the window on a page, so that its lists have geometry for clicks.
    void ShowPage(QWidget* page)
    {
        m_form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
        m_form->PageControl->setCurrentWidget(page);
        QCoreApplication::processEvents();
    }

    // The user picks a row of a drop-down list with the keyboard.
    static void UserSelect(ComboBox* combo, int row)
    {
        ASSERT_GT(combo->Items().Count(), 1);
        if (row > 0) {
            combo->SetItemIndex(row - 1);
            QTest::keyClick(combo, Qt::Key_Down);
        } else {
            combo->SetItemIndex(1);
            QTest::keyClick(combo, Qt::Key_Up);
        }
        ASSERT_EQ(combo->ItemIndex(), row);
    }

    static QPoint RowCenter(ListBox* list, int row)
    {
        const QModelIndex index = list->Items().index(row);
        list->scrollTo(index);
        return list->visualRect(index).center();
    }

    static void UserDoubleClick(ListBox* list, const std::string& entry)
    {
        const int row = list->Items().IndexOf(entry);
        ASSERT_GE(row, 0) << entry;
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, RowCenter(list, row));
    }

    static void UserClick(ListBox* list, int row)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowCenter(list, row));
    }

    static std::vector<std::string> Entries(const ListBox* list) { return list->Items().Texts(); }

    QTemporaryDir m_settingsDir;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<TMainForm> m_form;
    std::size_t m_contextsBefore = 0;
};

} // namespace veralith::app::testing
