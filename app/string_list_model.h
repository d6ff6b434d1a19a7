#pragma once

// The entries of a list box or a drop-down list: texts, each with one 32-bit
// value, kept in the order they were added or sorted.
//
// Sorted order is the program's one text ordering (util::CompareTextsForSorting:
// ASCII case folded, then the user's collation). Equal texts keep the order in
// which they arrived. Insert places an entry at a given position whatever the
// sorting, which is how a navigation entry stays on top of a sorted listing and
// an empty entry stays first in a sorted combo box.
//
// The model holds 100,000 entries and more: entries live in an append-only pool
// and the row order is a chunked sequence of 32-bit pool indexes (RowOrder), so
// a sorted insertion is a bisection and a short move wherever it lands, and
// entries that arrive in order (the directory's replies do) are appended.
// AddAll inserts a whole list with one sort and one model reset.

#include "app/row_order.h"
#include "util/string_list.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <QAbstractListModel>

namespace veralith::app {

class StringListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    // The role under which data() gives an entry's 32-bit value.
    static constexpr int kValueRole = Qt::UserRole;

    explicit StringListModel(QObject* parent = nullptr);

    // Whether Add inserts at the sorted position. Switching sorting on sorts the
    // present entries (stable); switching it off keeps their order.
    bool Sorted() const { return m_sorted; }
    void SetSorted(bool sorted);

    int Count() const { return static_cast<int>(m_order.size()); }

    // Entry access; row must be in 0..Count()-1 (throws std::out_of_range).
    const std::string& TextAt(int row) const;
    std::int32_t ValueAt(int row) const;

    // Adds an entry: at its sorted position (after any equal texts) when
    // sorted, else at the end. Returns its row.
    int Add(std::string text, std::int32_t value = 0);

    // Inserts an entry at row (0..Count()), whatever the sorting. Throws
    // std::out_of_range for a row outside that range.
    void Insert(int row, std::string text, std::int32_t value = 0);

    // Adds every entry of list as Add would, with one model reset.
    void AddAll(const util::StringList& list);

    void Clear();

    // Row of the first entry whose text equals text ignoring ASCII letter case;
    // -1 when none.
    int IndexOf(std::string_view text) const;

    // The texts in row order.
    std::vector<std::string> Texts() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    struct Entry
    {
        std::string text;
        std::int32_t value = 0;
    };

    const Entry& EntryAt(int row) const;
    // Row at which a text is inserted in sorted order (after equal texts).
    int SortedRow(std::string_view text) const;
    void SortOrder(std::vector<std::uint32_t>& order) const;
    // Makes room for more entries in the pool.
    void ReservePool(std::size_t more);
    std::uint32_t AddToPool(std::string text, std::int32_t value);

    std::vector<Entry> m_pool;
    RowOrder m_order;
    bool m_sorted = false;
};

} // namespace veralith::app
