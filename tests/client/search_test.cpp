// Filters built from tokens, and DirSearch over each scope.

#include "client/values.h"
#include "client_fixture.h"

#include <cstring>

namespace veralith::client::testing {
namespace {

const char* const kObjects = R"(
  {"name":"Acme","class":"Organization"},
  {"name":"Sales.Acme","class":"Organizational Unit"},
  {"name":"jsmith.Sales.Acme","class":"User","attributes":{"Surname":["Smith"],"Telephone Number":["+1 555 0101"],
     "Login Grace Limit":[6],"Login Disabled":[false],"Login Time":["2005-12-31T00:00:00Z"],
     "Title":["Account  Manager"],"GUID":["hex:00"]}},
  {"name":"mjones.Sales.Acme","class":"User","auxClasses":["posixAccount"],"attributes":{"Surname":["Jones"],
     "Telephone Number":["+1 555 0101"],"Login Grace Limit":[3],"Login Disabled":[true],"UID":[1001]}},
  {"name":"Deep.Sales.Acme","class":"Organizational Unit"},
  {"name":"anne.Deep.Sales.Acme","class":"User","attributes":{"Surname":["Smithers"],
     "Unknown Base Class":["MixedCase"]}},
  {"name":"IT.Acme","class":"Organizational Unit"},
  {"name":"bbrown.IT.Acme","class":"User","attributes":{"Surname":["Brown"]}},
  {"name":"Admins.IT.Acme","class":"Group","attributes":{"Member":["jsmith.Sales.Acme"]}},
  {"name":"JohnAlias.Acme","class":"Alias","attributes":{"Aliased Object Name":["jsmith.Sales.Acme"]}})";

// One token as the caller hands it.
struct Token
{
    std::uint32_t code = 0;
    std::uint32_t syntax = 0;
    enum class Form { None, Text, Number, Time } form = Form::None;
    std::string text;
    std::int32_t number = 0;
    DirTimeStamp time {};
};

Token Make(std::uint32_t code, std::uint32_t syntax, Token::Form form)
{
    Token t;
    t.code = code;
    t.syntax = syntax;
    t.form = form;
    return t;
}
Token T(std::uint32_t code)
{
    return Make(code, 0, Token::Form::None);
}
Token Name(const std::string& attribute, std::uint32_t syntax)
{
    Token t = Make(FTOK_ANAME, syntax, Token::Form::Text);
    t.text = attribute;
    return t;
}
Token Text(const std::string& value, std::uint32_t syntax)
{
    Token t = Make(FTOK_AVAL, syntax, Token::Form::Text);
    t.text = value;
    return t;
}
Token Number(std::int32_t value, std::uint32_t syntax)
{
    Token t = Make(FTOK_AVAL, syntax, Token::Form::Number);
    t.number = value;
    return t;
}
Token Time(std::uint32_t seconds, std::uint32_t syntax)
{
    Token t = Make(FTOK_AVAL, syntax, Token::Form::Time);
    t.time.wholeSeconds = seconds;
    return t;
}

// Comparison items.
std::vector<Token> Eq(const std::string& attribute, const std::string& value, std::uint32_t syntax = SYN_CI_STRING,
    std::uint32_t op = FTOK_EQ)
{
    return {Name(attribute, syntax), T(op), Text(value, syntax)};
}
std::vector<Token> Cls(const std::string& name)
{
    return {T(FTOK_BASECLS), Name(name, SYN_CLASS_NAME)};
}

std::vector<Token> Join(std::initializer_list<std::vector<Token>> parts)
{
    std::vector<Token> out;
    for (const auto& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

DirResult AddTokens(DirFilter* cursor, const std::vector<Token>& tokens)
{
    for (const Token& t : tokens) {
        const void* value = nullptr;
        switch (t.form) {
        case Token::Form::Text:
            value = t.text.c_str();
            break;
        case Token::Form::Number:
            value = &t.number;
            break;
        case Token::Form::Time:
            value = &t.time;
            break;
        case Token::Form::None:
            break;
        }
        if (const DirResult rc = DirAddFilterToken(cursor, t.code, value, t.syntax); rc != 0) {
            return rc;
        }
    }
    return DirAddFilterToken(cursor, FTOK_END, nullptr, 0);
}

class SearchTest : public ClientTest
{
protected:
    void SetUp() override
    {
        Start(TreeText("SEARCH", kObjects));
        SetFlags(DCV_TYPELESS_NAMES);
        ASSERT_EQ(DirSetContext(Context(), DCK_NAME_CONTEXT, "[Root]"), 0);
    }

    // Puts the tokens into a filter buffer (no cursor at all when withCursor
    // is false); returns DirPutFilter's result.
    DirResult PutFilter(DirBuffer* buffer, const std::vector<Token>& tokens, bool withCursor = true)
    {
        EXPECT_EQ(DirInitBuffer(Context(), DSV_SEARCH_FILTER, buffer), 0);
        ScopedFilter cursor;
        if (withCursor) {
            EXPECT_EQ(cursor.allocate(), 0);
            EXPECT_EQ(AddTokens(cursor.get(), tokens), 0);
        }
        const DirResult rc = DirPutFilter(Context(), buffer, cursor.get(), nullptr);
        if (rc == 0) {
            cursor.release();
        }
        return rc;
    }

    std::vector<std::string> Search(const std::string& base, std::int32_t scope, const std::vector<Token>& tokens,
        bool withCursor = true, std::size_t replySize = kSmallBufferSize, std::vector<DirObjectInfo>* infos = nullptr)
    {
        ScopedBuffer filter;
        ScopedBuffer reply;
        EXPECT_EQ(filter.allocate(kSmallBufferSize), 0);
        EXPECT_EQ(reply.allocate(replySize), 0);
        EXPECT_EQ(PutFilter(filter.get(), tokens, withCursor), 0);
        std::vector<std::string> names;
        std::int32_t iteration = -1;
        DirTimeStamp stamp {};
        do {
            const DirResult rc = DirSearch(Context(), base.c_str(), scope, false, filter.get(), &stamp, 0, false,
                nullptr, &iteration, 0, nullptr, reply.get());
            EXPECT_EQ(rc, 0);
            if (rc != 0) {
                break;
            }
            std::uint32_t count = 0;
            EXPECT_EQ(DirGetObjectCount(Context(), reply.get(), &count), 0);
            for (std::uint32_t i = 0; i < count; ++i) {
                char name[kNameBufferSize];
                DirObjectInfo info {};
                EXPECT_EQ(DirGetObjectName(Context(), reply.get(), name, nullptr, &info), 0);
                names.emplace_back(name);
                if (infos != nullptr) {
                    infos->push_back(info);
                }
            }
        } while (iteration != -1);
        return names;
    }

    using Names = std::vector<std::string>;
};

TEST_F(SearchTest, NoFilter_PassesEveryObjectInScope)
{
    const Names subtree {"IT.Acme", "Admins.IT.Acme", "bbrown.IT.Acme", "JohnAlias.Acme", "Sales.Acme",
        "Deep.Sales.Acme", "anne.Deep.Sales.Acme", "jsmith.Sales.Acme", "mjones.Sales.Acme"};
    EXPECT_EQ(Search("Acme", 2, {}, false), subtree);
    EXPECT_EQ(Search("Acme", 1, {}, false), (Names {"IT.Acme", "JohnAlias.Acme", "Sales.Acme"}));
    EXPECT_EQ(Search("Acme", 0, {}, false), Names {"Acme"});
    EXPECT_EQ(Search("[Root]", 1, {}, false), Names {"Acme"});
    // A search without any filter buffer.
    ScopedBuffer reply;
    ASSERT_EQ(reply.allocate(kLargeBufferSize), 0);
    std::int32_t iteration = -1;
    std::int32_t searched = 0;
    ASSERT_EQ(DirSearch(Context(), "Acme", 2, false, nullptr, nullptr, 0, false, nullptr, &iteration, 0, &searched,
                  reply.get()),
        0);
    std::uint32_t count = 0;
    ASSERT_EQ(DirGetObjectCount(Context(), reply.get(), &count), 0);
    EXPECT_EQ(count, subtree.size());
    EXPECT_EQ(searched, 9);
}

TEST_F(SearchTest, BaseClassAndPresence)
{
    EXPECT_EQ(Search("Acme", 2, Cls("User")),
        (Names {"bbrown.IT.Acme", "anne.Deep.Sales.Acme", "jsmith.Sales.Acme", "mjones.Sales.Acme"}));
    EXPECT_EQ(Search("Acme", 2, Cls("user")).size(), 4u);
    EXPECT_EQ(Search("Acme", 1, Cls("")).size(), 3u); // no class named: every object
    EXPECT_EQ(Search("Acme", 2, {T(FTOK_PRESENT), Name("GUID", SYN_OCTET_STRING)}), Names {"jsmith.Sales.Acme"});
    EXPECT_EQ(Search("Sales.Acme", 1, {T(FTOK_NOT), T(FTOK_PRESENT), Name("GUID", SYN_OCTET_STRING)}),
        (Names {"Deep.Sales.Acme", "mjones.Sales.Acme"}));
    // An alias found by a search is reported as itself.
    std::vector<DirObjectInfo> infos;
    EXPECT_EQ(Search("Acme", 2, Cls("Alias"), true, kSmallBufferSize, &infos), Names {"JohnAlias.Acme"});
    ASSERT_EQ(infos.size(), 1u);
    EXPECT_EQ(infos[0].flags & DS_ALIAS_ENTRY, DS_ALIAS_ENTRY);
    EXPECT_STREQ(infos[0].baseClass, "Alias");
}

TEST_F(SearchTest, Precedence_NotOverAndOverOr)
{
    const auto smith = Eq("Surname", "Smith");
    const auto jones = Eq("Surname", "Jones");
    const auto grace = Join({{Name("Login Grace Limit", SYN_INTEGER), T(FTOK_GE), Number(5, SYN_INTEGER)}});
    const auto user = Cls("User");
    // A OR B AND NOT C  =  A OR (B AND (NOT C))
    EXPECT_EQ(Search("Acme", 2, Join({smith, {T(FTOK_OR)}, jones, {T(FTOK_AND), T(FTOK_NOT)}, grace})),
        (Names {"jsmith.Sales.Acme", "mjones.Sales.Acme"}));
    // (A OR B) AND NOT C
    EXPECT_EQ(
        Search("Acme", 2,
            Join({{T(FTOK_LPAREN)}, smith, {T(FTOK_OR)}, jones, {T(FTOK_RPAREN), T(FTOK_AND), T(FTOK_NOT)}, grace})),
        Names {"mjones.Sales.Acme"});
    // NOT A AND B  =  (NOT A) AND B
    EXPECT_EQ(Search("Acme", 2, Join({{T(FTOK_NOT)}, smith, {T(FTOK_AND)}, user})),
        (Names {"bbrown.IT.Acme", "anne.Deep.Sales.Acme", "mjones.Sales.Acme"}));
    // NOT (A AND B)
    EXPECT_EQ(
        Search("Sales.Acme", 1, Join({{T(FTOK_NOT), T(FTOK_LPAREN)}, smith, {T(FTOK_AND)}, user, {T(FTOK_RPAREN)}})),
        (Names {"Deep.Sales.Acme", "mjones.Sales.Acme"}));
    // Nested groups.
    EXPECT_EQ(Search("Acme", 2,
                  Join({{T(FTOK_LPAREN), T(FTOK_LPAREN)}, user,
                      {T(FTOK_RPAREN), T(FTOK_AND), T(FTOK_LPAREN), T(FTOK_NOT), T(FTOK_LPAREN)}, jones,
                      {T(FTOK_RPAREN), T(FTOK_RPAREN), T(FTOK_RPAREN)}})),
        (Names {"bbrown.IT.Acme", "anne.Deep.Sales.Acme", "jsmith.Sales.Acme"}));
}

TEST_F(SearchTest, StringMatching_FollowsTheSyntax)
{
    EXPECT_EQ(Search("Acme", 2, Eq("Surname", "SMITH")), Names {"jsmith.Sales.Acme"});
    EXPECT_EQ(Search("Acme", 2, Eq("Surname", "smith*")), (Names {"anne.Deep.Sales.Acme", "jsmith.Sales.Acme"}));
    EXPECT_EQ(Search("Acme", 2, Eq("Surname", "*o*")), (Names {"bbrown.IT.Acme", "mjones.Sales.Acme"}));
    EXPECT_EQ(Search("Acme", 2, Eq("Title", "account manager")), Names {"jsmith.Sales.Acme"});
    EXPECT_EQ(Search("Acme", 2, Eq("Unknown Base Class", "mixedcase", SYN_CE_STRING)), Names {});
    EXPECT_EQ(Search("Acme", 2, Eq("Unknown Base Class", "MixedCase", SYN_CE_STRING)), Names {"anne.Deep.Sales.Acme"});
    EXPECT_EQ(Search("Acme", 2, Eq("Surname", "MIT", SYN_CI_STRING, FTOK_APPROX)),
        (Names {"anne.Deep.Sales.Acme", "jsmith.Sales.Acme"}));
    EXPECT_EQ(Search("Acme", 2, Eq("Surname", "Jones", SYN_CI_STRING, FTOK_GE)),
        (Names {"anne.Deep.Sales.Acme", "jsmith.Sales.Acme", "mjones.Sales.Acme"}));
    EXPECT_EQ(Search("Acme", 2, Eq("Surname", "Brown", SYN_CI_STRING, FTOK_LE)), Names {"bbrown.IT.Acme"});
    EXPECT_EQ(Search("Acme", 2, Eq("Telephone Number", "+1 555 0101", SYN_TEL_NUMBER)),
        (Names {"jsmith.Sales.Acme", "mjones.Sales.Acme"}));
    // The relative-name test, with and without a type.
    EXPECT_EQ(
        Search("Acme", 2, {T(FTOK_RDN), Name("J*", SYN_DIST_NAME)}), (Names {"JohnAlias.Acme", "jsmith.Sales.Acme"}));
    EXPECT_EQ(Search("Acme", 2, {T(FTOK_RDN), Name("CN=bbrown", SYN_DIST_NAME)}), Names {"bbrown.IT.Acme"});
}

TEST_F(SearchTest, NumbersTimesAndNames)
{
    auto grace = [](std::uint32_t op, std::int32_t value) {
        return std::vector<Token> {Name("Login Grace Limit", SYN_INTEGER), T(op), Number(value, SYN_INTEGER)};
    };
    EXPECT_EQ(Search("Acme", 2, grace(FTOK_GE, 5)), Names {"jsmith.Sales.Acme"});
    EXPECT_EQ(Search("Acme", 2, grace(FTOK_LE, 3)), Names {"mjones.Sales.Acme"});
    EXPECT_EQ(Search("Acme", 2, grace(FTOK_EQ, 6)), Names {"jsmith.Sales.Acme"});
    EXPECT_EQ(Search("Acme", 2, {Name("Login Disabled", SYN_BOOLEAN), T(FTOK_EQ), Number(1, SYN_BOOLEAN)}),
        Names {"mjones.Sales.Acme"});
    const std::uint32_t day2005 = 1104537600; // 2005-01-01
    EXPECT_EQ(Search("Acme", 2, {Name("Login Time", SYN_TIME), T(FTOK_GE), Time(day2005, SYN_TIME)}),
        Names {"jsmith.Sales.Acme"});
    EXPECT_EQ(Search("Acme", 2, {Name("Login Time", SYN_TIME), T(FTOK_LE), Time(day2005, SYN_TIME)}), Names {});
    EXPECT_EQ(Search("Acme", 2, Eq("Member", "jsmith.sales.acme", SYN_DIST_NAME)), Names {"Admins.IT.Acme"});
    // Names in values resolve against the name context; results outside it
    // come with a leading dot.
    ASSERT_EQ(DirSetContext(Context(), DCK_NAME_CONTEXT, "Sales.Acme"), 0);
    EXPECT_EQ(Search(".Acme", 2, Eq("Member", "jsmith", SYN_DIST_NAME)), Names {".Admins.IT.Acme"});
    EXPECT_EQ(Search(".Acme", 2, Eq("Surname", "Jones")), Names {"mjones"});
}

TEST_F(SearchTest, ObjectClass_MatchesBaseAndAuxiliaryClasses)
{
    EXPECT_EQ(Search("Acme", 2, Eq("Object Class", "posixAccount", SYN_CLASS_NAME)), Names {"mjones.Sales.Acme"});
    EXPECT_EQ(Search("Acme", 2, Eq("Object Class", "Group", SYN_CLASS_NAME)), Names {"Admins.IT.Acme"});
    EXPECT_EQ(Search("Acme", 2, {T(FTOK_PRESENT), Name("UID", SYN_INTEGER)}), Names {"mjones.Sales.Acme"});
}

TEST_F(SearchTest, ComparisonsWithoutValueOrAttribute_MatchNothing)
{
    EXPECT_EQ(Search("Acme", 2, {Name("Surname", SYN_CI_STRING), T(FTOK_EQ)}), Names {});
    EXPECT_EQ(Search("Acme", 2, {Name("Surname", SYN_CI_STRING), T(FTOK_EQ), Text("", SYN_UNKNOWN)}), Names {});
    EXPECT_EQ(Search("Acme", 2, {Name("Surname", SYN_CI_STRING), T(FTOK_EQ), T(FTOK_AVAL)}), Names {});
    EXPECT_EQ(Search("Acme", 2, Eq("No Such Attribute", "x")), Names {});
    EXPECT_EQ(Search("Sales.Acme", 1, Join({{T(FTOK_NOT)}, Eq("Surname", "Smith")})),
        (Names {"Deep.Sales.Acme", "mjones.Sales.Acme"}));
}

TEST_F(SearchTest, TokensThatFormNoExpression_GiveInvalidFilterSyntax)
{
    const std::vector<std::vector<Token>> broken = {
        {},
        {Name("Surname", SYN_CI_STRING)},
        {T(FTOK_AND)},
        Join({Eq("Surname", "a"), {T(FTOK_AND)}}),
        Join({Eq("Surname", "a"), Eq("Surname", "b")}),
        Join({{T(FTOK_LPAREN)}, Eq("Surname", "a")}),
        Join({Eq("Surname", "a"), {T(FTOK_RPAREN)}}),
        {T(FTOK_BASECLS)},
        {T(FTOK_EQ), Text("x", SYN_CI_STRING)},
        {T(FTOK_LPAREN), T(FTOK_RPAREN)},
        {T(11)},
        {T(FTOK_NOT)},
    };
    ScopedBuffer filter;
    ASSERT_EQ(filter.allocate(kSmallBufferSize), 0);
    const std::size_t filtersBefore = GetClientResourceCounts().filters;
    for (std::size_t i = 0; i < broken.size(); ++i) {
        ASSERT_EQ(DirInitBuffer(Context(), DSV_SEARCH_FILTER, filter.get()), 0);
        DirFilter* cursor = nullptr;
        ASSERT_EQ(DirAllocFilter(&cursor), 0);
        ASSERT_EQ(AddTokens(cursor, broken[i]), 0);
        EXPECT_EQ(DirPutFilter(Context(), filter.get(), cursor, nullptr), ERR_INVALID_FILTER_SYNTAX) << "case " << i;
        EXPECT_EQ(DirFreeFilter(cursor, nullptr), 0); // still the caller's
    }
    // Tokens after the end token.
    DirFilter* cursor = nullptr;
    ASSERT_EQ(DirAllocFilter(&cursor), 0);
    ASSERT_EQ(AddTokens(cursor, Cls("User")), 0);
    ASSERT_EQ(DirAddFilterToken(cursor, FTOK_AND, nullptr, 0), 0);
    EXPECT_EQ(DirPutFilter(Context(), filter.get(), cursor, nullptr), ERR_INVALID_FILTER_SYNTAX);
    EXPECT_EQ(DirFreeFilter(cursor, nullptr), 0);
    EXPECT_EQ(GetClientResourceCounts().filters, filtersBefore);
}

TEST_F(SearchTest, FilterCursors_AfterFreeAndWithoutCursor)
{
    DirFilter* cursor = nullptr;
    ASSERT_EQ(DirAllocFilter(&cursor), 0);
    ASSERT_EQ(DirFreeFilter(cursor, nullptr), 0);
    EXPECT_EQ(DirAddFilterToken(cursor, FTOK_END, nullptr, 0), ERR_INVALID_HANDLE);
    EXPECT_EQ(DirFreeFilter(cursor, nullptr), ERR_INVALID_HANDLE);
    EXPECT_EQ(DirAddFilterToken(nullptr, FTOK_END, nullptr, 0), ERR_INVALID_HANDLE);
    ScopedBuffer filter;
    ASSERT_EQ(filter.allocate(kSmallBufferSize), 0);
    ASSERT_EQ(DirInitBuffer(Context(), DSV_SEARCH_FILTER, filter.get()), 0);
    EXPECT_EQ(DirPutFilter(Context(), filter.get(), cursor, nullptr), ERR_INVALID_HANDLE);
    EXPECT_EQ(DirPutFilter(Context(), filter.get(), nullptr, nullptr), 0);
    // A buffer prepared for reading is no filter buffer.
    ASSERT_EQ(DirInitBuffer(Context(), DSV_READ, filter.get()), 0);
    EXPECT_EQ(DirPutFilter(Context(), filter.get(), nullptr, nullptr), ERR_BAD_VERB);
    ScopedBuffer reply;
    ASSERT_EQ(reply.allocate(kSmallBufferSize), 0);
    std::int32_t iteration = -1;
    EXPECT_EQ(DirSearch(Context(), "Acme", 2, false, filter.get(), nullptr, 0, false, nullptr, &iteration, 0, nullptr,
                  reply.get()),
        ERR_BAD_VERB);
    ASSERT_EQ(DirInitBuffer(Context(), DSV_SEARCH_FILTER, filter.get()), 0);
    EXPECT_EQ(DirSearch(Context(), "Nobody.Acme", 2, false, filter.get(), nullptr, 0, false, nullptr, &iteration, 0,
                  nullptr, reply.get()),
        ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(DirSearch(Context(), "Acme", 3, false, filter.get(), nullptr, 0, false, nullptr, &iteration, 0, nullptr,
                  reply.get()),
        ERR_BAD_VERB);
    EXPECT_EQ(iteration, -1);
}

TEST_F(SearchTest, TokenObserver_SeesCopiedValues)
{
    std::vector<FilterTokenRecord> seen;
    const FilterTokenObserver previous =
        SetFilterTokenObserver([&seen](const FilterTokenRecord& r) { seen.push_back(r); });
    DirFilter* cursor = nullptr;
    ASSERT_EQ(DirAllocFilter(&cursor), 0);
    char text[16] = "Smith";
    ASSERT_EQ(DirAddFilterToken(cursor, FTOK_ANAME, "Surname", SYN_CI_STRING), 0);
    ASSERT_EQ(DirAddFilterToken(cursor, FTOK_EQ, nullptr, 0), 0);
    ASSERT_EQ(DirAddFilterToken(cursor, FTOK_AVAL, text, SYN_CI_STRING), 0);
    std::strcpy(text, "Jones"); // the client copied the value
    const std::int32_t six = 6;
    ASSERT_EQ(DirAddFilterToken(cursor, FTOK_OR, nullptr, 0), 0);
    ASSERT_EQ(DirAddFilterToken(cursor, FTOK_ANAME, "Login Grace Limit", SYN_INTEGER), 0);
    ASSERT_EQ(DirAddFilterToken(cursor, FTOK_EQ, nullptr, 0), 0);
    ASSERT_EQ(DirAddFilterToken(cursor, FTOK_AVAL, &six, SYN_INTEGER), 0);
    ASSERT_EQ(DirAddFilterToken(cursor, FTOK_END, nullptr, 0), 0);
    SetFilterTokenObserver(previous);
    ASSERT_EQ(seen.size(), 8u);
    EXPECT_EQ(seen[0].token, FTOK_ANAME);
    EXPECT_EQ(seen[0].value, "Surname");
    EXPECT_FALSE(seen[1].hasValue);
    EXPECT_EQ(seen[2].value, "Smith");
    EXPECT_EQ(seen[6].value, std::string("\x06\x00\x00\x00", 4));
    EXPECT_EQ(seen[6].syntaxId, SYN_INTEGER);
    ScopedBuffer filter;
    ScopedBuffer reply;
    ASSERT_EQ(filter.allocate(kSmallBufferSize), 0);
    ASSERT_EQ(reply.allocate(kSmallBufferSize), 0);
    ASSERT_EQ(DirInitBuffer(Context(), DSV_SEARCH_FILTER, filter.get()), 0);
    ASSERT_EQ(DirPutFilter(Context(), filter.get(), cursor, nullptr), 0);
    EXPECT_EQ(DirFreeFilter(cursor, nullptr), ERR_INVALID_HANDLE); // taken over and freed
    std::int32_t iteration = -1;
    ASSERT_EQ(DirSearch(Context(), "Acme", 2, false, filter.get(), nullptr, 0, false, nullptr, &iteration, 0, nullptr,
                  reply.get()),
        0);
    std::uint32_t count = 0;
    ASSERT_EQ(DirGetObjectCount(Context(), reply.get(), &count), 0);
    EXPECT_EQ(count, 1u); // Surname=Smith or grace 6: jsmith alone
}

std::string ManyUsers()
{
    std::string objects = R"({"name":"Acme","class":"Organization"},{"name":"A.Acme","class":"Organizational Unit"},
        {"name":"B.Acme","class":"Organizational Unit"})";
    for (int i = 0; i < 600; ++i) {
        objects += R"(,{"name":"u)" + std::to_string(1000 + i) + (i % 2 == 0 ? ".A.Acme" : ".B.Acme") +
            R"(","class":"User","attributes":{"Surname":["S)" + std::to_string(i % 7) + R"("]}})";
    }
    return TreeText("MANY", objects);
}

TEST_F(SearchTest, LongResults_ComeReplyByReplyAndCanBeClosed)
{
    m_context.reset();
    Start(ManyUsers());
    SetFlags(DCV_TYPELESS_NAMES);
    ASSERT_EQ(DirSetContext(Context(), DCK_NAME_CONTEXT, "[Root]"), 0);
    const Names users = Search("Acme", 2, Cls("User"));
    ASSERT_EQ(users.size(), 600u);
    EXPECT_EQ(users.front(), "u1000.A.Acme");
    EXPECT_EQ(users[299], "u1598.A.Acme");
    EXPECT_EQ(users[300], "u1001.B.Acme");
    EXPECT_EQ(Search("Acme", 2, Cls("User"), true, kLargeBufferSize), users);
    EXPECT_EQ(Search("Acme", 2, Eq("Surname", "S3")).size(), 86u);

    ScopedBuffer reply;
    ASSERT_EQ(reply.allocate(kSmallBufferSize), 0);
    std::int32_t iteration = -1;
    std::int32_t searched = 0;
    ASSERT_EQ(DirSearch(Context(), "Acme", 2, false, nullptr, nullptr, 0, false, nullptr, &iteration, 0, &searched,
                  reply.get()),
        0);
    ASSERT_NE(iteration, -1);
    std::uint32_t count = 0;
    ASSERT_EQ(DirGetObjectCount(Context(), reply.get(), &count), 0);
    EXPECT_GE(static_cast<std::uint32_t>(searched), count);
    EXPECT_EQ(DirCloseIteration(Context(), iteration, DSV_SEARCH), 0);
    EXPECT_EQ(GetClientResourceCounts().iterations, 0u);
}

} // namespace
} // namespace veralith::client::testing
