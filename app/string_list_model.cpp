#include "app/string_list_model.h"

#include "app/qt_text.h"
#include "util/collate.h"
#include "util/text.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace veralith::app {

StringListModel::StringListModel(QObject* parent)
    : QAbstractListModel(parent)
{ }

void StringListModel::SetSorted(bool sorted)
{
    if (sorted == m_sorted) {
        return;
    }
    m_sorted = sorted;
    if (sorted && m_order.size() > 1) {
        beginResetModel();
        SortOrder();
        endResetModel();
    }
}

const StringListModel::Entry& StringListModel::EntryAt(int row) const
{
    if (row < 0 || row >= Count()) {
        throw std::out_of_range(
            "list index " + std::to_string(row) + " out of bounds (" + std::to_string(Count()) + " entries)");
    }
    return m_pool[m_order[static_cast<std::size_t>(row)]];
}

const std::string& StringListModel::TextAt(int row) const
{
    return EntryAt(row).text;
}

std::int32_t StringListModel::ValueAt(int row) const
{
    return EntryAt(row).value;
}

int StringListModel::SortedRow(std::string_view text) const
{
    // Entries mostly arrive in order: try the end first.
    if (m_order.empty() || util::CompareTextsForSorting(m_pool[m_order.back()].text, text) <= 0) {
        return Count();
    }
    const auto it =
        std::upper_bound(m_order.begin(), m_order.end(), text, [this](std::string_view key, std::uint32_t slot) {
            return util::CompareTextsForSorting(key, m_pool[slot].text) < 0;
        });
    return static_cast<int>(it - m_order.begin());
}

void StringListModel::SortOrder()
{
    std::stable_sort(m_order.begin(), m_order.end(), [this](std::uint32_t a, std::uint32_t b) {
        return util::CompareTextsForSorting(m_pool[a].text, m_pool[b].text) < 0;
    });
}

std::uint32_t StringListModel::AddToPool(std::string text, std::int32_t value)
{
    if (m_pool.size() >= std::numeric_limits<std::uint32_t>::max()) {
        throw std::length_error("list is full");
    }
    m_pool.push_back(Entry {std::move(text), value});
    return static_cast<std::uint32_t>(m_pool.size() - 1);
}

int StringListModel::Add(std::string text, std::int32_t value)
{
    const int row = m_sorted ? SortedRow(text) : Count();
    Insert(row, std::move(text), value);
    return row;
}

void StringListModel::Insert(int row, std::string text, std::int32_t value)
{
    if (row < 0 || row > Count()) {
        throw std::out_of_range(
            "list index " + std::to_string(row) + " out of bounds (" + std::to_string(Count()) + " entries)");
    }
    // Room for the new row before the entry goes to the pool, so that the
    // insertion below cannot fail halfway; grown geometrically, so that
    // appending n rows one by one costs O(n), not O(n^2).
    if (m_order.size() == m_order.capacity()) {
        m_order.reserve(std::max<std::size_t>(16, 2 * m_order.capacity()));
    }
    const std::uint32_t slot = AddToPool(std::move(text), value);
    beginInsertRows(QModelIndex(), row, row);
    m_order.insert(m_order.begin() + row, slot);
    endInsertRows();
}

void StringListModel::AddAll(const util::StringList& list)
{
    if (list.Empty()) {
        return;
    }
    if (list.Count() == 1) {
        Add(list.TextAt(0), list.ValueAt(0));
        return;
    }
    beginResetModel();
    const std::size_t oldCount = m_order.size();
    m_order.reserve(oldCount + list.Count());
    m_pool.reserve(m_pool.size() + list.Count());
    for (const util::StringListEntry& entry : list) {
        m_order.push_back(AddToPool(entry.text, entry.value));
    }
    if (m_sorted) {
        // The new entries sorted among themselves, then merged after equal
        // present ones: the same order as adding them one by one.
        const auto middle = m_order.begin() + static_cast<std::ptrdiff_t>(oldCount);
        const auto less = [this](std::uint32_t a, std::uint32_t b) {
            return util::CompareTextsForSorting(m_pool[a].text, m_pool[b].text) < 0;
        };
        std::stable_sort(middle, m_order.end(), less);
        std::inplace_merge(m_order.begin(), middle, m_order.end(), less);
    }
    endResetModel();
}

void StringListModel::Clear()
{
    if (m_order.empty() && m_pool.empty()) {
        return;
    }
    beginResetModel();
    m_order.clear();
    m_order.shrink_to_fit();
    m_pool.clear();
    m_pool.shrink_to_fit();
    endResetModel();
}

int StringListModel::IndexOf(std::string_view text) const
{
    for (std::size_t row = 0; row < m_order.size(); ++row) {
        if (util::SameTextIgnoreCase(m_pool[m_order[row]].text, text)) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

std::vector<std::string> StringListModel::Texts() const
{
    std::vector<std::string> texts;
    texts.reserve(m_order.size());
    for (std::uint32_t slot : m_order) {
        texts.push_back(m_pool[slot].text);
    }
    return texts;
}

int StringListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

QVariant StringListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const Entry& entry = EntryAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return ToQString(entry.text);
    case ValueRole:
        return QVariant::fromValue(entry.value);
    default:
        return {};
    }
}

} // namespace veralith::app
