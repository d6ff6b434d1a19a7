#include "client/memory/loader.h"
#include "client/scoped.h"
#include "client/service.h"
#include "test_values.h"
#include "values/errors.h"
#include "values/format.h"
#include "values/read.h"
#include "values/stream.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

namespace veralith::values {
namespace {

using client::DirContext;

std::string SourcePath(const std::string& relative)
{
    const char* root = std::getenv("VERALITH_SOURCE_DIR");
    return std::string(root != nullptr ? root : "../..") + "/" + relative;
}

std::shared_ptr<client::memory::MemoryDirectory> LoadValuesTree()
{
    std::shared_ptr<client::memory::MemoryDirectory> directory;
    std::string error;
    EXPECT_TRUE(client::memory::LoadTreeFile(SourcePath("tests/data/values-tree.json"), &directory, &error)) << error;
    return directory;
}

// A directory that serves the test tree but fails to open or read streams.
class FailingStreams : public client::DirectoryService
{
public:
    FailingStreams(std::shared_ptr<client::DirectoryService> inner, client::DirResult openResult)
        : m_inner(std::move(inner))
        , m_openResult(openResult)
    { }

    std::string TreeName() const override { return m_inner->TreeName(); }
    std::string DefaultNameContext() const override { return m_inner->DefaultNameContext(); }
    const client::Schema& GetSchema() const override { return m_inner->GetSchema(); }
    client::DirResult ReadEntry(std::string_view name, client::ObjectSummary* entry) override
    {
        return m_inner->ReadEntry(name, entry);
    }
    client::DirResult ReadAttributes(std::string_view name, const std::vector<std::string>* names,
        std::vector<client::AttributeData>* attributes) override
    {
        return m_inner->ReadAttributes(name, names, attributes);
    }
    client::DirResult OpenList(
        std::string_view name, bool containersOnly, std::unique_ptr<client::ObjectCursor>* cursor) override
    {
        return m_inner->OpenList(name, containersOnly, cursor);
    }
    client::DirResult OpenSearch(std::string_view base, std::int32_t scope, const client::FilterNode* filter,
        std::unique_ptr<client::ObjectCursor>* cursor) override
    {
        return m_inner->OpenSearch(base, scope, filter, cursor);
    }
    // Fails with the configured code, or (code 0) hands out a descriptor that
    // cannot be read: the write end of a pipe.
    client::DirResult OpenStream(std::string_view, std::string_view, int* fd) override
    {
        if (m_openResult != 0) {
            return m_openResult;
        }
        int fds[2];
        if (::pipe(fds) != 0) {
            return client::ERR_SYSTEM_FAILURE;
        }
        ::close(fds[0]);
        *fd = fds[1];
        return 0;
    }
    std::vector<std::string> NamingTypes(std::string_view name) override { return m_inner->NamingTypes(name); }

private:
    std::shared_ptr<client::DirectoryService> m_inner;
    client::DirResult m_openResult;
};

class ReadAttributes : public testing::Test
{
protected:
    void SetUp() override { Start(LoadValuesTree()); }

    void Start(std::shared_ptr<client::DirectoryService> service)
    {
        ASSERT_NE(service, nullptr);
        m_context.reset();
        client::SetTreeServices({std::move(service)});
        ASSERT_EQ(client::ClientInit(nullptr, nullptr), 0);
        ASSERT_EQ(client::DirCreateContext(m_context.Out()), 0);
        SetNameContext("[Root]");
        std::uint32_t flags = 0;
        ASSERT_EQ(client::DirGetContext(Context(), client::DCK_FLAGS, &flags), 0);
        flags |= client::DCV_TYPELESS_NAMES;
        ASSERT_EQ(client::DirSetContext(Context(), client::DCK_FLAGS, &flags), 0);
        m_before = client::GetClientResourceCounts();
    }

    void TearDown() override
    {
        // Every read released its duplicate context, buffers and iterations.
        const client::ClientResourceCounts after = client::GetClientResourceCounts();
        EXPECT_EQ(after.contexts, m_before.contexts);
        EXPECT_EQ(after.buffers, m_before.buffers);
        EXPECT_EQ(after.iterations, m_before.iterations);
        m_context.reset();
        client::SetTreeServices({});
    }

    void SetNameContext(const char* name)
    {
        ASSERT_EQ(client::DirSetContext(Context(), client::DCK_NAME_CONTEXT, name), 0);
    }

    DirContext Context() const { return m_context.get(); }

    // The text of a specification, or the result code in brackets.
    std::string Text(const std::string& object, const std::string& spec)
    {
        std::string text = "untouched";
        const client::DirResult result = ReadAttributeText(Context(), object, spec, text);
        if (result != 0) {
            EXPECT_EQ(text, "untouched") << "a failing read must leave the text alone";
            return "<" + std::to_string(result) + ">";
        }
        return text;
    }

    std::vector<std::string> Lines(const std::string& object, const std::string& spec, client::DirResult expected = 0)
    {
        util::StringList lines;
        EXPECT_EQ(ReadAttributeLines(Context(), object, spec, lines), expected);
        return lines.Texts();
    }

    client::ScopedContext m_context;
    client::ClientResourceCounts m_before;
};

const std::string kParallelPrinter = "Parallel (LPT1:) / Polling / Auto load / Text / Service Interval: 5"
                                     " / Buffer Size: 16kB / Starting Form: 0 / Form Change: minimize within Qs"
                                     " / Driver Name: HPLJ";
const std::string kSerialPrinter = "Serial (COM2:) / IRQ 4 / Manual load / Xon/Xoff  / 9600 bd / 8 Data bits"
                                   " / 1 Stop bits / no parity / Text / Service Interval: 5 / Buffer Size: 16kB"
                                   " / Starting Form: 0 / Form Change: minimize within Qs / Driver Name: PSDRV";

TEST_F(ReadAttributes, ThreeValuesAreJoinedByCrLfWithoutAFinalBreak)
{
    EXPECT_EQ(Text("jsmith.Sales.Acme", "Telephone Number"), "+1 555 0101\r\n+1 555 0102\r\n+1 555 0103");
    EXPECT_EQ(Text("jsmith.Sales.Acme", "telephone number"), "+1 555 0101\r\n+1 555 0102\r\n+1 555 0103");
}

TEST_F(ReadAttributes, MissingAttributeOrObjectReturnsTheCodeAndKeepsTheText)
{
    EXPECT_EQ(Text("Helpdesk.Sales.Acme", "Surname"), "<-603>");
    EXPECT_EQ(Text("nobody.Sales.Acme", "Surname"), "<-601>");
    EXPECT_EQ(Text("jsmith.Sales.Acme", ""), "<-603>");
}

TEST_F(ReadAttributes, StructuredValuesByTheirSyntax)
{
    EXPECT_EQ(Text("FS1.Sales.Acme", "Network Address"), "(9) 10.1.2.3:524\r\n(1) [0A0000]");
    EXPECT_EQ(Text("jsmith.Sales.Acme", "Password Expiration Time"), "07/01/06 12:00:00"); // TZ=UTC
    EXPECT_EQ(Text("jsmith.Sales.Acme", "Intruder Lockout Reset Interval"), "1 h, 1 min, 1 sec");
    EXPECT_EQ(Text("Staff.Sales.Acme", "Member"), "jsmith.Sales.Acme\r\nHelpdesk.Sales.Acme\r\nbdoe.Sales.Acme");
}

TEST_F(ReadAttributes, PrinterConfigurationAsLastValueLosesItsFinalBreak)
{
    EXPECT_EQ(Text("LaserOne.Sales.Acme", "Printer Configuration"), kParallelPrinter);
    // The lines themselves keep the configuration's own line break.
    EXPECT_EQ(Lines("LaserOne.Sales.Acme", "Printer Configuration"), (std::vector<std::string> {kParallelPrinter, ""}));
}

TEST_F(ReadAttributes, PrinterConfigurationAsMiddleValueIsFollowedByAnEmptyLine)
{
    // The printers' configurations one after the other, read through the
    // group's members.
    EXPECT_EQ(
        Text("Printers.Sales.Acme", "Member|Printer Configuration"), kParallelPrinter + "\r\n\r\n" + kSerialPrinter);
    EXPECT_EQ(Lines("Printers.Sales.Acme", "Member|Printer Configuration"),
        (std::vector<std::string> {kParallelPrinter, "", kSerialPrinter, ""}));
}

TEST_F(ReadAttributes, AnErrorForOneValueBecomesThatValuesLine)
{
    EXPECT_EQ(Lines("FS1.Sales.Acme", "Partition Status"),
        (std::vector<std::string> {"FS1 / Replica 1 / Last Sync:  12/31/05/ (in sync) / Error FFFFFDA7",
            "Partition Status: synchronisation state -1 is negative",
            "FS3 / Replica 3 / Last Sync:  12/31/05/ (remote error) "}));
    EXPECT_EQ(Text("bdoe.Sales.Acme", "Intruder Lockout Reset Interval"), "interval of -5 seconds is negative");
}

TEST_F(ReadAttributes, ValueIndexesContinueAcrossReplies)
{
    // 400 partition states of 430 bytes each need several 64512-byte replies.
    // The first value shows the long name at 28 and its error; every later one
    // (whichever reply brings it) the name "A" at 24 and no error.
    auto hex = [](std::uint32_t v) {
        char text[9];
        std::snprintf(text, sizeof(text), "%02X%02X%02X%02X", v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF, v >> 24);
        return std::string(text);
    };
    std::string values;
    for (std::uint32_t i = 1; i <= 400; ++i) {
        std::string record = "00000000" + hex(2) + hex(0) + hex(i) + hex(0x1F) + "00000000" + "41000000";
        for (int c = 0; c < 200; ++c) {
            record += "4200";
        }
        values += std::string(i == 1 ? "" : ",") + "\"hex:" + record + "0000\"";
    }
    const std::string tree = "{\"format\": \"veralith-tree/1\", \"tree\": \"BIG\", \"objects\": [{\"name\": \"Big\", "
                             "\"class\": \"Organization\", \"attributes\": {\"Partition Status\": [" +
        values + "]}}]}";
    std::shared_ptr<client::DirectoryService> service;
    std::string error;
    ASSERT_TRUE(client::memory::LoadTreeText(tree, "big.json", &service, &error)) << error;
    Start(service);

    const std::vector<std::string> lines = Lines("Big", "Partition Status");
    ASSERT_EQ(lines.size(), 400u);
    EXPECT_EQ(lines[0], std::string(200, 'B') + " / Replica 1 / Last Sync:  01/01/70/ (in sync) / Error   1F");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        ASSERT_EQ(lines[i], "A / Replica " + std::to_string(i + 1) + " / Last Sync:  01/01/70/ (in sync) ");
    }
}

TEST_F(ReadAttributes, PseudoAttributesInAnyCase)
{
    EXPECT_EQ(Text("jsmith.Sales.Acme", "CONTEXT"), ".Sales.Acme");
    EXPECT_EQ(Text("jsmith.Sales.Acme", "context"), ".Sales.Acme");
    EXPECT_EQ(Text("jsmith.Sales.Acme", "cn"), "jsmith");
    EXPECT_EQ(Text("jsmith.Sales.Acme", "Cn"), "jsmith");
    EXPECT_EQ(Text("jsmith.Sales.Acme", "Class"), "User");
    EXPECT_EQ(Text("jsmith.Sales.Acme", "CreateTimeStamp"), "03/01/04 08:00");
    EXPECT_EQ(Text("jsmith.Sales.Acme", "modifytimestamp"), "11/30/06 17:45");
    // No creation time known: date-time 0.
    EXPECT_EQ(Text("Helpdesk.Sales.Acme", "CREATETIMESTAMP"), "12/30/99 00:00");
    // Answered without reading any attribute, so no error either.
    EXPECT_EQ(Text("jsmith.Sales.Acme", "CN|"), "jsmith");
}

TEST_F(ReadAttributes, RelativeNameChainResolvesInTheCallersContext)
{
    SetNameContext("Sales.Acme");
    EXPECT_EQ(Text("jsmith", "cn|Surname"), "Smith");
    EXPECT_EQ(Text("bdoe", "CN|Telephone Number"), "<-603>");
}

TEST_F(ReadAttributes, ChainOverAGroupsMembers)
{
    // Helpdesk has no surname and contributes nothing; the last member
    // succeeded, so the result is 0.
    EXPECT_EQ(Text("Staff.Sales.Acme", "Member|Surname"), "Smith\r\nDoe");
    EXPECT_EQ(Text("Staff.Sales.Acme", "Member|CN"), "jsmith\r\nHelpdesk\r\nbdoe");
    // The last member lacks the attribute: its failure is the result.
    EXPECT_EQ(Text("Late.Sales.Acme", "Member|Surname"), "<-603>");
    EXPECT_EQ(
        Lines("Late.Sales.Acme", "Member|Surname", client::ERR_NO_SUCH_ATTRIBUTE), std::vector<std::string> {"Doe"});
    // An earlier failure is forgotten when a later member succeeds.
    EXPECT_EQ(Text("Late.Sales.Acme", "Member|Telephone Number"), "+1 555 3100");
    // Only the first "|" splits; the rest goes on to the members, whose class
    // names ("Printer") are then read as object names that do not exist.
    EXPECT_EQ(Lines("Printers.Sales.Acme", "Member|Class"), (std::vector<std::string> {"Printer", "Printer"}));
    EXPECT_EQ(Text("Printers.Sales.Acme", "Member|Class|Surname"), "<-601>");
}

TEST_F(ReadAttributes, CreatorsAndModifiersNamesAreConvertedFromTheCommaForm)
{
    EXPECT_EQ(Text("jsmith.Sales.Acme", "creatorsName"), "cn=Admin,o=Acme");
    EXPECT_EQ(Text("jsmith.Sales.Acme", "creatorsName|Surname"), "Administrator");
    EXPECT_EQ(Text("jsmith.Sales.Acme", "CREATORSNAME|CN"), "Admin");
    EXPECT_EQ(Text("jsmith.Sales.Acme", "modifiersName|Surname"), "Doe");
}

TEST_F(ReadAttributes, AliasAttributeIsReadOnTheAliasItself)
{
    EXPECT_EQ(Text("JS.Acme", "aliased object name"), "jsmith.Sales.Acme");
    EXPECT_EQ(Text("JS.Acme", "Aliased Object Name|Surname"), "Smith");
    // Other attributes follow the alias, and the caller's flags are unchanged.
    EXPECT_EQ(Text("JS.Acme", "Surname"), "Smith");
    std::uint32_t flags = 0;
    ASSERT_EQ(client::DirGetContext(Context(), client::DCK_FLAGS, &flags), 0);
    EXPECT_NE(flags & client::DCV_DEREF_ALIASES, 0u);
}

TEST_F(ReadAttributes, PlainTextStream)
{
    const std::string text = Text("jsmith.Sales.Acme", "Login Script");
    ASSERT_EQ(text.rfind("Stream (100 bytes):\r\nWelcome to the values tree. ", 0), 0u) << text;
    EXPECT_EQ(text.size(), 21u + 100u);

    // The formatter reads a stream value through the client as well.
    util::StringList lines;
    EXPECT_EQ(FormatAttributeValue(Context(), "jsmith.Sales.Acme", "Login Script", 1, {0, 21}, nullptr, lines), 0);
    ASSERT_EQ(lines.Count(), 1u);
    EXPECT_EQ(lines.TextAt(0), text);
}

TEST_F(ReadAttributes, ApplicationStreamsInEachRecordMode)
{
    EXPECT_EQ(Text("Office.Sales.Acme", "App:Macros"),
        "Stream (89 bytes):\r\nAOT FILE (89 bytes) (1/2/1F 3/4)\r\n\r\nPATH / C:\\APPS\r\nUSER / jsmith");
    EXPECT_EQ(Text("Office.Sales.Acme", "App:Copy Files"),
        "Stream (94 bytes):\r\nAOT FILE (94 bytes) (1/2/1F 3/4)\r\n\r\nSYS:APPS\\A.EXE\r\nSYS:APPS\\B.DLL");
    EXPECT_EQ(Text("Office.Sales.Acme", "app:inventory"),
        "Stream (58 bytes):\r\nAOT FILE (58 bytes) (1/2/1F 3/4)\r\n\r\nProg\r\nGroup One\r\nNotepad");
    EXPECT_EQ(Lines("Office.Sales.Acme", "App:Copy Files"),
        (std::vector<std::string> {
            "Stream (94 bytes):", "AOT FILE (94 bytes) (1/2/1F 3/4)", "", "SYS:APPS\\A.EXE", "SYS:APPS\\B.DLL", ""}));
}

TEST_F(ReadAttributes, StreamDecodingErrorReachesTheCaller)
{
    std::string text = "untouched";
    try {
        ReadAttributeText(Context(), "Broken.Sales.Acme", "App:Copy Files", text);
        FAIL() << "no error raised";
    } catch (const ValueError& error) {
        EXPECT_STREQ(error.what(), "stream record at byte 40: text count of 1024 characters is too long");
    }
    EXPECT_EQ(text, "untouched");
}

TEST_F(ReadAttributes, StreamThatCannotBeOpenedGivesTheDirectoryCode)
{
    Start(std::make_shared<FailingStreams>(LoadValuesTree(), client::ERR_TRANSPORT_FAILURE));
    EXPECT_EQ(Text("jsmith.Sales.Acme", "Login Script"), "<-625>");
    std::string text;
    EXPECT_EQ(ReadStreamText(Context(), "jsmith.Sales.Acme", "Login Script", text), client::ERR_TRANSPORT_FAILURE);
    EXPECT_EQ(text, "Cannot read Stream");
    util::StringList lines;
    EXPECT_EQ(FormatAttributeValue(Context(), "jsmith.Sales.Acme", "Login Script", 1, {0, 21}, nullptr, lines),
        client::ERR_TRANSPORT_FAILURE);
    EXPECT_EQ(lines.Count(), 0u);
}

TEST_F(ReadAttributes, StreamThatCannotBeReadGives30)
{
    Start(std::make_shared<FailingStreams>(LoadValuesTree(), 0));
    EXPECT_EQ(Text("jsmith.Sales.Acme", "Login Script"), "<30>");
    util::StringList lines;
    EXPECT_EQ(ReadAttributeValues(Context(), "jsmith.Sales.Acme", "Login Script", lines), kStreamReadFailed);
    EXPECT_EQ(lines.Count(), 0u);
}

TEST_F(ReadAttributes, StreamOfAnObjectWithoutIt)
{
    std::string text;
    EXPECT_EQ(ReadStreamText(Context(), "bdoe.Sales.Acme", "Login Script", text), client::ERR_NO_SUCH_ATTRIBUTE);
}

TEST_F(ReadAttributes, ValuesAreAppendedToTheCallersList)
{
    util::StringList lines;
    lines.Add("before");
    EXPECT_EQ(ReadAttributeValues(Context(), "jsmith.Sales.Acme", "Surname", lines), 0);
    EXPECT_EQ(lines.Texts(), (std::vector<std::string> {"before", "Smith"}));
}

} // namespace
} // namespace veralith::values
