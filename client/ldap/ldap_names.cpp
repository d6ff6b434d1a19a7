// The names of an LDAP directory's entries: DNs to dotted names and back.
//
// A component is its value, escaped; it is written with its type when a
// sibling has the same value under another naming attribute, and with all its
// parts when its relative name has several values. Which siblings an entry
// has is learnt by one listing of their DNs per container, kept while the
// directory lives, so a name depends on the directory's content alone, never
// on the order in which entries were met. The components of the naming
// contexts themselves are compared with the other naming contexts.

#include "client/ldap/ldap_directory.h"
#include "client/name_syntax.h"
#include "client/notices.h"

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

} // namespace

void LdapDirectory::prepareTops()
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
}

const LdapDirectory::Children& LdapDirectory::childrenOf(
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
        countSearch();
        if (scanned != nullptr) {
            *scanned = true;
        }
        // The pool gives a connection no paged search is using. A listing
        // that a limit cut short leaves the siblings incomplete.
        const DirResult rc =
            searchAll(FormatDnFrom(components, from), LDAP_SCOPE_ONELEVEL, "(objectClass=*)", {"1.1"}, &found, false);
        for (const LdapEntry& child : found) {
            std::vector<DnComponent> parsed;
            if (ParseDn(child.dn, &parsed) && !parsed.empty()) {
                children.rdns.push_back(std::move(parsed.front()));
                children.dns.push_back(child.dn);
            }
        }
        children.complete = rc == 0;
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
            for (const std::string& known : children.dns) {
                seen = seen || SameTextIgnoreCase(known, dn);
            }
            if (!seen) {
                children.rdns.push_back(top[at]);
                children.dns.push_back(dn);
            }
        }
    }
    std::unordered_map<std::string, int> counts;
    for (const DnComponent& rdn : children.rdns) {
        if (rdn.more.empty() && ++counts[FoldCase(rdn.value)] == 2) {
            children.shared.insert(FoldCase(rdn.value));
        }
    }
    return m_children.insert_or_assign(key, std::move(children)).first->second;
}

std::string LdapDirectory::nameOfComponents(const std::vector<DnComponent>& components, std::size_t from)
{
    if (from >= components.size()) {
        return {};
    }
    std::string parentName;
    if (from + 1 < components.size()) {
        const std::string parentKey = FoldCase(FormatDnFrom(components, from + 1));
        if (const auto it = m_nameOfKey.find(parentKey); it != m_nameOfKey.end()) {
            parentName = it->second;
        } else {
            parentName = nameOfComponents(components, from + 1);
            m_nameOfKey.emplace(parentKey, parentName);
            m_dnOfName.try_emplace(FoldCase(parentName), FormatDnFrom(components, from + 1));
        }
    }
    // What the listing of the siblings meets (a limit, a reference, a name
    // too long) the operation that delivered this entry tells already.
    const Children& siblings = [&]() -> const Children& {
        const ScopedNoticeHook quiet([](const std::string&) {});
        return childrenOf(components, from + 1, false, nullptr);
    }();
    const DnComponent& component = components[from];
    const bool typed = component.more.empty() && siblings.shared.count(FoldCase(component.value)) > 0;
    std::string name = ComponentName(component, typed);
    if (!parentName.empty()) {
        name.push_back('.');
        name += parentName;
    }
    return name;
}

std::string LdapDirectory::nameOfDn(std::string_view dn, bool remember)
{
    std::vector<DnComponent> components;
    if (!ParseDn(dn, &components)) {
        return std::string(dn);
    }
    std::string name = nameOfComponents(components, 0);
    if (remember) {
        m_dnOfName.try_emplace(FoldCase(name), std::string(dn));
    }
    return name;
}

DirResult LdapDirectory::resolve(std::string_view fullName, std::string* dn)
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
        *dn = searched->dn;
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
            const Children& children = childrenOf(parent, 0, refresh, &scanned);
            listed = children.result;
            std::size_t exact = 0;
            std::size_t byValue = 0;
            std::size_t exactAt = 0;
            std::size_t byValueAt = 0;
            for (std::size_t k = 0; k < children.rdns.size(); ++k) {
                const ComponentMatch match = MatchComponent(written[i], children.rdns[k]);
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
                childDn = children.dns[at];
                parent.insert(parent.begin(), children.rdns[at]);
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

std::vector<std::string> LdapDirectory::namingTypes(std::string_view fullName)
{
    std::string dn;
    std::vector<DnComponent> components;
    const std::size_t count = SplitUnescaped(fullName, '.').size();
    if (resolve(fullName, &dn) == 0 && ParseDn(dn, &components) && components.size() == count) {
        return NamingTypes(components);
    }
    std::vector<std::string> types;
    for (std::size_t i = 0; i < count; ++i) {
        types.emplace_back(i == 0 ? "CN" : (i + 1 == count ? "O" : "OU"));
    }
    return types;
}

} // namespace veralith::client::ldap
