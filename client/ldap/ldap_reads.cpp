// Reading, listing and searching an LDAP directory.

#include "client/ldap/ber.h"
#include "client/ldap/filter.h"
#include "client/ldap/ldap_directory.h"
#include "client/ldap/read_ahead.h"
#include "client/ldap/value_forms.h"
#include "client/name_syntax.h"
#include "client/notices.h"
#include "client/stream_file.h"
#include "client/values.h"

#include <algorithm>
#include <deque>
#include <ldap.h>

namespace veralith::client::ldap {

namespace {

// One search to run: a base DN and an LDAP scope; skipBase leaves the base
// entry out of a subtree search.
struct SearchStep
{
    std::string baseDn;
    int scope = LDAP_SCOPE_SUBTREE;
    bool skipBase = false;
};

} // namespace

// Streams the entries of a sequence of searches. An entry whose name needs
// a listing of a container that has not been listed yet waits, with those
// read after it, while the search reads on (up to PendingBound()) and the
// listing runs beside it; entries are delivered in the order they came.
class LdapDirectory::SearchCursor final : public ObjectCursor
{
public:
    // attributes: what each search asks for; remember: the entries are kept
    // for the reads after the search.
    SearchCursor(LdapDirectory* directory, std::deque<SearchStep> steps, std::string filter,
        std::vector<std::string> attributes, bool remember)
        : m_directory(directory)
        , m_steps(std::move(steps))
        , m_filter(std::move(filter))
        , m_attributes(std::move(attributes))
        , m_remember(remember)
    { }
    ~SearchCursor() override
    {
        // A search that ends (or is given up) leaves no listing running
        // for names no entry will need.
        m_search.reset();
        m_directory->DropListings();
    }
    SearchCursor(const SearchCursor&) = delete;
    SearchCursor& operator=(const SearchCursor&) = delete;

    DirResult Next(ObjectSummary* entry, bool* done) override
    {
        while (true) {
            if (!m_pending.empty()) {
                if (m_directory->NamesReady(m_pending.FrontDn())) {
                    // While the entries that waited are delivered, what the
                    // search sent meanwhile is taken now and then, so that
                    // the server goes on searching rather than waiting for
                    // the client to ask for more.
                    if (m_searching && ++m_sinceTaken >= kPollEvery) {
                        m_sinceTaken = 0;
                        if (const DirResult rc = TakeArrived(); rc != 0) {
                            return rc;
                        }
                    }
                    m_found.dn.assign(m_pending.FrontDn());
                    m_found.attributes.assign(m_pending.FrontAttributes());
                    const std::size_t step = m_pending.FrontStep();
                    m_pending.Pop();
                    bool delivered = false;
                    if (const DirResult rc = Deliver(&m_found, step, entry, &delivered); rc != 0) {
                        return rc;
                    }
                    if (delivered) {
                        *done = false;
                        return 0;
                    }
                    continue;
                }
                if (m_searching && m_pending.Bytes() < PendingBound()) {
                    // Now and then what the listing sent is taken, so that
                    // the server goes on with it.
                    if (++m_sincePoll >= kPollEvery) {
                        m_sincePoll = 0;
                        m_directory->AdvanceListings(ListingWait::Arrived);
                    }
                    Waiting();
                    if (const DirResult rc = ReadAhead(); rc != 0) {
                        return rc;
                    }
                    continue;
                }
                // The listing is followed a while at a time, and the user is
                // told in between that the search waits.
                m_directory->AdvanceListings(ListingWait::Briefly);
                Waiting();
                continue;
            }
            if (!m_searching) {
                if (m_failure != 0) {
                    return m_failure;
                }
                *done = true;
                return 0;
            }
            bool got = false;
            if (const DirResult rc = Read(&m_found, &got); rc != 0) {
                return rc;
            }
            if (!got) {
                continue;
            }
            if (!m_directory->NamesReady(m_found.dn)) {
                m_pending.Push(m_found.dn, m_found.attributes, m_stepIndex);
                continue;
            }
            bool delivered = false;
            if (const DirResult rc = Deliver(&m_found, m_stepIndex, entry, &delivered); rc != 0) {
                return rc;
            }
            if (delivered) {
                *done = false;
                return 0;
            }
        }
    }

    std::uint32_t Examined() const override { return m_examined; }

private:
    // Bounds the reading on. Entries wait mostly for the listings of their
    // containers, which together send as many messages as the search; a
    // bound that holds the entries of those listings' time lets the server
    // search and list at once rather than one after the other. A search that
    // keeps its entries for the reads after it may hold as many as it could
    // still keep (they are kept once delivered, and the blocks that held
    // them are released), at least kMinPendingBytes.
    static constexpr std::size_t kMinPendingBytes = std::size_t(32) << 20;
    std::size_t PendingBound() const
    {
        return m_remember ? std::max(kMinPendingBytes, m_directory->m_last.entries.AttributeRoom()) : kMinPendingBytes;
    }
    static constexpr int kPollEvery = 64;
    // Entries a subtree step reads before it lists the whole subtree rather
    // than the containers its entries lie in: a search that finds a few
    // entries in a large tree lists only their containers.
    static constexpr std::uint32_t kListSubtreeAfter = 1000;

    // Reads the next entry of the steps into *found (*got false when a step
    // ended or the last one did: m_searching turns false; without wait, also
    // when nothing has arrived). A failure of the search is returned once the
    // entries read before it are delivered.
    DirResult Read(LdapEntry* found, bool* got, bool wait = true)
    {
        *got = false;
        if (!m_search) {
            if (m_steps.empty()) {
                m_searching = false;
                return 0;
            }
            m_step = std::move(m_steps.front());
            m_steps.pop_front();
            ++m_stepIndex;
            m_baseNames.push_back(m_directory->NameOfDn(m_step.baseDn));
            m_skipBase.push_back(m_step.skipBase);
            m_retried = false;
            if (const DirResult rc = StartStep(); rc != 0) {
                return rc;
            }
            m_subtreeListed = false;
            if (m_step.scope != LDAP_SCOPE_BASE) {
                m_directory->ListAhead(m_step.baseDn, false);
            }
        }
        bool finished = false;
        bool arrived = true;
        const DirResult received = wait ? m_search->Next(found, &finished) : m_search->Poll(found, &arrived, &finished);
        if (const DirResult rc = received; rc != 0) {
            // A connection the server had closed before this search began:
            // the search runs again on a new one, once.
            if (m_search->FailedOnStaleConnection() && !m_retried) {
                m_retried = true;
                if (StartStep() == 0) {
                    return 0;
                }
            }
            if (m_pending.empty()) {
                return rc;
            }
            m_failure = rc;
            m_searching = false;
            m_search.reset();
            return 0;
        }
        if (finished) {
            m_search.reset();
            return 0;
        }
        if (!arrived) {
            return 0;
        }
        if (m_step.scope == LDAP_SCOPE_SUBTREE && !m_subtreeListed && m_search->Delivered() >= kListSubtreeAfter) {
            // A large search: its entries lie in many containers, or in
            // large ones, and the whole subtree costs the server hardly more
            // to list than those containers do.
            m_subtreeListed = true;
            m_directory->ListAhead(m_step.baseDn, true);
        }
        *got = true;
        return 0;
    }

    // Takes the entries the search has sent so far behind those that wait,
    // as far as the bound on reading ahead allows, without waiting for more.
    DirResult TakeArrived()
    {
        while (m_searching && m_pending.Bytes() < PendingBound()) {
            bool got = false;
            if (const DirResult rc = Read(&m_ahead, &got, false); rc != 0) {
                return rc;
            }
            if (!got) {
                return 0;
            }
            m_pending.Push(m_ahead.dn, m_ahead.attributes, m_stepIndex);
        }
        return 0;
    }

    // Reads one more entry behind those that wait for their names.
    DirResult ReadAhead()
    {
        bool got = false;
        if (const DirResult rc = Read(&m_ahead, &got); rc != 0) {
            return rc;
        }
        if (got) {
            m_pending.Push(m_ahead.dn, m_ahead.attributes, m_stepIndex);
        }
        return 0;
    }

    // Makes the summary of an entry whose names are ready; *delivered false
    // when it is left out (the base of a subtree step, a name too long).
    DirResult Deliver(LdapEntry* found, std::size_t step, ObjectSummary* entry, bool* delivered)
    {
        *delivered = false;
        ++m_examined;
        // The base is recognised by the name its summary carries: the
        // entries found are not added to the directory's name table.
        ObjectSummary summary = m_directory->Summarize(*found, !m_remember);
        if (m_skipBase[step] && SameTextIgnoreCase(summary.fullName, m_baseNames[step])) {
            return 0;
        }
        if (!m_directory->NameFits(summary, found->dn)) {
            return 0;
        }
        if (m_remember) {
            if (const DirResult rc = m_directory->CompleteRanges(found); rc != 0) {
                return rc;
            }
            m_directory->RememberSearched(summary, *found);
        }
        *entry = std::move(summary);
        *delivered = true;
        return 0;
    }

    DirResult StartStep()
    {
        m_search.reset();
        std::shared_ptr<Connection> connection;
        if (const DirResult rc = m_directory->Acquire(&connection); rc != 0) {
            return rc;
        }
        m_directory->CountSearch();
        m_search = connection->OpenSearch(m_step.baseDn, m_step.scope, m_filter, m_attributes);
        return 0;
    }

    LdapDirectory* m_directory;
    std::deque<SearchStep> m_steps;
    SearchStep m_step;
    std::size_t m_stepIndex = std::size_t(-1); // of the step that runs
    std::vector<std::string> m_baseNames; // full name of each step's base
    std::vector<bool> m_skipBase; // and whether it is left out
    LdapEntry m_found; // the entry being delivered (its storage reused)
    LdapEntry m_ahead; // the entry being read ahead (likewise)
    std::string m_filter;
    std::vector<std::string> m_attributes;
    bool m_remember;
    std::unique_ptr<PagedSearch> m_search;
    bool m_searching = true; // steps or pages are left
    bool m_retried = false;
    bool m_subtreeListed = false; // the step's subtree listing was asked for
    DirResult m_failure = 0; // what ended the search, told after the entries read before it
    ReadAheadQueue m_pending; // entries read ahead of their names
    int m_sincePoll = 0;
    int m_sinceTaken = 0; // entries delivered since the search was last looked at
    std::uint32_t m_examined = 0;
};

namespace {

// A listing gathered and sorted before the first object is delivered; a
// listing that a server's limit cut short delivers what came, then the
// limit's code.
class ListCursor final : public ObjectCursor
{
public:
    ListCursor(std::vector<ObjectSummary> entries, DirResult failure)
        : m_entries(std::move(entries))
        , m_failure(failure)
    { }
    DirResult Next(ObjectSummary* entry, bool* done) override
    {
        if (m_next >= m_entries.size()) {
            if (m_failure != 0) {
                return m_failure;
            }
            *done = true;
            return 0;
        }
        *entry = std::move(m_entries[m_next++]);
        *done = false;
        return 0;
    }
    std::uint32_t Examined() const override { return static_cast<std::uint32_t>(m_next); }

private:
    std::vector<ObjectSummary> m_entries;
    DirResult m_failure;
    std::size_t m_next = 0;
};

bool IsLimit(DirResult rc)
{
    return rc == ERR_SIZE_LIMIT_EXCEEDED || rc == ERR_TIME_LIMIT_EXCEEDED || rc == ERR_ADMIN_LIMIT_EXCEEDED;
}

std::string LeafOf(const std::string& fullName)
{
    return fullName.substr(0, FindUnescaped(fullName, '.'));
}

} // namespace

DirResult LdapDirectory::ReadEntry(std::string_view fullName, ObjectSummary* entry)
{
    if (fullName.empty()) {
        ObjectSummary root;
        root.baseClass = "Tree Root";
        root.flags = DS_CONTAINER_ENTRY;
        root.subordinateCount = static_cast<std::uint32_t>(m_namingContexts.size());
        *entry = std::move(root);
        return 0;
    }
    if (const SearchedEntries::Entry* searched = m_last.entries.find(fullName); searched != nullptr) {
        *entry = m_last.entries.Summary(*searched);
        return 0;
    }
    std::string dn;
    if (const DirResult rc = Resolve(fullName, &dn); rc != 0) {
        return rc;
    }
    std::vector<LdapEntry> found;
    CountSearch();
    if (const DirResult rc = SearchAll(dn, LDAP_SCOPE_BASE, "(objectClass=*)", SummaryAttributes(), &found, false);
        rc != 0) {
        return rc;
    }
    if (found.empty()) {
        return ERR_NO_SUCH_ENTRY;
    }
    *entry = Summarize(found.front());
    return 0;
}

DirResult LdapDirectory::DistinguishedName(std::string_view fullName, std::string* dn)
{
    if (fullName.empty()) {
        return ERR_NO_SUCH_ATTRIBUTE;
    }
    if (const SearchedEntries::Entry* searched = m_last.entries.find(fullName); searched != nullptr) {
        *dn = searched->Dn();
        return 0;
    }
    return Resolve(fullName, dn);
}

std::vector<std::string> LdapDirectory::RequestedAttributes(const std::vector<std::string>* names) const
{
    std::vector<std::string> requested;
    if (names == nullptr) {
        requested.emplace_back("*");
        return requested;
    }
    for (const std::string& name : *names) {
        std::string spelled;
        if (const int id = m_schema.FindAttribute(name); id != kNoSchemaId) {
            spelled = m_schema.Attribute(id).name;
        } else if (const auto it = m_aliases.find(FoldCase(name)); it != m_aliases.end()) {
            spelled = it->second;
        }
        if (!spelled.empty() && std::find(requested.begin(), requested.end(), spelled) == requested.end()) {
            requested.push_back(std::move(spelled));
        }
    }
    return requested;
}

int LdapDirectory::AttributeId(std::string_view description) const
{
    // Options ("cn;lang-de") are folded into the attribute itself.
    const std::string base(description.substr(0, description.find(';')));
    const int id = m_schema.FindAttribute(base);
    if (id != kNoSchemaId) {
        return id;
    }
    const auto it = m_aliases.find(FoldCase(base));
    return it == m_aliases.end() ? kNoSchemaId : m_schema.FindAttribute(it->second);
}

DirResult LdapDirectory::ConvertAttributes(
    std::string_view encoded, const std::vector<std::string>* only, std::vector<AttributeData>* attributes)
{
    // With a list of attributes, the entry's attribute descriptions are
    // compared with their spellings (names and aliases), not looked up.
    std::vector<std::pair<std::string_view, int>> spellings;
    if (only != nullptr) {
        for (const std::string& name : *only) {
            if (const int id = m_schema.FindAttribute(name); id != kNoSchemaId) {
                spellings.emplace_back(m_schema.Attribute(id).name, id);
                if (const auto aliases = m_aliasesOf.find(id); aliases != m_aliasesOf.end()) {
                    for (const std::string& alias : aliases->second) {
                        spellings.emplace_back(alias, id);
                    }
                }
            }
        }
    }
    std::vector<std::pair<int, AttributeData>> converted;
    const DnToName nameOf = [this](std::string_view dn) { return NameOfDn(dn); };
    AttributeReader reader(encoded);
    for (RawAttribute raw; reader.Next(&raw);) {
        int id = kNoSchemaId;
        if (only == nullptr) {
            id = AttributeId(raw.type);
        } else {
            const std::string_view base = raw.type.substr(0, raw.type.find(';'));
            for (const auto& [spelling, spelledId] : spellings) {
                if (SameTextIgnoreCase(spelling, base)) {
                    id = spelledId;
                    break;
                }
            }
        }
        if (id == kNoSchemaId) {
            continue;
        }
        auto at = std::find_if(converted.begin(), converted.end(), [id](const auto& p) { return p.first == id; });
        if (at == converted.end()) {
            const AttributeDef& def = m_schema.Attribute(id);
            AttributeData data;
            data.name = def.name;
            data.syntaxId = def.syntaxId;
            converted.emplace_back(id, std::move(data));
            at = converted.end() - 1;
        }
        AttributeData& data = at->second;
        if (const ValueForm form = FormOf(id); form != ValueForm::Plain) {
            std::vector<std::string_view> values;
            ValueReader reader(raw.values);
            for (std::string_view value; reader.Next(&value);) {
                values.push_back(value);
            }
            AppendFormValues(form, values, &data);
            continue;
        }
        const std::size_t before = data.values.size();
        ValueReader values(raw.values);
        for (std::string_view value; values.Next(&value);) {
            std::string wire;
            if (data.syntaxId != SYN_UNKNOWN && LdapValueToWire(data.syntaxId, value, nameOf, &wire)) {
                data.values.push_back(std::move(wire));
                continue;
            }
            // A value not of its syntax's form: the attribute is delivered
            // as it came, nothing lost.
            if (data.syntaxId != SYN_UNKNOWN) {
                data.syntaxId = SYN_UNKNOWN;
                data.values.resize(before);
                ValueReader again(raw.values);
                for (std::string_view rawValue; again.Next(&rawValue);) {
                    LdapValueToWire(SYN_UNKNOWN, rawValue, nameOf, &wire);
                    data.values.push_back(wire);
                }
                break;
            }
            LdapValueToWire(SYN_UNKNOWN, value, nameOf, &wire);
            data.values.push_back(std::move(wire));
        }
    }
    std::sort(converted.begin(), converted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    attributes->clear();
    for (auto& [id, data] : converted) {
        attributes->push_back(std::move(data));
    }
    return 0;
}

DirResult LdapDirectory::FetchReadAhead(const std::vector<std::string>& attrs)
{
    m_last.readAhead.clear();
    m_last.readAheadFailure = 0;
    for (const auto& [baseDn, scope] : m_last.plan) {
        std::shared_ptr<Connection> connection;
        if (const DirResult rc = Acquire(&connection); rc != 0) {
            return rc;
        }
        CountSearch();
        auto search = connection->OpenSearch(baseDn, scope, m_last.filter, attrs);
        while (true) {
            LdapEntry entry;
            bool done = false;
            if (const DirResult rc = search->Next(&entry, &done); rc != 0) {
                return rc;
            }
            if (done) {
                break;
            }
            if (const DirResult rc = CompleteRanges(&entry); rc != 0) {
                return rc;
            }
            std::vector<AttributeData> converted;
            ConvertAttributes(entry.attributes, nullptr, &converted);
            m_last.readAhead.insert_or_assign(FoldCase(NameOfDn(entry.dn)), std::move(converted));
        }
    }
    return 0;
}

bool LdapDirectory::ReadFromSearch(const SearchedEntries::Entry& searched, const std::vector<std::string>& requested,
    std::vector<AttributeData>* attributes)
{
    if (!m_last.entries.AttributesKept()) {
        return false;
    }
    if (m_last.askedByName) {
        // A search that asked for some attributes by name answers reads of
        // those alone.
        for (const std::string& name : requested) {
            const int id = m_schema.FindAttribute(name);
            if (id == kNoSchemaId || std::find(m_last.asked.begin(), m_last.asked.end(), id) == m_last.asked.end()) {
                return false;
            }
        }
        ConvertAttributes(searched.Attributes(), &requested, attributes);
        return true;
    }
    // A search brings the user attributes and the two time stamps; other
    // operational attributes need a read of their own.
    for (const std::string& name : requested) {
        const int id = m_schema.FindAttribute(name);
        if (id == kNoSchemaId ||
            ((m_schema.Attribute(id).flags & DS_HIDDEN_ATTR) != 0 && !SameTextIgnoreCase(name, "createTimestamp") &&
                !SameTextIgnoreCase(name, "modifyTimestamp"))) {
            return false;
        }
    }
    ConvertAttributes(searched.Attributes(), &requested, attributes);
    return true;
}

DirResult LdapDirectory::ReadAttributes(
    std::string_view fullName, const std::vector<std::string>* names, std::vector<AttributeData>* attributes)
{
    const std::vector<std::string> requested = RequestedAttributes(names);
    if (requested.empty()) {
        attributes->clear();
        return 0;
    }
    const SearchedEntries::Entry* searched = names != nullptr ? m_last.entries.find(fullName) : nullptr;
    if (searched != nullptr) {
        if (ReadFromSearch(*searched, requested, attributes)) {
            return 0;
        }
        std::string requestKey;
        for (const std::string& r : requested) {
            requestKey += FoldCase(r) + "\n";
        }
        if (m_last.readAheadKey != requestKey) {
            // Fetched once per attribute list, whatever its outcome: a fetch
            // that failed (its notice or the search's error says why) keeps
            // what it brought, and the objects it did not reach are read one
            // by one below.
            m_last.readAheadKey = requestKey;
            m_last.readAheadFailure = FetchReadAhead(requested);
        }
        if (const auto it = m_last.readAhead.find(FoldCase(fullName)); it != m_last.readAhead.end()) {
            *attributes = it->second;
            return 0;
        }
    }
    std::string dn;
    if (const DirResult rc = Resolve(fullName, &dn); rc != 0) {
        return rc;
    }
    std::vector<LdapEntry> found;
    CountSearch();
    if (const DirResult rc = SearchAll(dn, LDAP_SCOPE_BASE, "(objectClass=*)", requested, &found); rc != 0) {
        return rc;
    }
    if (found.empty()) {
        return ERR_NO_SUCH_ENTRY;
    }
    return ConvertAttributes(found.front().attributes, nullptr, attributes);
}

DirResult LdapDirectory::OpenList(std::string_view fullName, bool containersOnly, std::unique_ptr<ObjectCursor>* cursor)
{
    std::deque<SearchStep> steps;
    if (fullName.empty()) {
        const std::vector<std::string> tops =
            m_namingContexts.empty() ? std::vector<std::string> {m_baseDn} : m_namingContexts;
        for (const std::string& top : tops) {
            steps.push_back(SearchStep {top, LDAP_SCOPE_BASE, false});
        }
    } else {
        std::string dn;
        if (const DirResult rc = Resolve(fullName, &dn); rc != 0) {
            return rc;
        }
        steps.push_back(SearchStep {dn, LDAP_SCOPE_ONELEVEL, false});
    }
    // Containers are asked for by their classes: a container with more
    // entries than the server hands out in one search still lists its
    // containers completely.
    std::string filter = "(objectClass=*)";
    if (containersOnly) {
        std::string classes;
        for (const ClassDef& def : m_schema.Classes()) {
            if ((def.flags & DS_CONTAINER_CLASS) != 0) {
                classes += "(objectClass=" + def.name + ")";
            }
        }
        filter = classes.empty() ? filter : "(|" + classes + ")";
    }
    SearchCursor all(this, std::move(steps), filter, SummaryAttributes(), false);
    std::vector<ObjectSummary> entries;
    DirResult failure = 0;
    while (true) {
        ObjectSummary entry;
        bool done = false;
        if (const DirResult rc = all.Next(&entry, &done); rc != 0) {
            if (!IsLimit(rc)) {
                return rc;
            }
            failure = rc;
            break;
        }
        if (done) {
            break;
        }
        if (!containersOnly || (entry.flags & DS_CONTAINER_ENTRY) != 0) {
            entries.push_back(std::move(entry));
        }
    }
    std::stable_sort(entries.begin(), entries.end(), [](const ObjectSummary& a, const ObjectSummary& b) {
        return CompareIgnoreCase(LeafOf(a.fullName), LeafOf(b.fullName)) < 0;
    });
    *cursor = std::make_unique<ListCursor>(std::move(entries), failure);
    return 0;
}

DirResult LdapDirectory::OpenSearch(
    std::string_view base, std::int32_t scope, const FilterNode* filter, std::unique_ptr<ObjectCursor>* cursor)
{
    return OpenSearchReading(base, scope, filter, nullptr, cursor);
}

DirResult LdapDirectory::OpenSearchReading(std::string_view base, std::int32_t scope, const FilterNode* filter,
    const std::vector<std::string>* reads, std::unique_ptr<ObjectCursor>* cursor)
{
    if (scope < 0 || scope > 2) {
        return ERR_INVALID_FILTER_SYNTAX;
    }
    std::string text;
    const DnLookup lookup = [this](std::string_view name, std::string* dn) { return Resolve(name, dn) == 0; };
    if (const DirResult rc = TranslateFilter(filter, lookup, &text); rc != 0) {
        return rc;
    }
    std::deque<SearchStep> steps;
    if (base.empty()) {
        // Below the root: the naming contexts, each one's whole subtree.
        const std::vector<std::string> tops =
            m_namingContexts.empty() ? std::vector<std::string> {m_baseDn} : m_namingContexts;
        if (scope != 0) {
            for (const std::string& top : tops) {
                steps.push_back(SearchStep {top, scope == 1 ? LDAP_SCOPE_BASE : LDAP_SCOPE_SUBTREE, false});
            }
        }
    } else {
        std::string dn;
        if (const DirResult rc = Resolve(base, &dn); rc != 0) {
            return rc;
        }
        const int ldapScope = scope == 0 ? LDAP_SCOPE_BASE : (scope == 1 ? LDAP_SCOPE_ONELEVEL : LDAP_SCOPE_SUBTREE);
        steps.push_back(SearchStep {dn, ldapScope, scope == 2});
    }
    m_last = LastSearch();
    m_last.entries = SearchedEntries(m_searchCacheLimit);
    m_last.filter = text;
    for (const SearchStep& step : steps) {
        m_last.plan.emplace_back(step.baseDn, step.scope);
    }
    // Every user attribute unless the reads to come are known: then those
    // and what the summaries need, which costs the server and the client a
    // fraction of whole entries.
    std::vector<std::string> attributes = SearchAttributes();
    if (reads != nullptr && !reads->empty()) {
        attributes = SummaryAttributes();
        m_last.askedByName = true;
        for (std::string& name : RequestedAttributes(reads)) {
            if (std::none_of(attributes.begin(), attributes.end(),
                    [&name](const std::string& a) { return SameTextIgnoreCase(a, name); })) {
                attributes.push_back(std::move(name));
            }
        }
        for (const std::string& name : attributes) {
            if (const int id = m_schema.FindAttribute(name); id != kNoSchemaId) {
                m_last.asked.push_back(id);
            }
        }
    }
    *cursor = std::make_unique<SearchCursor>(this, std::move(steps), std::move(text), std::move(attributes), true);
    return 0;
}

DirResult LdapDirectory::OpenStream(std::string_view fullName, std::string_view attribute, int* fd)
{
    const std::vector<std::string> names {std::string(attribute)};
    const std::vector<std::string> requested = RequestedAttributes(&names);
    if (requested.empty()) {
        return ERR_NO_SUCH_ATTRIBUTE;
    }
    std::string dn;
    if (const DirResult rc = Resolve(fullName, &dn); rc != 0) {
        return rc;
    }
    std::vector<LdapEntry> found;
    CountSearch();
    if (const DirResult rc = SearchAll(dn, LDAP_SCOPE_BASE, "(objectClass=*)", requested, &found); rc != 0) {
        return rc;
    }
    RawAttribute stream;
    std::string_view content;
    if (found.empty() || !AttributeReader(found.front().attributes).Next(&stream) ||
        !ValueReader(stream.values).Next(&content)) {
        return ERR_NO_SUCH_ATTRIBUTE;
    }
    return OpenContentAsStream(content, fd);
}

} // namespace veralith::client::ldap
