// SortKey must order and match exactly as util::CompareTextsForSorting does,
// in every locale: the sorted object list and the duplicate list rely on it.

#include "app/run/sort_key.h"
#include "util/collate.h"

#include <algorithm>
#include <clocale>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace veralith::app {
namespace {

// Restores the collation locale on every path.
class CollationLocale
{
public:
    explicit CollationLocale(const char* name)
        : m_previous(std::setlocale(LC_COLLATE, nullptr))
        , m_active(std::setlocale(LC_COLLATE, name) != nullptr)
    { }
    ~CollationLocale() { std::setlocale(LC_COLLATE, m_previous.c_str()); }
    bool Active() const { return m_active; }

private:
    std::string m_previous;
    bool m_active;
};

std::vector<std::string> RandomTexts(std::size_t count)
{
    // Letters in both cases, blanks and punctuation, a NUL byte, UTF-8
    // letters with and without accents: the bytes whose order differs
    // between byte order and collations.
    const std::vector<std::string> pieces {"a", "A", "b", "B", "z", "Z", " ", "-", ".", "1", "9", std::string(1, '\0'),
        "\xC3\xA9", "\xC3\x89", "e", "E", "\xC3\xB6", "o", "O", "ss", "\xC3\x9F"};
    std::mt19937 random(20061130);
    std::vector<std::string> texts {"", "a", "A", std::string(1, '\0')};
    while (texts.size() < count) {
        std::string text;
        const std::size_t length = random() % 6;
        for (std::size_t i = 0; i < length; ++i) {
            text += pieces[random() % pieces.size()];
        }
        texts.push_back(text);
    }
    return texts;
}

TEST(SortKeyTest, ComparesExactlyAsTheProgramsCollation)
{
    const std::vector<std::string> texts = RandomTexts(400);
    int localesTried = 0;
    for (const char* locale : {"C", "C.UTF-8", "en_US.UTF-8", "de_DE.UTF-8"}) {
        CollationLocale collation(locale);
        if (!collation.Active()) {
            continue;
        }
        ++localesTried;
        std::vector<SortKey> keys;
        for (const std::string& text : texts) {
            keys.emplace_back(text);
        }
        for (std::size_t i = 0; i < texts.size(); ++i) {
            for (std::size_t j = 0; j < texts.size(); ++j) {
                ASSERT_EQ(CompareSortKeys(keys[i], keys[j]), util::CompareTextsForSorting(texts[i], texts[j]))
                    << locale << ": \"" << texts[i] << "\" / \"" << texts[j] << "\"";
            }
        }
    }
    EXPECT_GE(localesTried, 2);
}

TEST(SortKeyTest, StableSortOrderMatchesAStableSortByTheProgramsCollation)
{
    CollationLocale collation("en_US.UTF-8");
    for (const std::size_t count : {0u, 1u, 2u, 31u, 32u, 33u, 100u, 1000u, 3000u}) {
        std::vector<std::string> texts = RandomTexts(count + 4);
        texts.resize(count);
        std::vector<SortKey> keys;
        for (const std::string& text : texts) {
            keys.emplace_back(text);
        }
        int paces = 0;
        const std::vector<std::uint32_t> order = StableSortOrder(keys, [&paces] { ++paces; });

        std::vector<std::uint32_t> expected(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            expected[i] = i;
        }
        std::stable_sort(expected.begin(), expected.end(), [&texts](std::uint32_t a, std::uint32_t b) {
            return util::CompareTextsForSorting(texts[a], texts[b]) < 0;
        });
        EXPECT_EQ(order, expected) << count << " texts";
        EXPECT_EQ(StableSortOrder(texts), expected) << count << " texts, sorted as texts";
        if (count > 1000) {
            EXPECT_GT(paces, 50) << "the sort must let the window breathe while it runs";
        }
    }
}

TEST(SortKeyTest, TextsWithoutNulBytesSortAsTheirKeys)
{
    // The texts' own sort keeps folded texts in one block; without NUL bytes
    // it must give the keys' order in every locale.
    std::vector<std::string> texts = RandomTexts(2000);
    std::erase_if(texts, [](const std::string& text) { return text.find('\0') != std::string::npos; });
    ASSERT_GT(texts.size(), 1000u);
    for (const char* locale : {"C", "C.UTF-8", "en_US.UTF-8", "de_DE.UTF-8"}) {
        CollationLocale collation(locale);
        if (!collation.Active()) {
            continue;
        }
        std::vector<SortKey> keys;
        for (const std::string& text : texts) {
            keys.emplace_back(text);
        }
        EXPECT_EQ(StableSortOrder(texts), StableSortOrder(keys)) << locale;
    }
}

} // namespace
} // namespace veralith::app
