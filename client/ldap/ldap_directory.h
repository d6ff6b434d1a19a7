#pragma once

// A directory on an LDAP server served through the DirectoryService
// interface: names map to and from DNs, the schema comes from the server's
// subschema subentry, searches are paged and streamed.
//
// Reads that follow a search are served from what that search learned: a
// search asks for every user attribute along with the entry information, so
// the entries it delivered answer ReadEntry and ReadAttributes from memory
// (up to a memory limit). Where that is not enough (operational attributes,
// or a result too large to keep) the first ReadAttributes of an object the
// search delivered fetches the requested attributes for the whole result set
// in one paged search and answers the following reads from it. All of it is
// dropped by the next search.

#include "client/ldap/connection.h"
#include "client/ldap/dn.h"
#include "client/ldap/searched_entries.h"
#include "client/ldap/value_forms.h"
#include "client/service.h"

#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace veralith::client::ldap {

class LdapDirectory final : public DirectoryService
{
public:
    // Connects to the server of url, binds with credentials and reads the
    // root DSE and the schema. nullptr with *error on failure (the error
    // names the server, never the password).
    static std::shared_ptr<LdapDirectory> Open(const LdapUrl& url, const Credentials& credentials, std::string* error);

    std::string TreeName() const override { return m_tree; }
    std::string DefaultNameContext() const override { return m_defaultNameContext; }
    const Schema& GetSchema() const override { return m_schema; }
    DirResult ReadEntry(std::string_view fullName, ObjectSummary* entry) override;
    DirResult ReadAttributes(std::string_view fullName, const std::vector<std::string>* names,
        std::vector<AttributeData>* attributes) override;
    DirResult OpenList(std::string_view fullName, bool containersOnly, std::unique_ptr<ObjectCursor>* cursor) override;
    DirResult OpenSearch(std::string_view base, std::int32_t scope, const FilterNode* filter,
        std::unique_ptr<ObjectCursor>* cursor) override;
    // Told the attributes the reads will ask for, the search asks for those
    // and what an entry's summary needs instead of every user attribute.
    DirResult OpenSearchReading(std::string_view base, std::int32_t scope, const FilterNode* filter,
        const std::vector<std::string>* reads, std::unique_ptr<ObjectCursor>* cursor) override;
    DirResult OpenStream(std::string_view fullName, std::string_view attribute, int* fd) override;
    std::vector<std::string> NamingTypes(std::string_view fullName) override;
    // A component is written with its type where its value alone would name
    // a sibling too ("uid=adm" beside "cn=adm").
    bool NamesCarryTypes() const override { return true; }
    // The DN the server gave (the last search's entry, else the one resolved).
    DirResult DistinguishedName(std::string_view fullName, std::string* dn) override;

    // What the schema's reading left out, one message per definition.
    const std::vector<std::string>& SchemaWarnings() const { return m_schemaWarnings; }
    // Counts of searches sent to the server, for tests of the read-ahead.
    std::uint64_t SearchesSent() const { return m_searchesSent; }
    // Bytes of encoded attributes a search keeps for the reads after it
    // (default 256 MiB); past it the reads fetch ahead instead.
    void SetSearchCacheLimit(std::size_t bytes) { m_searchCacheLimit = bytes; }

    // The DN of a full name (escaped, typed where its writer chose);
    // ERR_NO_SUCH_ENTRY when it names nothing or a value names two siblings.
    DirResult Resolve(std::string_view fullName, std::string* dn);
    // The full name of a DN (remember: and keeps the pair for resolve).
    std::string NameOfDn(std::string_view dn, bool remember = true);
    // Connections kept open, for tests of the connection pool.
    std::size_t ConnectionCount() const { return m_connections.size(); }

private:
    // The cursor of searches (client/ldap/ldap_reads.cpp) works on the
    // service's internals below.
    class SearchCursor;

    // Whether the names of the entry of dn can be given without waiting: the
    // containers it lies in were listed. Those not listed are queued for
    // listing (AdvanceListings) and false is returned.
    bool NamesReady(std::string_view dn);
    // Queues the listing of the children of dn (a search's base; subtree:
    // of every container below it too) so that the names of the entries
    // below it are ready early.
    void ListAhead(std::string_view dn, bool subtree);
    // How far moving the listings on goes: what has arrived (Arrived), the
    // listing that runs to its end (ToTheEnd), or that listing for about
    // kWaitHookInterval (Briefly: the caller tells its user it waits).
    enum class ListingWait { Arrived, Briefly, ToTheEnd };
    // Moves the queued listings on as far as wait says. True when a listing
    // made progress or none is left to run.
    bool AdvanceListings(ListingWait wait);
    // Abandons the listing that runs and those queued (a search ended: what
    // was not needed is not listed; what was is kept).
    void DropListings();
    // rememberName: keep the entry's name and DN for later look-ups (a
    // search keeps them with its own results instead).
    ObjectSummary Summarize(const LdapEntry& entry, bool rememberName = true);
    void RememberSearched(const ObjectSummary& summary, const LdapEntry& entry)
    {
        m_last.entries.Add(summary, entry.dn, entry.attributes);
    }
    // A connection no paged search is using: an idle one of the pool, else a
    // new one (at most kMaxConnections are kept). ERR_TRANSPORT_FAILURE, with
    // a notice, when a new one cannot be opened; a connection that failed to
    // open is not tried again for the URL's time-out.
    DirResult Acquire(std::shared_ptr<Connection>* connection);
    // Every entry of a search on a connection of Acquire(), each with its
    // ranged values complete (unless completeRanges is false); run once more
    // on a new connection when the first was found broken before it answered.
    DirResult SearchAll(std::string_view base, int scope, std::string_view filter,
        const std::vector<std::string>& attributes, std::vector<LdapEntry>* entries, bool completeRanges = true);
    // Completes the ranged values of an entry (client/ldap/ranges.h).
    DirResult CompleteRanges(LdapEntry* entry);
    // False, with a notice naming its DN, for an entry whose name the client
    // cannot carry (longer than kMaxNameChars, or a component longer than
    // kMaxRdnChars): listings and searches leave it out.
    bool NameFits(const ObjectSummary& summary, std::string_view dn) const;
    void CountSearch() { ++m_searchesSent; }
    static constexpr std::size_t kMaxConnections = 4;
    // What a read of an entry asks for, and what a search asks for.
    const std::vector<std::string>& SummaryAttributes() const { return m_summaryAttributes; }
    const std::vector<std::string>& SearchAttributes() const { return m_searchAttributes; }
    // Sets the two lists above from the server's schema: the counters of
    // subordinates only where it defines them. A server asked for an
    // attribute it does not know looks for it in every entry it sends
    // (slapd spends about 5 % more on a search of a million entries).
    void ChooseRequestedAttributes();

    LdapDirectory() = default;
    DirResult ReadRootDse(std::string* error);
    // What a failed search of the start-up says: the server's result and
    // diagnostic, and for an anonymous bind whose searches the server
    // refuses, that the bind was refused.
    std::string RefusalText(DirResult rc, const std::string& what) const;
    // The base class and auxiliary classes of an entry's encoded attributes.
    std::string BaseClassOf(std::string_view attributes, std::vector<std::string>* aux);
    // The attribute names a read asks the server for (schema spelling).
    std::vector<std::string> RequestedAttributes(const std::vector<std::string>* names) const;
    // The schema id of an attribute description ("cn", "cn;lang-de", an
    // alias), kNoSchemaId when the schema does not know it.
    int AttributeId(std::string_view description) const;
    // Converts the encoded attributes of an entry (only: just those of these
    // schema names) into the client's values, in schema order.
    DirResult ConvertAttributes(
        std::string_view encoded, const std::vector<std::string>* only, std::vector<AttributeData>* attributes);
    DirResult FetchReadAhead(const std::vector<std::string>& attrs);

    struct TextHash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view> {}(text); }
    };
    // One child of a container: its relative name and its DN as the server
    // wrote it.
    struct Child
    {
        DnComponent rdn;
        std::string dn;
    };
    // The children of one container, from one listing of their DNs.
    struct Children
    {
        std::vector<Child> children;
        std::unordered_set<std::string> shared; // folded values of two or more single-valued rdns
        DirResult result = 0; // the listing's result
    };
    // What the names of a container's children need: the folded values that
    // two or more single-valued relative names of its children share.
    struct Siblings
    {
        std::unordered_set<std::string> shared;
        DirResult result = 0; // the listing's result
    };
    // A listing of a container's children (or, subtree, of the children of
    // every container below it) that runs while its owner does other work
    // (a search reads on), on a connection of its own.
    class SiblingListing
    {
    public:
        // key: the container's DN folded.
        SiblingListing(std::string key, std::string dn, bool subtree)
            : m_key(std::move(key))
            , m_dn(std::move(dn))
            , m_subtree(subtree)
        { }
        const std::string& Key() const { return m_key; }
        bool Subtree() const { return m_subtree; }
        // Whether it lists the children of the container of folded DN key.
        bool Lists(const std::string& key) const;
        // Opens the listing on a connection of directory's pool.
        DirResult Start(LdapDirectory* directory);
        // Takes the children that have arrived (wait: reads until the
        // listing ends); *progressed tells whether any came. True when the
        // listing has ended, with its result in *result. A connection the
        // server had closed before the listing began is replaced, once.
        bool Advance(LdapDirectory* directory, ListingWait wait, bool* progressed, DirResult* result);
        // What a listing of one container found, with its result.
        Siblings TakeSiblings(DirResult result);
        // What a subtree listing that succeeded found: the siblings of every
        // container at or below its base, by folded DN.
        std::unordered_map<std::string, Siblings> TakeContainers();

    private:
        // The folded values of a container's single-valued relative names,
        // each its hash and its place in m_text: a listing of a million
        // children costs 24 bytes and a few characters each, not a node of
        // a hash set, and the values shared are found by sorting once.
        struct Container
        {
            struct Value
            {
                std::uint64_t hash;
                std::size_t at;
                std::size_t size;
            };
            std::vector<Value> values;
        };
        // The container of a child of a subtree listing (nullptr: the base's
        // own entry, whose container is not listed whole).
        Container* ContainerOf(std::string_view dn);
        void Add(const LdapEntry& child);
        // The values two or more children of container share.
        Siblings SharedIn(Container& container, DirResult result) const;

        std::string m_key;
        std::string m_dn;
        bool m_subtree;
        std::unique_ptr<PagedSearch> m_search;
        Container m_single; // a listing of one container
        std::string m_text; // the values of all containers, end to end
        std::unordered_map<std::string, Container> m_containers; // subtree: folded DN -> its children
        std::unordered_map<std::string, Container*, TextHash, std::equal_to<>> m_parentOf; // parent DN as written
        bool m_retried = false;
    };
    // Parses the naming contexts (or the URL's base) the names end in.
    void PrepareTops();
    // True when the folded DN key lies within a naming context (its children
    // are listed, not taken from the naming contexts).
    bool WithinTops(const std::string& key) const;
    // The siblings of the DN components[from..]'s children (key: that DN
    // folded): listed now unless listed before.
    const Siblings& SiblingsOf(const std::vector<DnComponent>& components, std::size_t from, const std::string& key);
    // Queues a listing of the container of folded DN key (unless listed,
    // queued, or within a subtree listing queued or running); true when it
    // is listed already.
    bool QueueListing(const std::string& key, std::string_view dn);
    // Whether a subtree listing queued or running lists the container key.
    bool ListedWithSubtree(const std::string& key) const;
    // Ends the running listing with its result and keeps its siblings.
    void FinishListing(DirResult rc);
    // The children of the DN components[from..]: listed once (again with
    // refresh; *scanned tells whether it was listed now). Above the naming
    // contexts they are the naming contexts' own components.
    const Children& ChildrenOf(
        const std::vector<DnComponent>& components, std::size_t from, bool refresh, bool* scanned);
    // The full name of the DN components[from..]; the names of its ancestors
    // are kept.
    std::string NameOfComponents(const std::vector<DnComponent>& components, std::size_t from);

    std::vector<std::shared_ptr<Connection>> m_connections;
    LdapUrl m_url;
    Credentials m_credentials;
    std::int64_t m_noReconnectBefore = 0; // steady-clock seconds
    std::string m_tree;
    std::string m_defaultNameContext;
    std::string m_baseDn;
    bool m_anonymous = true;
    std::vector<std::string> m_schemaWarnings;
    std::vector<std::string> m_namingContexts; // DNs
    Schema m_schema;
    std::unordered_map<std::string, std::string> m_aliases; // folded alias -> schema name
    std::unordered_map<int, std::vector<std::string>> m_aliasesOf; // attribute id -> its aliases
    std::vector<ValueForm> m_forms; // by attribute id
    ValueForm FormOf(int id) const
    {
        return static_cast<std::size_t>(id) < m_forms.size() ? m_forms[static_cast<std::size_t>(id)] : ValueForm::Plain;
    }
    std::unordered_map<std::string, std::string> m_dnOfName; // folded full name -> DN
    std::unordered_map<std::string, std::string> m_nameOfKey; // folded DN of a container -> full name
    std::unordered_map<std::string, Children> m_children; // folded DN -> its children (for resolve)
    std::unordered_map<std::string, Siblings> m_siblings; // folded DN -> its children's shared values
    std::unique_ptr<SiblingListing> m_listing; // the listing that runs
    struct ListingOrder
    {
        std::string key; // the container's DN folded
        std::string dn;
        bool subtree = false;
    };
    std::deque<ListingOrder> m_toList; // listings to run
    std::unordered_set<std::string> m_listQueued; // folded DNs of one-container listings queued or running
    std::vector<std::string> m_subtreesListed; // folded DNs of subtree listings queued or running
    std::unordered_set<std::string> m_subtreesRefused; // and of those that failed (listed one by one)
    // DNs (as written) whose children's names are ready.
    std::unordered_set<std::string, TextHash, std::equal_to<>> m_readyParents;
    std::vector<std::vector<DnComponent>> m_tops; // the naming contexts, parsed
    std::vector<std::string> m_topKeys; // and folded
    struct ClassInfo
    {
        std::string base;
        std::vector<std::string> aux;
    };
    std::unordered_map<std::string, ClassInfo> m_classesOf; // joined objectClass values -> classes
    std::string m_lastClassesEncoded; // the objectClass values of the entry summarized last, encoded
    const ClassInfo* m_lastClasses = nullptr; // and its classes

    // What the last search learned.
    struct LastSearch
    {
        std::vector<std::pair<std::string, int>> plan; // base DN and LDAP scope of each step
        std::string filter;
        SearchedEntries entries;
        // Whether the search asked for attributes by name (else for every
        // user attribute), and the schema ids of those it named.
        bool askedByName = false;
        std::vector<int> asked;
        std::string readAheadKey; // folded attribute list fetched ahead
        DirResult readAheadFailure = 0;
        std::unordered_map<std::string, std::vector<AttributeData>> readAhead;
    };
    LastSearch m_last;
    // Answers a read from the attributes the last search kept of an entry;
    // false when they cannot answer it.
    bool ReadFromSearch(const SearchedEntries::Entry& searched, const std::vector<std::string>& requested,
        std::vector<AttributeData>* attributes);
    std::uint64_t m_searchesSent = 0;
    std::size_t m_searchCacheLimit = std::size_t(256) << 20;
    std::vector<std::string> m_summaryAttributes;
    std::vector<std::string> m_searchAttributes;
};

// A tree name the client can show for a server's name (its
// directoryTreeName, or the base DN's typeless name): every character but
// letters, digits and "_" becomes "-", cut to kMaxTreeNameChars, without
// trailing "_" or "-"; "LDAP" when nothing is left.
std::string UsableTreeName(std::string_view name);

// A tree name taken from a base DN: its typeless name, made usable
// (UsableTreeName); the host of hostPort when the base is empty.
std::string TreeNameFromBase(const std::string& base, const std::string& hostPort);

// Opens the LDAP service of a tree source (an LDAP URL) with the credentials
// of the environment.
bool LoadLdapSource(std::string_view source, std::shared_ptr<DirectoryService>* service, std::string* error);

} // namespace veralith::client::ldap
