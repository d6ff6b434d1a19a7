// The names of an LDAP directory's entries: DNs to dotted names and back.
//
// A component is its value, escaped; it is written with its type when a
// sibling has the same value under another naming attribute, and with all its
// parts when its relative name has several values. Which siblings an entry
// has is learnt by one listing of their DNs per container, of which only the
// values that siblings share are kept while the directory lives, so a name
// depends on the directory's content alone, never on the order in which
// entries were met. A search has the listings its entries' names need run
// on a connection of their own while it reads on, so that the server lists
// and searches at once. A subtree search that turns out large lists its
// whole subtree in one operation (the containers of a large tree would
// otherwise be listed one after the other, each a round trip of its own,
// while entries wait); a small one lists only the containers its entries
// lie in. Where the listing of a subtree fails (a server's limit on the
// entries of one search) its containers are listed one by one. The
// components of the naming contexts themselves are compared with the other
// naming contexts.

#include "client/ldap/ldap_directory.h"
#include "client/name_syntax.h"
#include "client/names.h"
#include "client/notices.h"

#include <algorithm>
#include <chrono>
#include <ldap.h>

namespace veralith::client::ldap {

namespace {

// True when the DN key lies at or below the DN key top (both folded DNs).
bool WithinDn(const std::string& key, const std::string& top)
{
    if (top.empty() || key == top) {
        return true;
    }
    return key.size() > top.size() && key.compare(key.size() - top.size(), top.size(), top) == 0 &&
        key[key.size() - top.size() - 1] == ',';
}

std::string JoinParts(const std::vector<std::string_view>& parts, std::size_t from)
{
    std::string out;
    for (std::size_t i = from; i < parts.size(); ++i) {
        if (i > from) {
            out.push_back('.');
        }
        out += parts[i];
    }
    return out;
}

// The folded values that two or more single-valued relative names share
// (rdnOf gives an item's relative name).
template<typename Item, typename RdnOf>
std::unordered_set<std::string> SharedValues(const std::vector<Item>& items, RdnOf rdnOf)
{
    std::unordered_set<std::string> seen;
    std::unordered_set<std::string> shared;
    for (const Item& item : items) {
        if (const DnComponent& rdn = rdnOf(item); rdn.more.empty()) {
            std::string folded = FoldCase(rdn.value);
            if (!seen.insert(folded).second) {
                shared.insert(std::move(folded));
            }
        }
    }
    return shared;
}

// Where the parent's DN begins in dn (after the first separator that is
// neither escaped nor quoted); dn.size() for a DN of one relative name.
std::size_t ParentStart(std::string_view dn)
{
    bool quoted = false;
    for (std::size_t i = 0; i < dn.size(); ++i) {
        if (dn[i] == '\\') {
            ++i;
        } else if (dn[i] == '"') {
            quoted = !quoted;
        } else if ((dn[i] == ',' || dn[i] == ';') && !quoted) {
            return i + 1;
        }
    }
    return dn.size();
}

} // namespace

DirResult LdapDirectory::SiblingListing::Start(LdapDirectory* directory)
{
    m_search.reset();
    m_single = Container();
    m_text.clear();
    m_containers.clear();
    m_parentOf.clear();
    std::shared_ptr<Connection> connection;
    {
        // What keeps the listing from running the operation that needs the
        // names tells already.
        const ScopedNoticeHook quiet([](const std::string&) {});
        if (const DirResult rc = directory->Acquire(&connection); rc != 0) {
            return rc;
        }
    }
    directory->CountSearch();
    m_search =
        connection->OpenSearch(m_dn, m_subtree ? LDAP_SCOPE_SUBTREE : LDAP_SCOPE_ONELEVEL, "(objectClass=*)", {"1.1"});
    m_search->SetQuiet();
    return 0;
}

bool LdapDirectory::SiblingListing::Advance(
    LdapDirectory* directory, ListingWait wait, bool* progressed, DirResult* result)
{
    const auto until = std::chrono::steady_clock::now() + kWaitHookInterval;
    LdapEntry child;
    while (true) {
        bool got = false;
        bool done = false;
        DirResult rc = 0;
        if (wait != ListingWait::Arrived) {
            rc = m_search->Next(&child, &done);
            got = !done;
        } else {
            rc = m_search->Poll(&child, &got, &done);
        }
        if (rc != 0 && m_search->FailedOnStaleConnection() && !m_retried) {
            m_retried = true;
            if (Start(directory) == 0) {
                continue;
            }
        }
        if (rc != 0 || done) {
            *result = rc;
            return true;
        }
        if (!got) {
            return false;
        }
        Add(child);
        *progressed = true;
        if (wait == ListingWait::Briefly && std::chrono::steady_clock::now() >= until) {
            return false;
        }
    }
}

bool LdapDirectory::SiblingListing::Lists(const std::string& key) const
{
    return m_subtree ? WithinDn(key, m_key) : key == m_key;
}

LdapDirectory::Siblings LdapDirectory::SiblingListing::SharedIn(Container& container, DirResult result) const
{
    Siblings siblings;
    siblings.result = result;
    std::vector<Container::Value>& values = container.values;
    std::sort(values.begin(), values.end(),
        [](const Container::Value& a, const Container::Value& b) { return a.hash < b.hash; });
    const auto text = [this](const Container::Value& value) {
        return std::string_view(m_text).substr(value.at, value.size);
    };
    for (std::size_t first = 0; first < values.size();) {
        std::size_t end = first + 1;
        while (end < values.size() && values[end].hash == values[first].hash) {
            ++end;
        }
        // Values of one hash (nearly always equal ones) compared in full.
        for (std::size_t i = first; i < end; ++i) {
            for (std::size_t j = i + 1; j < end; ++j) {
                if (text(values[i]) == text(values[j])) {
                    siblings.shared.emplace(text(values[i]));
                }
            }
        }
        first = end;
    }
    container.values = {};
    return siblings;
}

LdapDirectory::Siblings LdapDirectory::SiblingListing::TakeSiblings(DirResult result)
{
    return SharedIn(m_single, result);
}

std::unordered_map<std::string, LdapDirectory::Siblings> LdapDirectory::SiblingListing::TakeContainers()
{
    std::unordered_map<std::string, Siblings> containers;
    // The base is listed even when it has no children.
    containers.try_emplace(m_key);
    for (auto& [key, container] : m_containers) {
        containers.insert_or_assign(key, SharedIn(container, 0));
    }
    return containers;
}

LdapDirectory::SiblingListing::Container* LdapDirectory::SiblingListing::ContainerOf(std::string_view dn)
{
    // Children come grouped by nothing, but their parents are few: the
    // parent's DN as written is looked up before it is parsed and folded.
    const std::string_view parent = dn.substr(ParentStart(dn));
    if (const auto it = m_parentOf.find(parent); it != m_parentOf.end()) {
        return it->second;
    }
    Container* container = nullptr;
    std::vector<DnComponent> components;
    if (ParseDn(parent, &components)) {
        // The base's own entry has its parent outside: that container is
        // not listed whole.
        if (std::string key = FoldCase(FormatDn(components)); WithinDn(key, m_key)) {
            container = &m_containers[std::move(key)];
        }
    }
    m_parentOf.emplace(std::string(parent), container);
    return container;
}

void LdapDirectory::SiblingListing::Add(const LdapEntry& child)
{
    Container* container = m_subtree ? ContainerOf(child.dn) : &m_single;
    DnComponent leaf;
    if (container != nullptr && ParseLeafRdn(child.dn, &leaf) && leaf.more.empty()) {
        const std::string folded = FoldCase(leaf.value);
        container->values.push_back(
            Container::Value {std::hash<std::string_view> {}(folded), m_text.size(), folded.size()});
        m_text += folded;
    }
}

bool LdapDirectory::WithinTops(const std::string& key) const
{
    for (const std::string& top : m_topKeys) {
        if (WithinDn(key, top)) {
            return true;
        }
    }
    return false;
}

bool LdapDirectory::ListedWithSubtree(const std::string& key) const
{
    return std::any_of(m_subtreesListed.begin(), m_subtreesListed.end(),
        [&key](const std::string& subtree) { return WithinDn(key, subtree); });
}

bool LdapDirectory::QueueListing(const std::string& key, std::string_view dn)
{
    if (m_siblings.count(key) > 0) {
        return true;
    }
    if (!ListedWithSubtree(key) && m_listQueued.insert(key).second) {
        m_toList.push_back(ListingOrder {key, std::string(dn), false});
    }
    return false;
}

void LdapDirectory::FinishListing(DirResult rc)
{
    const std::string& key = m_listing->Key();
    if (!m_listing->Subtree()) {
        m_siblings.try_emplace(key, m_listing->TakeSiblings(rc));
        m_listQueued.erase(key);
    } else {
        std::erase(m_subtreesListed, key);
        if (rc == 0) {
            for (auto& [container, siblings] : m_listing->TakeContainers()) {
                m_siblings.try_emplace(container, std::move(siblings));
            }
        } else {
            // What a failed listing met is not all there is: the containers
            // of the subtree are listed one by one as their entries ask.
            m_subtreesRefused.insert(key);
        }
    }
    m_listing.reset();
}

bool LdapDirectory::AdvanceListings(ListingWait wait)
{
    while (!m_listing) {
        if (m_toList.empty()) {
            return true;
        }
        ListingOrder order = std::move(m_toList.front());
        m_toList.pop_front();
        if (!order.subtree && (m_siblings.count(order.key) > 0 || ListedWithSubtree(order.key))) {
            // Listed meanwhile by an operation that could not wait, or
            // within a subtree listing queued after it.
            m_listQueued.erase(order.key);
            continue;
        }
        m_listing = std::make_unique<SiblingListing>(std::move(order.key), std::move(order.dn), order.subtree);
        if (const DirResult rc = m_listing->Start(this); rc != 0) {
            FinishListing(rc);
            return true;
        }
    }
    bool progressed = false;
    DirResult rc = 0;
    if (m_listing->Advance(this, wait, &progressed, &rc)) {
        FinishListing(rc);
        return true;
    }
    return progressed;
}

void LdapDirectory::DropListings()
{
    m_listing.reset();
    m_toList.clear();
    m_listQueued.clear();
    m_subtreesListed.clear();
    m_subtreesRefused.clear();
}

bool LdapDirectory::NamesReady(std::string_view dn)
{
    const std::string_view parent = dn.substr(ParentStart(dn));
    if (parent.empty() || m_readyParents.find(parent) != m_readyParents.end()) {
        return true;
    }
    std::vector<DnComponent> components;
    if (!ParseDn(dn, &components)) {
        return true; // the entry is named by its DN as it came
    }
    bool ready = true;
    for (std::size_t from = 1; from < components.size(); ++from) {
        const std::string container = FormatDnFrom(components, from);
        const std::string key = FoldCase(container);
        if (WithinTops(key) && !QueueListing(key, container)) {
            ready = false;
        }
    }
    if (ready) {
        m_readyParents.emplace(parent);
    } else if (!m_listing) {
        AdvanceListings(ListingWait::Arrived);
    }
    return ready;
}

void LdapDirectory::ListAhead(std::string_view dn, bool subtree)
{
    std::vector<DnComponent> components;
    if (!ParseDn(dn, &components)) {
        return;
    }
    std::string key = FoldCase(FormatDn(components));
    if (!WithinTops(key)) {
        return;
    }
    if (!subtree || m_subtreesRefused.count(key) > 0) {
        QueueListing(key, dn);
    } else if (!ListedWithSubtree(key)) {
        // Ahead of the listings of single containers it makes needless.
        m_subtreesListed.push_back(key);
        m_toList.push_front(ListingOrder {std::move(key), std::string(dn), true});
    }
    if (!m_listing) {
        AdvanceListings(ListingWait::Arrived);
    }
}

const LdapDirectory::Siblings& LdapDirectory::SiblingsOf(
    const std::vector<DnComponent>& components, std::size_t from, const std::string& key)
{
    if (const auto it = m_siblings.find(key); it != m_siblings.end()) {
        return it->second;
    }
    if (m_listing && m_listing->Lists(key)) {
        AdvanceListings(ListingWait::ToTheEnd);
        if (const auto it = m_siblings.find(key); it != m_siblings.end()) {
            return it->second;
        }
        // A subtree listing that failed: this container is listed alone.
    }
    if (!WithinTops(key)) {
        Siblings siblings;
        siblings.shared = ChildrenOf(components, from, false, nullptr).shared;
        return m_siblings.try_emplace(key, std::move(siblings)).first->second;
    }
    // Needed now: listed on its own, whatever runs or is queued.
    SiblingListing listing(key, FormatDnFrom(components, from), false);
    DirResult rc = listing.Start(this);
    if (rc == 0) {
        bool progressed = false;
        listing.Advance(this, ListingWait::ToTheEnd, &progressed, &rc);
    }
    return m_siblings.try_emplace(key, listing.TakeSiblings(rc)).first->second;
}

void LdapDirectory::PrepareTops()
{
    m_tops.clear();
    m_topKeys.clear();
    const std::vector<std::string> tops =
        m_namingContexts.empty() ? std::vector<std::string> {m_baseDn} : m_namingContexts;
    for (const std::string& top : tops) {
        std::vector<DnComponent> components;
        if (ParseDn(top, &components)) {
            m_topKeys.push_back(FoldCase(FormatDn(components)));
            m_tops.push_back(std::move(components));
        }
    }
    m_children.clear();
    m_nameOfKey.clear();
    m_siblings.clear();
    DropListings();
    m_readyParents.clear();
}

const LdapDirectory::Children& LdapDirectory::ChildrenOf(
    const std::vector<DnComponent>& components, std::size_t from, bool refresh, bool* scanned)
{
    const std::string key = FoldCase(FormatDnFrom(components, from));
    if (scanned != nullptr) {
        *scanned = false;
    }
    if (const auto it = m_children.find(key); it != m_children.end() && !refresh) {
        return it->second;
    }
    Children children;
    bool within = false;
    for (const std::string& top : m_topKeys) {
        within = within || WithinDn(key, top);
    }
    if (within) {
        std::vector<LdapEntry> found;
        CountSearch();
        if (scanned != nullptr) {
            *scanned = true;
        }
        // The pool gives a connection no paged search is using. A listing
        // that a limit cut short leaves the siblings incomplete.
        const DirResult rc =
            SearchAll(FormatDnFrom(components, from), LDAP_SCOPE_ONELEVEL, "(objectClass=*)", {"1.1"}, &found, false);
        for (const LdapEntry& child : found) {
            std::vector<DnComponent> parsed;
            if (ParseDn(child.dn, &parsed) && !parsed.empty()) {
                children.children.push_back(Child {std::move(parsed.front()), child.dn});
            }
        }
        children.result = rc;
    } else {
        // Above the naming contexts: the children are the naming contexts'
        // components one level below.
        const std::size_t depth = components.size() - from;
        for (const std::vector<DnComponent>& top : m_tops) {
            if (top.size() <= depth || FoldCase(FormatDnFrom(top, top.size() - depth)) != key) {
                continue;
            }
            const std::size_t at = top.size() - depth - 1;
            const std::string dn = FormatDnFrom(top, at);
            bool seen = false;
            for (const Child& known : children.children) {
                seen = seen || SameTextIgnoreCase(known.dn, dn);
            }
            if (!seen) {
                children.children.push_back(Child {top[at], dn});
            }
        }
    }
    children.shared =
        SharedValues(children.children, [](const Child& child) -> const DnComponent& { return child.rdn; });
    if (within) {
        // The names of the children need no listing of their own now.
        Siblings siblings;
        siblings.shared = children.shared;
        siblings.result = children.result;
        m_siblings.try_emplace(key, std::move(siblings));
    }
    return m_children.insert_or_assign(key, std::move(children)).first->second;
}

std::string LdapDirectory::NameOfComponents(const std::vector<DnComponent>& components, std::size_t from)
{
    if (from >= components.size()) {
        return {};
    }
    std::string parentName;
    std::string parentKey;
    if (from + 1 < components.size()) {
        parentKey = FoldCase(FormatDnFrom(components, from + 1));
        if (const auto it = m_nameOfKey.find(parentKey); it != m_nameOfKey.end()) {
            parentName = it->second;
        } else {
            parentName = NameOfComponents(components, from + 1);
            m_nameOfKey.emplace(parentKey, parentName);
            m_dnOfName.try_emplace(FoldCase(parentName), FormatDnFrom(components, from + 1));
        }
    }
    // What the listing of the siblings meets (a limit, a reference, a name
    // too long) the operation that delivered this entry tells already.
    const Siblings& siblings = SiblingsOf(components, from + 1, parentKey);
    const DnComponent& component = components[from];
    const bool typed =
        component.more.empty() && !siblings.shared.empty() && siblings.shared.count(FoldCase(component.value)) > 0;
    std::string name = ComponentName(component, typed);
    if (!parentName.empty()) {
        name.push_back('.');
        name += parentName;
    }
    return name;
}

std::string LdapDirectory::NameOfDn(std::string_view dn, bool remember)
{
    std::vector<DnComponent> components;
    if (!ParseDn(dn, &components)) {
        return std::string(dn);
    }
    std::string name = NameOfComponents(components, 0);
    if (remember) {
        m_dnOfName.try_emplace(FoldCase(name), std::string(dn));
    }
    return name;
}

DirResult LdapDirectory::Resolve(std::string_view fullName, std::string* dn)
{
    if (fullName.empty()) {
        dn->clear();
        return 0;
    }
    if (const auto it = m_dnOfName.find(FoldCase(fullName)); it != m_dnOfName.end()) {
        *dn = it->second;
        return 0;
    }
    if (const SearchedEntries::Entry* searched = m_last.entries.find(fullName); searched != nullptr) {
        *dn = searched->Dn();
        return 0;
    }
    const std::vector<std::string_view> parts = SplitUnescaped(fullName, '.');
    std::vector<std::vector<DnPart>> written(parts.size());
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!ParseNameComponent(parts[i], &written[i])) {
            return ERR_NO_SUCH_ENTRY;
        }
    }
    // Start below the nearest known ancestor, or else below the naming
    // context the name ends in (the longest one, where several match).
    std::size_t known = parts.size();
    std::vector<DnComponent> parent;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        if (const auto it = m_dnOfName.find(FoldCase(JoinParts(parts, i))); it != m_dnOfName.end()) {
            if (ParseDn(it->second, &parent)) {
                known = i;
                break;
            }
        }
    }
    if (known == parts.size()) {
        for (const std::vector<DnComponent>& top : m_tops) {
            if (top.size() > parts.size() || (known != parts.size() && parts.size() - top.size() >= known)) {
                continue;
            }
            const std::size_t offset = parts.size() - top.size();
            bool matches = true;
            for (std::size_t j = 0; matches && j < top.size(); ++j) {
                matches = MatchComponent(written[offset + j], top[j]) != ComponentMatch::None;
            }
            if (matches) {
                known = offset;
                parent = top;
            }
        }
        if (known == parts.size()) {
            return ERR_NO_SUCH_ENTRY; // the name ends in no naming context
        }
        if (known == 0) {
            *dn = FormatDn(parent);
            return 0;
        }
    }
    std::string childDn = FormatDn(parent);
    for (std::size_t i = known; i-- > 0;) {
        bool found = false;
        DirResult listed = 0;
        for (const bool refresh : {false, true}) {
            bool scanned = false;
            const Children& children = ChildrenOf(parent, 0, refresh, &scanned);
            listed = children.result;
            std::size_t exact = 0;
            std::size_t byValue = 0;
            std::size_t exactAt = 0;
            std::size_t byValueAt = 0;
            for (std::size_t k = 0; k < children.children.size(); ++k) {
                const ComponentMatch match = MatchComponent(written[i], children.children[k].rdn);
                if (match == ComponentMatch::Exact) {
                    ++exact;
                    exactAt = k;
                } else if (match == ComponentMatch::ValueOnly) {
                    ++byValue;
                    byValueAt = k;
                }
            }
            // A value that names two siblings names neither.
            const bool unique = exact == 1 || (exact == 0 && byValue == 1);
            if (unique) {
                const std::size_t at = exact == 1 ? exactAt : byValueAt;
                childDn = children.children[at].dn;
                parent.insert(parent.begin(), children.children[at].rdn);
                found = true;
                break;
            }
            if (exact > 1 || byValue > 1 || scanned) {
                break; // nothing more to learn by listing again
            }
        }
        if (!found) {
            // A listing that failed (a lost server, a limit) is the cause,
            // not a missing entry.
            return listed != 0 ? listed : ERR_NO_SUCH_ENTRY;
        }
        m_dnOfName.try_emplace(FoldCase(JoinParts(parts, i)), childDn);
    }
    *dn = childDn;
    return 0;
}

std::vector<std::string> LdapDirectory::NamingTypes(std::string_view fullName)
{
    std::string dn;
    std::vector<DnComponent> components;
    const std::size_t count = SplitUnescaped(fullName, '.').size();
    if (Resolve(fullName, &dn) == 0 && ParseDn(dn, &components) && components.size() == count) {
        return ldap::NamingTypes(components);
    }
    std::vector<std::string> types;
    for (std::size_t i = 0; i < count; ++i) {
        types.emplace_back(DefaultNamingType(i, count));
    }
    return types;
}

} // namespace veralith::client::ldap
