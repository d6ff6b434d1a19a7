// Every syntax's value layout, read back from a tree file through DirRead,
// DirComputeAttrValueSize and DirGetAttrValue.

#include "client/values.h"
#include "client_fixture.h"

#include <cstring>
#include <unistd.h>

namespace veralith::client::testing {
namespace {

std::string Bytes(const std::uint8_t* data, std::size_t length)
{
    return data == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(data), length);
}

template<typename T>
const T& As(const ReadValue& v)
{
    EXPECT_GE(v.storage.size(), sizeof(T));
    return *reinterpret_cast<const T*>(v.storage.data());
}

// True when p points into the value's own storage.
bool Inside(const ReadValue& v, const void* p)
{
    const auto* b = reinterpret_cast<const std::uint8_t*>(p);
    return b >= v.storage.data() && b < v.storage.data() + v.storage.size();
}

class ValuesTest : public ClientTest
{
protected:
    void SetUp() override
    {
        Start(ReadSourceFile("tests/data/all-syntaxes.json"));
        SetFlags(DCV_TYPELESS_NAMES);
        ASSERT_EQ(DirSetContext(Context(), DCK_NAME_CONTEXT, "[Root]"), 0);
    }
    std::vector<ReadValue> Read(const std::string& attribute, std::uint32_t syntax)
    {
        std::vector<ReadValue> values;
        std::string name;
        EXPECT_EQ(ReadValues(Context(), ".Everything.Acme", attribute, &values, kLargeBufferSize, &name), 0)
            << attribute;
        EXPECT_EQ(name, attribute);
        for (const ReadValue& v : values) {
            EXPECT_EQ(v.syntaxId, syntax) << attribute;
        }
        return values;
    }
};

TEST_F(ValuesTest, TextSyntaxes_AreNulTerminatedTexts)
{
    const std::pair<const char*, std::uint32_t> texts[] = {
        {"Unknown Base Class", SYN_CE_STRING},
        {"Surname", SYN_CI_STRING},
        {"Serial Number", SYN_PR_STRING},
        {"Bindery Type", SYN_NU_STRING},
        {"Telephone Number", SYN_TEL_NUMBER},
    };
    const char* expected[] = {"CaseExact", "Smith", "SN-42", "0 1 2", "+1 555 0101"};
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        const auto values = Read(texts[i].first, texts[i].second);
        ASSERT_EQ(values.size(), 1u);
        EXPECT_EQ(values[0].storage.size(), std::strlen(expected[i]) + 1);
        EXPECT_EQ(values[0].Text(), expected[i]);
    }
}

TEST_F(ValuesTest, DistinguishedNames_TakeTheFormOfTheFlags)
{
    auto values = Read("See Also", SYN_DIST_NAME);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].Text(), "Acme");
    EXPECT_EQ(values[1].Text(), "Vol.Acme");
    SetFlags(0);
    values = Read("See Also", SYN_DIST_NAME);
    EXPECT_EQ(values[1].Text(), "CN=Vol.O=Acme");
    ASSERT_EQ(DirSetContext(Context(), DCK_NAME_CONTEXT, "Acme"), 0);
    values = Read("See Also", SYN_DIST_NAME);
    EXPECT_EQ(values[0].Text(), ".O=Acme"); // the name context itself is not below it
    EXPECT_EQ(values[1].Text(), "CN=Vol");
}

TEST_F(ValuesTest, ClassNames_AreDerivedFromClassAndAuxiliaryClasses)
{
    std::vector<std::string> names;
    for (const ReadValue& v : Read("Object Class", SYN_CLASS_NAME)) {
        names.push_back(v.Text());
    }
    EXPECT_EQ(names, (std::vector<std::string> {"User", "Organizational Person", "Person", "Top", "acmeAux"}));
    // The naming attribute holds the object's own name component.
    EXPECT_EQ(ReadTexts(Context(), "Everything.Acme", "CN"), std::vector<std::string> {"Everything"});
}

TEST_F(ValuesTest, NumbersAndTimes)
{
    auto v = Read("Login Disabled", SYN_BOOLEAN);
    ASSERT_EQ(v.size(), 1u);
    ASSERT_EQ(v[0].storage.size(), 1u);
    EXPECT_EQ(v[0].storage[0], 1);
    v = Read("Login Grace Limit", SYN_INTEGER);
    ASSERT_EQ(v[0].storage.size(), 4u);
    EXPECT_EQ(As<std::int32_t>(v[0]), -6);
    v = Read("Account Balance", SYN_COUNTER);
    EXPECT_EQ(As<std::int32_t>(v[0]), 250);
    v = Read("Password Expiration Interval", SYN_INTERVAL);
    EXPECT_EQ(As<std::int32_t>(v[0]), 2592000);
    v = Read("Login Time", SYN_TIME);
    ASSERT_EQ(v[0].storage.size(), 4u);
    EXPECT_EQ(As<std::uint32_t>(v[0]), 1135987200u);
    v = Read("Synchronized Up To", SYN_TIMESTAMP);
    ASSERT_EQ(v[0].storage.size(), sizeof(DirTimeStamp));
    EXPECT_EQ(As<DirTimeStamp>(v[0]).wholeSeconds, 1136073600u);
    EXPECT_EQ(As<DirTimeStamp>(v[0]).replicaNumber, 1);
    EXPECT_EQ(As<DirTimeStamp>(v[0]).eventId, 7);
}

TEST_F(ValuesTest, ByteSyntaxes)
{
    auto v = Read("GUID", SYN_OCTET_STRING);
    const auto& octets = As<OctetStringValue>(v[0]);
    ASSERT_EQ(octets.length, 16u);
    EXPECT_TRUE(Inside(v[0], octets.data));
    EXPECT_EQ(octets.data[15], 15);
    v = Read("Cross Certificate Pair", SYN_OCTET_LIST);
    ASSERT_EQ(v.size(), 1u);
    const auto& first = As<OctetListNode>(v[0]);
    EXPECT_EQ(Bytes(first.data, first.length), std::string("\x01\x02", 2));
    ASSERT_NE(first.next, nullptr);
    EXPECT_TRUE(Inside(v[0], first.next));
    EXPECT_EQ(Bytes(first.next->data, first.next->length), "AB");
    EXPECT_EQ(first.next->next, nullptr);
    v = Read("acmeRaw", 40);
    EXPECT_EQ(Bytes(v[0].storage.data(), v[0].storage.size()), "\xDE\xAD\xBE\xEF");
    v = Read("Unknown Value", SYN_UNKNOWN);
    ASSERT_EQ(v.size(), 2u);
    const auto& unknown = As<UnknownValue>(v[0]);
    EXPECT_STREQ(unknown.attrName, "Unknown Value");
    EXPECT_EQ(unknown.syntaxId, 9u);
    EXPECT_EQ(Bytes(unknown.bytes, unknown.length), std::string("\x01\x02", 2));
    EXPECT_EQ(As<UnknownValue>(v[1]).syntaxId, 0u);
    EXPECT_EQ(As<UnknownValue>(v[1]).length, 1u);
}

TEST_F(ValuesTest, ListsAndAddresses)
{
    auto v = Read("Language", SYN_CI_LIST);
    std::vector<std::string> items;
    for (const CaseIgnoreListNode* n = &As<CaseIgnoreListNode>(v[0]); n != nullptr; n = n->next) {
        EXPECT_TRUE(Inside(v[0], n->text));
        items.emplace_back(n->text);
    }
    EXPECT_EQ(items, (std::vector<std::string> {"English", "German", "French"}));
    v = Read("Postal Address", SYN_PO_ADDRESS);
    const auto& postal = As<PostalAddressValue>(v[0]);
    EXPECT_STREQ(postal.lines[0], "Acme Inc.");
    EXPECT_STREQ(postal.lines[2], "Springfield");
    EXPECT_STREQ(postal.lines[5], "");
    v = Read("Network Address", SYN_NET_ADDRESS);
    ASSERT_EQ(v.size(), 2u);
    const auto& net = As<NetAddressValue>(v[0]);
    EXPECT_EQ(net.addressType, 1u);
    EXPECT_EQ(Bytes(net.address, net.addressLength), std::string("\x0A\x00\x00\x01\x02\x0C", 6));
    EXPECT_EQ(As<NetAddressValue>(v[1]).addressLength, 0u);
    v = Read("EMail Address", SYN_EMAIL_ADDRESS);
    EXPECT_EQ(As<EmailAddressValue>(v[0]).type, 0u);
    EXPECT_STREQ(As<EmailAddressValue>(v[0]).address, "jsmith@acme.example");
    v = Read("Facsimile Telephone Number", SYN_FAX_NUMBER);
    ASSERT_EQ(v.size(), 2u);
    const auto& fax = As<FaxNumberValue>(v[0]);
    EXPECT_STREQ(fax.telephoneNumber, "+1 555 0199");
    EXPECT_EQ(fax.bitCount, 16u);
    EXPECT_EQ(Bytes(fax.parameters, 2), "\x0F\x01");
    EXPECT_EQ(As<FaxNumberValue>(v[1]).bitCount, 0u);
    EXPECT_EQ(As<FaxNumberValue>(v[1]).parameters, nullptr);
}

TEST_F(ValuesTest, StructuredValuesWithNames)
{
    SetFlags(0); // typed names inside values
    auto v = Read("Home Directory", SYN_PATH);
    EXPECT_EQ(As<PathValue>(v[0]).nameSpaceType, 4u);
    EXPECT_STREQ(As<PathValue>(v[0]).volumeName, "CN=Vol.O=Acme");
    EXPECT_STREQ(As<PathValue>(v[0]).path, "HOME\\JSMITH");
    v = Read("Replica", SYN_REPLICA_POINTER);
    const auto& replica = As<ReplicaPointerValue>(v[0]);
    EXPECT_STREQ(replica.serverName, "CN=Srv.O=Acme");
    EXPECT_EQ(replica.replicaType, 2u);
    EXPECT_EQ(replica.replicaNumber, 1u);
    ASSERT_EQ(replica.count, 2u);
    EXPECT_TRUE(Inside(v[0], replica.addresses));
    EXPECT_EQ(replica.addresses[0].addressType, 1u);
    EXPECT_EQ(
        Bytes(replica.addresses[0].address, replica.addresses[0].addressLength), std::string("\x0A\x00\x00\x01", 4));
    EXPECT_EQ(Bytes(replica.addresses[1].address, replica.addresses[1].addressLength), "x");
    v = Read("ACL", SYN_OBJECT_ACL);
    ASSERT_EQ(v.size(), 2u);
    EXPECT_STREQ(As<AclValue>(v[0]).protectedAttrName, "[Entry Rights]");
    EXPECT_STREQ(As<AclValue>(v[0]).subjectName, "[Public]"); // special names as they are
    EXPECT_EQ(As<AclValue>(v[0]).privileges, 1u);
    EXPECT_STREQ(As<AclValue>(v[1]).subjectName, "CN=Srv.O=Acme");
    v = Read("Back Link", SYN_BACK_LINK);
    EXPECT_EQ(As<BackLinkValue>(v[0]).remoteId, 42u);
    EXPECT_STREQ(As<BackLinkValue>(v[0]).objectName, "CN=Srv.O=Acme");
    v = Read("Notify", SYN_TYPED_NAME);
    EXPECT_STREQ(As<TypedNameValue>(v[0]).objectName, "CN=Srv.O=Acme");
    EXPECT_EQ(As<TypedNameValue>(v[0]).level, 1u);
    EXPECT_EQ(As<TypedNameValue>(v[0]).interval, 3600u);
    v = Read("Server Holds", SYN_HOLD);
    EXPECT_STREQ(As<HoldValue>(v[0]).objectName, "O=Acme");
    EXPECT_EQ(As<HoldValue>(v[0]).amount, 100u);
}

TEST_F(ValuesTest, Streams_AreReadThroughAFileDescriptor)
{
    const auto v = Read("Login Script", SYN_STREAM);
    ASSERT_EQ(v.size(), 1u); // delivered with no value
    int fd = -1;
    ASSERT_EQ(DirOpenStream(Context(), "Everything.Acme", "login script", 1, &fd), 0);
    char buffer[64] = {};
    EXPECT_EQ(read(fd, buffer, sizeof buffer), 10);
    EXPECT_STREQ(buffer, "Welcome!\r\n");
    close(fd);
    fd = -1;
    EXPECT_EQ(DirOpenStream(Context(), "Srv.Acme", "Login Script", 1, &fd), ERR_NO_SUCH_ATTRIBUTE);
    EXPECT_EQ(DirOpenStream(Context(), "Everything.Acme", "Surname", 1, &fd), ERR_NO_SUCH_ATTRIBUTE);
    EXPECT_EQ(DirOpenStream(Context(), "Nobody.Acme", "Login Script", 1, &fd), ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(DirOpenStream(Context(), "Everything.Acme", "Login Script", 2, &fd), ERR_BAD_VERB);
    EXPECT_EQ(fd, -1);
}

TEST_F(ValuesTest, EverySyntax_IsCovered)
{
    // Names only, all attributes: the file gives one attribute of every syntax.
    ScopedBuffer reply;
    ASSERT_EQ(reply.allocate(kSmallBufferSize), 0);
    std::int32_t iteration = -1;
    std::vector<bool> seen(SYNTAX_COUNT, false);
    do {
        ASSERT_EQ(DirRead(Context(), "Everything.Acme", 0, true, nullptr, &iteration, reply.get()), 0);
        std::uint32_t count = 0;
        ASSERT_EQ(DirGetAttrCount(Context(), reply.get(), &count), 0);
        for (std::uint32_t i = 0; i < count; ++i) {
            char name[kMaxSchemaNameChars + 1];
            std::uint32_t values = 9;
            std::uint32_t syntax = 0;
            ASSERT_EQ(DirGetAttrName(Context(), reply.get(), name, &values, &syntax), 0);
            EXPECT_EQ(values, 0u) << name;
            if (syntax < SYNTAX_COUNT) {
                seen[syntax] = true;
            }
        }
    } while (iteration != -1);
    for (std::uint32_t s = 0; s < SYNTAX_COUNT; ++s) {
        EXPECT_TRUE(seen[s]) << "syntax " << s;
    }
}

} // namespace
} // namespace veralith::client::testing
