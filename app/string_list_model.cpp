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
        std::vector<std::uint32_t> order = m_order.Flatten();
        SortOrder(order);
        beginResetModel();
        m_order.Assign(order);
        endResetModel();
    }
}

const StringListModel::Entry& StringListModel::EntryAt(int row) const
{
    if (row < 0 || row >= Count()) {
        throw std::out_of_range(
            "list index " + std::to_string(row) + " out of bounds (" + std::to_string(Count()) + " entries)");
    }
    return m_pool[m_order.at(static_cast<std::size_t>(row))];
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
    const std::size_t count = m_order.size();
    if (count == 0 || util::CompareTextsForSorting(m_pool[m_order.at(count - 1)].text, text) <= 0) {
        return Count();
    }
    // The first row whose text sorts after text (the last row does).
    std::size_t low = 0;
    std::size_t high = count - 1;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (util::CompareTextsForSorting(text, m_pool[m_order.at(middle)].text) < 0) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return static_cast<int>(low);
}

void StringListModel::SortOrder(std::vector<std::uint32_t>& order) const
{
    std::stable_sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) {
        return util::CompareTextsForSorting(m_pool[a].text, m_pool[b].text) < 0;
    });
}

void StringListModel::ReservePool(std::size_t more)
{
    if (m_pool.size() + more > std::numeric_limits<std::uint32_t>::max()) {
        throw std::length_error("list is full");
    }
    // Geometric growth, so that adding entries one by one stays amortised
    // constant time; reserving before a change keeps a failed allocation from
    // leaving the pool and the order out of step.
    if (m_pool.capacity() - m_pool.size() < more) {
        m_pool.reserve(std::max(m_pool.size() + more, m_pool.capacity() * 2));
    }
}

std::uint32_t StringListModel::AddToPool(std::string text, std::int32_t value)
{
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
    ReservePool(1);
    beginInsertRows(QModelIndex(), row, row);
    m_order.insert(static_cast<std::size_t>(row), AddToPool(std::move(text), value));
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
    std::vector<std::uint32_t> order = m_order.Flatten();
    const std::size_t oldCount = order.size();
    order.reserve(oldCount + list.Count());
    ReservePool(list.Count());
    beginResetModel();
    for (const util::StringListEntry& entry : list) {
        order.push_back(AddToPool(entry.text, entry.value));
    }
    if (m_sorted) {
        // The new entries sorted among themselves, then merged after equal
        // present ones: the same order as adding them one by one.
        const auto middle = order.begin() + static_cast<std::ptrdiff_t>(oldCount);
        const auto less = [this](std::uint32_t a, std::uint32_t b) {
            return util::CompareTextsForSorting(m_pool[a].text, m_pool[b].text) < 0;
        };
        std::stable_sort(middle, order.end(), less);
        std::inplace_merge(order.begin(), middle, order.end(), less);
    }
    m_order.Assign(order);
    endResetModel();
}

void StringListModel::Clear()
{
    if (m_order.empty() && m_pool.empty()) {
        return;
    }
    beginResetModel();
    m_order.clear();
    m_pool.clear();
    m_pool.shrink_to_fit();
    endResetModel();
}

int StringListModel::IndexOf(std::string_view text) const
{
    int row = 0;
    int found = -1;
    m_order.ForEach([&](std::uint32_t slot) {
        if (found < 0 && util::SameTextIgnoreCase(m_pool[slot].text, text)) {
            found = row;
        }
        ++row;
    });
    return found;
}

std::vector<std::string> StringListModel::Texts() const
{
    std::vector<std::string> texts;
    texts.reserve(m_order.size());
    m_order.ForEach([&](std::uint32_t slot) { texts.push_back(m_pool[slot].text); });
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
    case kValueRole:
        return QVariant::fromValue(entry.value);
    default:
        return {};
    }
}

} // namespace veralith::app
