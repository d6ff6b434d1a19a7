// The list model under the window's list boxes and drop-down lists, the two
// list controls' change events, and the list file writer.

#include "app/list_controls.h"
#include "app/list_file.h"
#include "app/row_order.h"
#include "app/string_list_model.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace veralith::app {
namespace {

using Texts = std::vector<std::string>;

std::vector<std::int32_t> Values(const StringListModel& model)
{
    std::vector<std::int32_t> values;
    for (int row = 0; row < model.Count(); ++row) {
        values.push_back(model.ValueAt(row));
    }
    return values;
}

struct SortedCase
{
    const char* name;
    Texts added;
    Texts expected;
};

class SortedInsertion : public ::testing::TestWithParam<SortedCase>
{
};

TEST_P(SortedInsertion, AddPlacesEveryEntryInCaseInsensitiveOrder)
{
    StringListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.SetSorted(true);
    for (const std::string& text : GetParam().added) {
        model.Add(text);
    }
    EXPECT_EQ(model.Texts(), GetParam().expected);
}

TEST_P(SortedInsertion, AddAllGivesTheSameOrderAsAddingOneByOne)
{
    StringListModel one;
    StringListModel all;
    QAbstractItemModelTester tester(&all, QAbstractItemModelTester::FailureReportingMode::Fatal);
    one.SetSorted(true);
    all.SetSorted(true);
    // Half before, half in one batch: the batch is merged into present entries.
    const Texts& added = GetParam().added;
    util::StringList batch;
    for (std::size_t i = 0; i < added.size(); ++i) {
        one.Add(added[i], static_cast<std::int32_t>(i));
        if (i < added.size() / 2) {
            all.Add(added[i], static_cast<std::int32_t>(i));
        } else {
            batch.Add(added[i], static_cast<std::int32_t>(i));
        }
    }
    all.AddAll(batch);
    EXPECT_EQ(all.Texts(), GetParam().expected);
    EXPECT_EQ(Values(all), Values(one));
}

INSTANTIATE_TEST_SUITE_P(Cases, SortedInsertion,
    ::testing::Values(SortedCase {"Empty", {}, {}}, SortedCase {"One", {"Staff"}, {"Staff"}},
        SortedCase {"CaseIgnored", {"staff", "Archive", "beta", "Zeta", "alpha"},
            {"alpha", "Archive", "beta", "staff", "Zeta"}},
        SortedCase {"EqualTextsKeepArrivalOrder", {"b", "A", "B", "a"}, {"A", "a", "b", "B"}},
        SortedCase {"EmptyTextFirst", {"User", "", "Group"}, {"", "Group", "User"}},
        SortedCase {"PrefixBeforeLonger", {"Sales2", "Sales", "Sale"}, {"Sale", "Sales", "Sales2"}},
        SortedCase {"InOrderArrival", {"a", "b", "c", "d"}, {"a", "b", "c", "d"}},
        SortedCase {"ReverseArrival", {"d", "c", "b", "a"}, {"a", "b", "c", "d"}}),
    [](const ::testing::TestParamInfo<SortedCase>& info) { return std::string(info.param.name); });

TEST(StringListModel, InsertKeepsAnEntryOnTopOfASortedList)
{
    StringListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.SetSorted(true);
    model.Add("Staff");
    model.Add("Archive");
    model.Insert(0, "[ .. ]");
    model.Add("Zulu");
    model.Add("Beta");
    EXPECT_EQ(model.Texts(), (Texts {"[ .. ]", "Archive", "Beta", "Staff", "Zulu"}));
    model.Insert(0, "");
    EXPECT_EQ(model.TextAt(0), "");
    EXPECT_THROW(model.Insert(model.Count() + 1, "x"), std::out_of_range);
    EXPECT_THROW(model.Insert(-1, "x"), std::out_of_range);
}

TEST(StringListModel, UnsortedKeepsArrivalOrderAndSortingOnSortsStably)
{
    StringListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (const char* text : {"c", "B", "a", "b"}) {
        model.Add(text);
    }
    EXPECT_EQ(model.Texts(), (Texts {"c", "B", "a", "b"}));
    model.SetSorted(true);
    EXPECT_EQ(model.Texts(), (Texts {"a", "B", "b", "c"}));
    model.SetSorted(false);
    model.Add("A");
    EXPECT_EQ(model.Texts(), (Texts {"a", "B", "b", "c", "A"}));
}

TEST(StringListModel, EachEntryKeepsItsValueAndDataGivesTextAndValue)
{
    StringListModel model;
    model.SetSorted(true);
    model.Add("User", 2);
    model.Add("acmeAux", 0x22);
    model.Add("Group", -1);
    EXPECT_EQ(model.Texts(), (Texts {"acmeAux", "Group", "User"}));
    EXPECT_EQ(Values(model), (std::vector<std::int32_t> {0x22, -1, 2}));
    EXPECT_EQ(model.data(model.index(1), Qt::DisplayRole).toString(), QStringLiteral("Group"));
    EXPECT_EQ(model.data(model.index(1), StringListModel::kValueRole).toInt(), -1);
    EXPECT_FALSE(model.data(model.index(3), Qt::DisplayRole).isValid());
    EXPECT_THROW(model.TextAt(3), std::out_of_range);
    EXPECT_THROW(model.ValueAt(-1), std::out_of_range);
}

TEST(StringListModel, IndexOfIsExactButIgnoresLetterCase)
{
    StringListModel model;
    for (const char* text : {"", "GUID", "Given Name", "guid"}) {
        model.Add(text);
    }
    EXPECT_EQ(model.IndexOf("guid"), 1);
    EXPECT_EQ(model.IndexOf("GIVEN NAME"), 2);
    EXPECT_EQ(model.IndexOf(""), 0);
    EXPECT_EQ(model.IndexOf("GUI"), -1);
    EXPECT_EQ(model.IndexOf("GUID "), -1);
    model.Clear();
    EXPECT_EQ(model.IndexOf(""), -1);
    EXPECT_EQ(model.Count(), 0);
}

TEST(StringListModel, HoldsOneHundredThousandEntriesInRandomArrivalSorted)
{
    constexpr int kCount = 100'000;
    std::vector<int> numbers(kCount);
    std::iota(numbers.begin(), numbers.end(), 0);
    std::mt19937 random(42);
    std::shuffle(numbers.begin(), numbers.end(), random);

    StringListModel model;
    model.SetSorted(true);
    for (int number : numbers) {
        char text[16];
        std::snprintf(text, sizeof text, "cn%06d", number);
        model.Add(text, number);
    }
    ASSERT_EQ(model.Count(), kCount);
    for (int row = 0; row < kCount; ++row) {
        ASSERT_EQ(model.ValueAt(row), row);
    }
    EXPECT_EQ(model.TextAt(kCount - 1), "cn099999");
}

TEST(RowOrder, InsertionsAnywhereMatchAPlainVectorAcrossChunkSplits)
{
    RowOrder order;
    std::vector<std::uint32_t> reference;
    std::mt19937 random(3);
    for (std::uint32_t value = 0; value < 20'000; ++value) {
        // Mostly at random rows, sometimes at the ends.
        std::size_t row = random() % (reference.size() + 1);
        if (value % 7 == 0) {
            row = reference.size();
        } else if (value % 11 == 0) {
            row = 0;
        }
        order.insert(row, value);
        reference.insert(reference.begin() + static_cast<std::ptrdiff_t>(row), value);
    }
    ASSERT_EQ(order.size(), reference.size());
    EXPECT_EQ(order.Flatten(), reference);
    for (std::size_t row = 0; row < reference.size(); row += 997) {
        EXPECT_EQ(order.at(row), reference[row]);
    }
    EXPECT_THROW(order.at(reference.size()), std::out_of_range);
    EXPECT_THROW(order.insert(reference.size() + 1, 0), std::out_of_range);

    order.Assign({5, 6, 7});
    order.insert(1, 9);
    EXPECT_EQ(order.Flatten(), (std::vector<std::uint32_t> {5, 9, 6, 7}));
    order.clear();
    EXPECT_TRUE(order.empty());
    order.insert(0, 1);
    EXPECT_EQ(order.at(0), 1u);
}

TEST(ListBox, ItemIndexFollowsTheProgramWithoutAClickEvent)
{
    ListBox list(QStringLiteral("ListBoxTest"));
    EXPECT_EQ(list.objectName(), QStringLiteral("ListBoxTest"));
    for (const char* text : {"one", "two", "three"}) {
        list.Items().Add(text);
    }
    QSignalSpy clicks(&list, &ListBox::Click);
    EXPECT_EQ(list.ItemIndex(), -1);
    list.SetItemIndex(2);
    EXPECT_EQ(list.ItemIndex(), 2);
    list.SetItemIndex(3);
    EXPECT_EQ(list.ItemIndex(), -1);
    list.SetItemIndex(1);
    list.SetItemIndex(-1);
    EXPECT_EQ(list.ItemIndex(), -1);
    EXPECT_EQ(clicks.count(), 0);
}

TEST(ListBox, UserClickAndKeyRaiseClickAndDoubleClickRaisesDblClick)
{
    ListBox list(QStringLiteral("ListBoxTest"));
    for (const char* text : {"one", "two", "three"}) {
        list.Items().Add(text);
    }
    list.resize(200, 200);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QSignalSpy clicks(&list, &ListBox::Click);
    QSignalSpy doubleClicks(&list, &ListBox::DblClick);

    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(list.Items().index(1)).center());
    EXPECT_EQ(list.ItemIndex(), 1);
    EXPECT_EQ(clicks.count(), 1);
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(list.ItemIndex(), 2);
    EXPECT_EQ(clicks.count(), 2);
    QTest::keyClick(&list, Qt::Key_Down); // already at the end: no change, no event
    EXPECT_EQ(clicks.count(), 2);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(list.Items().index(0)).center());
    EXPECT_EQ(list.ItemIndex(), 0);
    EXPECT_EQ(doubleClicks.count(), 1);
}

TEST(ComboBox, ProgramSelectionRaisesNoChangeButTheUsersDoes)
{
    ComboBox combo(QStringLiteral("ComboBoxTest"));
    combo.Items().SetSorted(true);
    util::StringList entries;
    entries.Add("User", 2);
    entries.Add("Group", 3);
    combo.Items().AddAll(entries);
    combo.Items().Insert(0, "");
    QSignalSpy changes(&combo, &ComboBox::Change);

    combo.SetItemIndex(combo.Items().IndexOf("user"));
    EXPECT_EQ(combo.Text(), "User");
    EXPECT_EQ(combo.SelectedValue(), 2);
    combo.SetItemIndex(7);
    EXPECT_EQ(combo.ItemIndex(), -1);
    EXPECT_EQ(combo.Text(), "");
    EXPECT_EQ(combo.SelectedValue(), 0);
    EXPECT_EQ(changes.count(), 0);

    combo.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&combo));
    combo.SetItemIndex(1);
    QTest::keyClick(&combo, Qt::Key_Down);
    EXPECT_EQ(combo.Text(), "User");
    EXPECT_EQ(changes.count(), 1);
}

class ListFile : public ::testing::Test
{
protected:
    QByteArray Read(const QString& path)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }
    QTemporaryDir m_dir;
};

TEST_F(ListFile, WritesEveryLineEndedByCrLf)
{
    const QString path = m_dir.filePath(QStringLiteral("list.txt"));
    const util::Status written = WriteLinesToFile(path, {"a", "", "b\r\nc", "\xC3\xA4"});
    ASSERT_TRUE(written) << written.Reason();
    EXPECT_EQ(Read(path), QByteArray("a\r\n\r\nb\r\nc\r\n\xC3\xA4\r\n"));
}

TEST_F(ListFile, NoLinesGiveAnEmptyFileReplacingAnOldOne)
{
    const QString path = m_dir.filePath(QStringLiteral("list.txt"));
    ASSERT_TRUE(WriteLinesToFile(path, {"old"}));
    const util::Status emptied = WriteLinesToFile(path, {});
    ASSERT_TRUE(emptied) << emptied.Reason();
    EXPECT_EQ(Read(path), QByteArray());
}

TEST_F(ListFile, AFailedWriteNamesTheFileAndLeavesNoFile)
{
    const QString path = m_dir.filePath(QStringLiteral("missing/list.txt"));
    const util::Status written = WriteLinesToFile(path, {"a"});
    EXPECT_FALSE(written);
    const std::string& error = written.Reason();
    EXPECT_NE(error.find("Cannot write file \"" + path.toStdString() + "\": "), std::string::npos) << error;
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

TEST_F(ListFile, AFolderInTheWayKeepsItsPlaceAndItsContent)
{
    const QString path = m_dir.filePath(QStringLiteral("taken"));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("taken")));
    QFile inside(m_dir.filePath(QStringLiteral("taken/keep.txt")));
    ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
    inside.write("keep");
    inside.close();
    const util::Status written = WriteLinesToFile(path, {"a"});
    EXPECT_FALSE(written);
    EXPECT_FALSE(written.Reason().empty());
    EXPECT_EQ(Read(inside.fileName()), QByteArray("keep"));
}

} // namespace
} // namespace veralith::app
