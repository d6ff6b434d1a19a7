#include "client_fixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace veralith::client::testing {

std::shared_ptr<memory::MemoryDirectory> LoadTree(const std::string& text)
{
    std::shared_ptr<memory::MemoryDirectory> directory;
    std::string error;
    EXPECT_TRUE(memory::LoadTreeText(text, "test.json", &directory, &error)) << error;
    return directory;
}

std::string SourcePath(const std::string& relative)
{
    const char* root = std::getenv("VERALITH_SOURCE_DIR");
    return std::string(root != nullptr ? root : VERALITH_TEST_SOURCE_DIR) + "/" + relative;
}

std::string ReadSourceFile(const std::string& relative)
{
    std::ifstream in(SourcePath(relative), std::ios::binary);
    EXPECT_TRUE(in.good()) << relative;
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void StartWithServices(std::vector<std::shared_ptr<DirectoryService>> services)
{
    SetTreeServices(std::move(services));
    ASSERT_EQ(ClientInit(nullptr, nullptr), 0);
}

std::string TreeText(const std::string& tree, const std::string& objects, const std::string& extra)
{
    return "{ \"format\": \"veralith-tree/1\", \"tree\": \"" + tree + "\", " + extra + " \"objects\": [" + objects +
        "] }";
}

std::vector<std::string> ListNames(
    DirContext context, const std::string& object, std::size_t bufferSize, bool containersOnly, int* replies)
{
    std::vector<std::string> names;
    ScopedBuffer reply;
    EXPECT_EQ(reply.allocate(bufferSize), 0);
    std::int32_t iteration = -1;
    int count = 0;
    do {
        const std::int32_t before = iteration;
        const DirResult rc = containersOnly ? DirListContainers(context, object.c_str(), &iteration, reply.get())
                                            : DirList(context, object.c_str(), &iteration, reply.get());
        EXPECT_EQ(rc, 0) << object;
        if (rc != 0) {
            break;
        }
        ++count;
        EXPECT_NE(iteration, before == -1 ? 0x7FFFFFFF : before) << "the handle must move";
        std::uint32_t objects = 0;
        EXPECT_EQ(DirGetObjectCount(context, reply.get(), &objects), 0);
        for (std::uint32_t i = 0; i < objects; ++i) {
            char name[kNameBufferSize];
            std::uint32_t attrCount = 0;
            DirObjectInfo info {};
            EXPECT_EQ(DirGetObjectName(context, reply.get(), name, &attrCount, &info), 0);
            names.emplace_back(name);
        }
    } while (iteration != -1);
    if (replies != nullptr) {
        *replies = count;
    }
    return names;
}

DirResult ReadValues(DirContext context, const std::string& object, const std::string& attribute,
    std::vector<ReadValue>* values, std::size_t bufferSize, std::string* deliveredName)
{
    ScopedBuffer request;
    ScopedBuffer reply;
    if (const DirResult rc = request.allocate(kSmallBufferSize); rc != 0) {
        return rc;
    }
    if (const DirResult rc = reply.allocate(bufferSize); rc != 0) {
        return rc;
    }
    EXPECT_EQ(DirInitBuffer(context, DSV_READ, request.get()), 0);
    EXPECT_EQ(DirPutAttrName(context, request.get(), attribute.c_str()), 0);
    std::int32_t iteration = -1;
    do {
        if (const DirResult rc = DirRead(context, object.c_str(), 1, false, request.get(), &iteration, reply.get());
            rc != 0) {
            return rc;
        }
        std::uint32_t count = 0;
        EXPECT_EQ(DirGetAttrCount(context, reply.get(), &count), 0);
        for (std::uint32_t a = 0; a < count; ++a) {
            char name[kMaxSchemaNameChars + 1];
            std::uint32_t valueCount = 0;
            std::uint32_t syntax = 0;
            EXPECT_EQ(DirGetAttrName(context, reply.get(), name, &valueCount, &syntax), 0);
            if (deliveredName != nullptr) {
                *deliveredName = name;
            }
            if (syntax == 21) {
                ReadValue stream;
                stream.syntaxId = syntax;
                values->push_back(stream);
            }
            for (std::uint32_t v = 0; v < valueCount; ++v) {
                std::size_t size = 0;
                EXPECT_EQ(DirComputeAttrValueSize(context, reply.get(), syntax, &size), 0);
                ReadValue value;
                value.syntaxId = syntax;
                value.storage.resize(size);
                EXPECT_EQ(DirGetAttrValue(context, reply.get(), syntax, value.storage.data()), 0);
                values->push_back(std::move(value));
            }
        }
    } while (iteration != -1);
    return 0;
}

std::vector<std::string> ReadTexts(DirContext context, const std::string& object, const std::string& attribute)
{
    std::vector<ReadValue> values;
    EXPECT_EQ(ReadValues(context, object, attribute, &values), 0) << object << " / " << attribute;
    std::vector<std::string> texts;
    for (const ReadValue& v : values) {
        texts.push_back(v.Text());
    }
    return texts;
}

void ClientTest::TearDown()
{
    m_context.reset();
    SetTreeServices({});
    SetTreeSources({});
}

void ClientTest::Start(const std::string& treeText)
{
    m_directory = LoadTree(treeText);
    ASSERT_TRUE(m_directory);
    StartWithServices({m_directory});
    ASSERT_EQ(DirCreateContext(m_context.Out()), 0);
}

std::string ClientTest::ContextText(std::uint32_t key) const
{
    char text[kNameBufferSize] = {};
    EXPECT_EQ(DirGetContext(Context(), key, text), 0);
    return text;
}

void ClientTest::SetFlags(std::uint32_t flags)
{
    ASSERT_EQ(DirSetContext(Context(), DCK_FLAGS, &flags), 0);
}

} // namespace veralith::client::testing
