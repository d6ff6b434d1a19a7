// Searches told which attributes the reads after them will ask for: the
// same objects, summaries and values as a search that was not told, and no
// request per object for the attributes named.

#include "../client_fixture.h"
#include "client/ldap/ldap_directory.h"
#include "ldap_test_support.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace veralith::client::testing {
namespace {

// What a search and the reads after it deliver for every object found.
struct Answers
{
    std::vector<std::string> names;
    std::map<std::string, std::vector<std::vector<std::string>>> values; // attribute -> values per object
    std::vector<std::string> summaries;
};

std::string SummaryText(const ObjectSummary& s)
{
    std::string text = s.fullName + "|" + s.baseClass + "|" + std::to_string(s.flags) + "|" +
        std::to_string(s.subordinateCount) + "|" + std::to_string(s.creationTime) + "|" +
        std::to_string(s.modificationTime) + "|" + s.aliasedObject;
    for (const std::string& aux : s.auxClasses) {
        text += "|" + aux;
    }
    return text;
}

// A read's result code and each value's syntax and storage bytes.
std::vector<std::string> ReadAnswer(DirContext context, const std::string& object, const std::string& attribute)
{
    std::vector<ReadValue> values;
    std::vector<std::string> answer {std::to_string(ReadValues(context, object, attribute, &values))};
    for (const ReadValue& value : values) {
        answer.push_back(std::to_string(value.syntaxId) + ":" +
            std::string(reinterpret_cast<const char*>(value.storage.data()), value.storage.size()));
    }
    return answer;
}

class LdapSearchReadsTest : public LdapTest
{
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(m_server.Start(AcmeLdif() + ManyUsersLdif(300), &error)) << error;
        ldap::LdapUrl url;
        ASSERT_TRUE(ldap::ParseLdapUrl(m_server.Url(), &url, &error)) << error;
        m_directory = ldap::LdapDirectory::Open(url, ldap::Credentials(), &error);
        ASSERT_TRUE(m_directory) << error;
        StartWithServices({m_directory});
        ASSERT_EQ(DirCreateContext(m_context.Out()), 0);
        UseRootTypeless();
    }

    // Searches the whole tree with the reads named by hint, then reads the
    // attributes of every object found; *searches receives the searches sent
    // for the reads of each attribute.
    Answers SearchAndRead(const std::string& hint, const std::vector<std::string>& attributes,
        std::map<std::string, std::uint64_t>* searches)
    {
        Answers answers;
        EXPECT_EQ(DirSetContext(Context(), DCK_SEARCH_READS, hint.c_str()), 0);
        answers.names = SearchNames(Context(), "Acme", 2, nullptr);
        EXPECT_EQ(DirSetContext(Context(), DCK_SEARCH_READS, ""), 0);
        for (const std::string& attribute : attributes) {
            const std::uint64_t before = m_directory->SearchesSent();
            auto& perObject = answers.values[attribute];
            for (const std::string& name : answers.names) {
                perObject.push_back(ReadAnswer(Context(), name, attribute));
            }
            (*searches)[attribute] = m_directory->SearchesSent() - before;
        }
        for (const std::string& name : answers.names) {
            ObjectSummary summary;
            EXPECT_EQ(m_directory->ReadEntry(name, &summary), 0) << name;
            answers.summaries.push_back(SummaryText(summary));
        }
        return answers;
    }

    std::shared_ptr<ldap::LdapDirectory> m_directory;
};

TEST_F(LdapSearchReadsTest, NamedReadsComeWithTheSearchAndAnswerAsBefore)
{
    const std::vector<std::string> attributes {"mail", "sn", "Object Class", "createTimestamp", "telephoneNumber"};
    std::map<std::string, std::uint64_t> unused;
    const Answers whole = SearchAndRead("", attributes, &unused);
    ASSERT_GT(whole.names.size(), 300u);
    const auto& mails = whole.values.at("mail");
    EXPECT_GE(
        std::count_if(mails.begin(), mails.end(), [](const auto& a) { return a.size() == 2 && a[0] == "0"; }), 300);

    struct Case
    {
        const char* hint;
        std::vector<std::string> fromTheSearch; // read with no further search
        std::vector<std::string> fetchedAhead; // read with one further search
    };
    const Case cases[] = {
        {"mail", {"mail", "Object Class", "createTimestamp"}, {"sn", "telephoneNumber"}},
        {"MAIL", {"mail"}, {"sn"}},
        {"rfc822Mailbox", {"mail"}, {"sn"}},
        {"sn\nmail\n", {"mail", "sn"}, {"telephoneNumber"}},
        {"telephoneNumber", {"telephoneNumber"}, {"mail"}},
        {"noSuchAttribute", {"Object Class"}, {"mail", "sn"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hint);
        std::map<std::string, std::uint64_t> searches;
        const Answers told = SearchAndRead(c.hint, attributes, &searches);
        EXPECT_EQ(told.names, whole.names);
        EXPECT_EQ(told.summaries, whole.summaries);
        for (const std::string& attribute : attributes) {
            EXPECT_EQ(told.values.at(attribute), whole.values.at(attribute)) << attribute;
        }
        for (const std::string& attribute : c.fromTheSearch) {
            EXPECT_EQ(searches.at(attribute), 0u) << attribute;
        }
        for (const std::string& attribute : c.fetchedAhead) {
            EXPECT_EQ(searches.at(attribute), 1u) << attribute;
        }
    }
}

TEST_F(LdapSearchReadsTest, TheKeyIsKeptByCopiesAndBounded)
{
    char text[kNameBufferSize] = {};
    ASSERT_EQ(DirGetContext(Context(), DCK_SEARCH_READS, text), 0);
    EXPECT_STREQ(text, "");
    ASSERT_EQ(DirSetContext(Context(), DCK_SEARCH_READS, "mail\nsn"), 0);
    ScopedContext copy;
    ASSERT_EQ(DirDuplicateContext(Context(), copy.Out()), 0);
    ASSERT_EQ(DirGetContext(copy.get(), DCK_SEARCH_READS, text), 0);
    EXPECT_STREQ(text, "mail\nsn");
    const std::string tooLong(kMaxNameChars + 1, 'a');
    EXPECT_EQ(DirSetContext(Context(), DCK_SEARCH_READS, tooLong.c_str()), ERR_BUFFER_FULL);
    ASSERT_EQ(DirGetContext(Context(), DCK_SEARCH_READS, text), 0);
    EXPECT_STREQ(text, "mail\nsn");
}

// The client asks for the counters of subordinates only where the server's
// schema defines them (a server asked for an attribute it does not know
// looks for it in every entry); where it does, the count comes with a read
// of the entry and with a search that names its reads.
TEST(LdapSubordinateCounts, ServersThatDefineACounterGiveTheCount)
{
    SlapdServer server;
    SlapdOptions options;
    options.schema = "attributetype ( 1.3.6.1.4.1.99999.1.1 NAME 'numSubordinates' EQUALITY integerMatch\n"
                     "  SYNTAX 1.3.6.1.4.1.1466.115.121.1.27 SINGLE-VALUE )\n"
                     "objectclass ( 1.3.6.1.4.1.99999.2.1 NAME 'counted' SUP top AUXILIARY MAY numSubordinates )\n";
    std::string error;
    ASSERT_TRUE(server.Start(AcmeLdif() +
            "dn: ou=Counted,o=Acme\nobjectClass: organizationalUnit\nobjectClass: counted\nou: Counted\n"
            "numSubordinates: 7\n\n",
        &error, options))
        << error;
    ldap::LdapUrl url;
    ASSERT_TRUE(ldap::ParseLdapUrl(server.Url(), &url, &error)) << error;
    const std::shared_ptr<ldap::LdapDirectory> directory = ldap::LdapDirectory::Open(url, ldap::Credentials(), &error);
    ASSERT_TRUE(directory) << error;
    ObjectSummary read;
    ASSERT_EQ(directory->ReadEntry("Counted.Acme", &read), 0);
    EXPECT_EQ(read.subordinateCount, 7u);
    const std::vector<std::string> reads {"ou"};
    std::unique_ptr<ObjectCursor> cursor;
    ASSERT_EQ(directory->OpenSearchReading("Counted.Acme", 0, nullptr, &reads, &cursor), 0);
    ObjectSummary found;
    bool done = false;
    ASSERT_EQ(cursor->Next(&found, &done), 0);
    ASSERT_FALSE(done);
    EXPECT_EQ(found.fullName, "Counted.Acme");
    EXPECT_EQ(found.subordinateCount, 7u);
}

} // namespace
} // namespace veralith::client::testing
