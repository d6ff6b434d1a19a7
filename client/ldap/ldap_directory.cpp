// Opening an LDAP directory, its names and the summaries of its entries.

#include "client/ldap/ldap_directory.h"

#include "client/ldap/ber.h"
#include "client/ldap/entry_classes.h"
#include "client/ldap/filter.h"
#include "client/ldap/ranges.h"
#include "client/ldap/schema_parse.h"
#include "client/ldap/value_forms.h"
#include "client/name_syntax.h"
#include "client/notices.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <ldap.h>

namespace veralith::client::ldap {

std::string UsableTreeName(std::string_view name)
{
    std::string usable;
    for (char c : name) {
        const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        usable.push_back(kept ? c : '-');
    }
    if (usable.size() > kMaxTreeNameChars) {
        usable.resize(kMaxTreeNameChars);
    }
    while (!usable.empty() && (usable.back() == '_' || usable.back() == '-')) {
        usable.pop_back();
    }
    return usable.empty() ? std::string("LDAP") : usable;
}

std::string TreeNameFromBase(const std::string& base, const std::string& hostPort)
{
    std::vector<DnComponent> components;
    if (ParseDn(base, &components) && !components.empty()) {
        return UsableTreeName(TypelessName(components));
    }
    return UsableTreeName(hostPort.substr(0, hostPort.find(':')));
}

void LdapDirectory::ChooseRequestedAttributes()
{
    // The entry information a summary needs; every user attribute costs the
    // server hardly more than that alone, and spares the reads after a
    // search a round trip.
    m_summaryAttributes = {"objectClass", "createTimestamp", "modifyTimestamp", "aliasedObjectName"};
    m_searchAttributes = {"*", "createTimestamp", "modifyTimestamp"};
    for (const char* counter : {"numSubordinates", "subordinateCount"}) {
        if (AttributeId(counter) != kNoSchemaId) {
            m_summaryAttributes.emplace_back(counter);
            m_searchAttributes.emplace_back(counter);
        }
    }
}

std::shared_ptr<LdapDirectory> LdapDirectory::Open(
    const LdapUrl& url, const Credentials& credentials, std::string* error)
{
    std::shared_ptr<LdapDirectory> directory(new LdapDirectory());
    directory->m_url = url;
    if (!ResolveTimeouts(&directory->m_url, error)) {
        return nullptr;
    }
    directory->m_credentials.bindDn = credentials.bindDn;
    directory->m_credentials.password = credentials.password;
    auto connection = Connection::Open(directory->m_url, credentials, error);
    if (!connection) {
        return nullptr;
    }
    directory->m_connections.push_back(std::move(connection));
    directory->m_baseDn = url.base;
    directory->m_anonymous = credentials.bindDn.empty();
    std::vector<DnComponent> components;
    if (!ParseDn(url.base, &components)) {
        *error = url.scheme + "://" + url.hostPort + ": the base \"" + url.base + "\" is not a distinguished name";
        return nullptr;
    }
    std::string dseError;
    if (directory->ReadRootDse(&dseError) != 0) {
        *error = url.scheme + "://" + url.hostPort + ": " + dseError;
        return nullptr;
    }
    if (!url.tree.empty()) {
        directory->m_tree = url.tree;
    } else if (directory->m_tree.empty()) {
        directory->m_tree = TreeNameFromBase(url.base, url.hostPort);
    } else {
        directory->m_tree = UsableTreeName(directory->m_tree);
    }
    directory->m_defaultNameContext = directory->NameOfDn(url.base);
    if (!url.base.empty()) {
        ObjectSummary base;
        if (const DirResult rc = directory->ReadEntry(directory->m_defaultNameContext, &base); rc != 0) {
            *error = url.scheme + "://" + url.hostPort + ": the base \"" + url.base + "\" cannot be read (" +
                (rc == ERR_NO_SUCH_ENTRY ? std::string("no such object") : "error " + std::to_string(rc)) + ")";
            return nullptr;
        }
    }
    return directory;
}

DirResult LdapDirectory::ReadRootDse(std::string* error)
{
    std::vector<LdapEntry> entries;
    CountSearch();
    DirResult rc = SearchAll(
        "", LDAP_SCOPE_BASE, "(objectClass=*)", {"namingContexts", "subschemaSubentry", "directoryTreeName"}, &entries);
    if (rc != 0 || entries.empty()) {
        *error = RefusalText(rc, "the root DSE cannot be read");
        return rc != 0 ? rc : ERR_TRANSPORT_FAILURE;
    }
    const LdapEntry& dse = entries.front();
    // A URL's base bounds the tree: its "[Root]" holds the base alone, not
    // the server's other naming contexts.
    m_namingContexts = m_baseDn.empty() ? dse.Values("namingContexts") : std::vector<std::string> {m_baseDn};
    m_tree = dse.First("directoryTreeName");
    PrepareTops();
    for (const std::string& context : m_namingContexts) {
        NameOfDn(context);
    }
    std::string subschema = dse.First("subschemaSubentry");
    if (subschema.empty()) {
        subschema = "cn=Subschema";
    }
    CountSearch();
    rc =
        SearchAll(subschema, LDAP_SCOPE_BASE, "(objectClass=subschema)", {"attributeTypes", "objectClasses"}, &entries);
    if (rc != 0 || entries.empty()) {
        *error = RefusalText(rc, "the schema (" + subschema + ") cannot be read");
        return rc != 0 ? rc : ERR_TRANSPORT_FAILURE;
    }
    std::vector<std::string> tooLong;
    std::size_t skipped = 0;
    m_schema = BuildSchema(entries.front().Values("attributeTypes"), entries.front().Values("objectClasses"),
        &m_aliases, &skipped, &tooLong);
    for (const std::string& name : tooLong) {
        m_schemaWarnings.push_back("the schema's name \"" + name + "\" is longer than " +
            std::to_string(kMaxSchemaNameChars) + " characters; its definition is left out");
    }
    for (const auto& [alias, name] : m_aliases) {
        if (const int id = m_schema.FindAttribute(name); id != kNoSchemaId) {
            m_aliasesOf[id].push_back(alias);
        }
    }
    m_forms.clear();
    for (const AttributeDef& def : m_schema.Attributes()) {
        m_forms.push_back(ValueFormOf(def.name, def.oid));
    }
    ChooseRequestedAttributes();
    return 0;
}

std::string LdapDirectory::RefusalText(DirResult rc, const std::string& what) const
{
    int code = LDAP_SUCCESS;
    if (m_connections.empty()) {
        return what + " (error " + std::to_string(rc) + ")";
    }
    LDAP* ld = m_connections.front()->Handle();
    ldap_get_option(ld, LDAP_OPT_RESULT_CODE, &code);
    const LdapText diagnostic = TextOption(ld, LDAP_OPT_DIAGNOSTIC_MESSAGE);
    std::string said =
        diagnostic != nullptr && *diagnostic != '\0' ? std::string(": \"") + diagnostic.get() + "\"" : "";
    // Servers that take an anonymous bind and then serve nothing answer the
    // first search with one of these.
    const bool refused = code == LDAP_OPERATIONS_ERROR || code == LDAP_INSUFFICIENT_ACCESS ||
        code == LDAP_UNWILLING_TO_PERFORM || code == LDAP_STRONG_AUTH_REQUIRED || code == LDAP_INAPPROPRIATE_AUTH ||
        code == LDAP_CONFIDENTIALITY_REQUIRED;
    if (m_anonymous && refused) {
        return "the server refused to serve an anonymous bind (" + DescribeLdapResult(code) + said +
            "); give a bind DN in VERALITH_LDAP_BINDDN and its password in VERALITH_LDAP_PASSWORD_FILE";
    }
    if (code != LDAP_SUCCESS && rc != 0) {
        return what + ": " + DescribeLdapResult(code) + said;
    }
    return what + " (error " + std::to_string(rc) + ")";
}

DirResult LdapDirectory::Acquire(std::shared_ptr<Connection>* connection)
{
    // A lost connection goes once no search holds it any more.
    m_connections.erase(std::remove_if(m_connections.begin(), m_connections.end(),
                            [](const std::shared_ptr<Connection>& c) { return c->Lost() && c.use_count() == 1; }),
        m_connections.end());
    std::size_t live = 0;
    for (const std::shared_ptr<Connection>& c : m_connections) {
        if (!c->Lost()) {
            ++live;
            if (!c->Busy()) {
                *connection = c;
                return 0;
            }
        }
    }
    if (live >= kMaxConnections) {
        // Every connection runs a search of its own: the first takes this
        // operation too (the server may end its search).
        for (const std::shared_ptr<Connection>& c : m_connections) {
            if (!c->Lost()) {
                *connection = c;
                return 0;
            }
        }
    }
    const std::int64_t now =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
    if (now < m_noReconnectBefore) {
        return ERR_TRANSPORT_FAILURE;
    }
    std::string error;
    std::shared_ptr<Connection> opened = Connection::Open(m_url, m_credentials, &error);
    if (!opened) {
        Notice(error);
        m_noReconnectBefore = now + m_url.timeoutSeconds;
        return ERR_TRANSPORT_FAILURE;
    }
    m_connections.push_back(opened);
    *connection = std::move(opened);
    return 0;
}

DirResult LdapDirectory::SearchAll(std::string_view base, int scope, std::string_view filter,
    const std::vector<std::string>& attributes, std::vector<LdapEntry>* entries, bool completeRanges)
{
    DirResult rc = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::shared_ptr<Connection> connection;
        if (rc = Acquire(&connection); rc != 0) {
            return rc;
        }
        bool retry = false;
        rc = connection->SearchAll(base, scope, filter, attributes, entries, &retry);
        if (rc == 0 || !retry) {
            break;
        }
    }
    if (rc != 0 || !completeRanges) {
        return rc;
    }
    for (LdapEntry& entry : *entries) {
        if (rc = this->CompleteRanges(&entry); rc != 0) {
            return rc;
        }
    }
    return 0;
}

DirResult LdapDirectory::CompleteRanges(LdapEntry* entry)
{
    if (!HasRangedValues(entry->attributes)) {
        return 0;
    }
    const std::string dn = entry->dn;
    return CompleteRangedValues(&entry->attributes, [this, &dn](const std::string& request, std::string* encoded) {
        std::vector<LdapEntry> found;
        CountSearch();
        if (const DirResult rc = SearchAll(dn, LDAP_SCOPE_BASE, "(objectClass=*)", {request}, &found, false); rc != 0) {
            return rc;
        }
        encoded->clear();
        if (!found.empty()) {
            *encoded = std::move(found.front().attributes);
        }
        return DirResult(0);
    });
}

bool LdapDirectory::NameFits(const ObjectSummary& summary, std::string_view dn) const
{
    std::size_t longest = 0;
    const std::string& name = summary.fullName;
    for (const std::string_view component : SplitUnescaped(name, '.')) {
        longest = std::max(longest, component.size());
    }
    if (name.size() <= kMaxNameChars && longest <= kMaxRdnChars) {
        return true;
    }
    Notice(m_url.scheme + "://" + m_url.hostPort + ": \"" + std::string(dn) + "\" is left out: its name has " +
        (name.size() > kMaxNameChars ? std::to_string(name.size()) + " characters (at most " +
                    std::to_string(kMaxNameChars) + " are carried)"
                                     : "a component of " + std::to_string(longest) + " characters (at most " +
                    std::to_string(kMaxRdnChars) + " are carried)"));
    return false;
}

std::string LdapDirectory::BaseClassOf(std::string_view attributes, std::vector<std::string>* aux)
{
    // Entries come in runs of one kind: the classes of the entry before are
    // the likeliest, recognised by their encoding.
    std::string_view encoded;
    AttributeReader reader(attributes);
    for (RawAttribute attribute; reader.Next(&attribute);) {
        if (SameTextIgnoreCase(attribute.type, "objectClass")) {
            encoded = attribute.values;
            break;
        }
    }
    if (m_lastClasses != nullptr && encoded == m_lastClassesEncoded) {
        *aux = m_lastClasses->aux;
        return m_lastClasses->base;
    }
    std::string key;
    std::vector<std::string_view> objectClasses;
    ValueReader values(encoded);
    for (std::string_view value; values.Next(&value);) {
        objectClasses.push_back(value);
        key += value;
        key.push_back('\n');
    }
    for (char& c : key) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    auto it = m_classesOf.find(key);
    if (it == m_classesOf.end()) {
        ClassInfo info;
        info.base = ClassesOfEntry(m_schema, objectClasses, &info.aux);
        it = m_classesOf.emplace(std::move(key), std::move(info)).first;
    }
    m_lastClassesEncoded.assign(encoded);
    m_lastClasses = &it->second;
    *aux = it->second.aux;
    return it->second.base;
}

ObjectSummary LdapDirectory::Summarize(const LdapEntry& entry, bool rememberName)
{
    ObjectSummary summary;
    std::vector<DnComponent> components;
    if (ParseDn(entry.dn, &components)) {
        summary.fullName = NameOfComponents(components, 0);
        summary.namingTypes = ldap::NamingTypes(components);
        if (rememberName) {
            m_dnOfName.try_emplace(FoldCase(summary.fullName), entry.dn);
        }
    } else {
        summary.fullName = entry.dn;
    }
    summary.baseClass = BaseClassOf(entry.attributes, &summary.auxClasses);
    const int classId = m_schema.FindClass(summary.baseClass);
    if (classId != kNoSchemaId && (m_schema.GetClassDef(classId).flags & DS_CONTAINER_CLASS) != 0) {
        summary.flags |= DS_CONTAINER_ENTRY;
    }
    std::string_view aliased;
    AttributeReader reader(entry.attributes);
    for (RawAttribute attribute; reader.Next(&attribute);) {
        ++summary.attributeCount;
        const std::string_view type = attribute.type;
        const bool counter =
            SameTextIgnoreCase(type, "numSubordinates") || SameTextIgnoreCase(type, "subordinateCount");
        const bool created = !counter && SameTextIgnoreCase(type, "createTimestamp");
        const bool modified = !counter && !created && SameTextIgnoreCase(type, "modifyTimestamp");
        const bool alias = !counter && !created && !modified && SameTextIgnoreCase(type, "aliasedObjectName");
        if (!counter && !created && !modified && !alias) {
            continue;
        }
        std::string_view value;
        if (!ValueReader(attribute.values).Next(&value) || value.empty()) {
            continue;
        }
        if (counter) {
            summary.subordinateCount =
                static_cast<std::uint32_t>(std::strtoul(std::string(value).c_str(), nullptr, 10));
        } else if (created) {
            ParseGeneralizedTime(value, &summary.creationTime);
        } else if (modified) {
            ParseGeneralizedTime(value, &summary.modificationTime);
        } else {
            aliased = value;
        }
    }
    if (!aliased.empty() || SameTextIgnoreCase(summary.baseClass, "alias")) {
        summary.flags |= DS_ALIAS_ENTRY;
        summary.aliasedObject = aliased.empty() ? std::string() : NameOfDn(aliased);
    }
    for (const std::string& context : m_namingContexts) {
        if (SameTextIgnoreCase(context, entry.dn)) {
            summary.flags |= DS_PARTITION_ROOT;
        }
    }
    return summary;
}

bool LoadLdapSource(std::string_view source, std::shared_ptr<DirectoryService>* service, std::string* error)
{
    LdapUrl url;
    std::string why;
    if (!ParseLdapUrl(source, &url, &why)) {
        // User information ("user:secret@") is never repeated in a message.
        std::string shown(source);
        if (const std::size_t at = shown.find('@'); at != std::string::npos) {
            shown = shown.substr(0, shown.find("://") + 3) + "..." + shown.substr(at);
        }
        *error = shown + ": " + why;
        return false;
    }
    Credentials credentials;
    if (!CredentialsFromEnvironment(&credentials, &why)) {
        *error = std::string(source) + ": " + why;
        return false;
    }
    auto directory = LdapDirectory::Open(url, credentials, &why);
    if (!directory) {
        *error = why;
        return false;
    }
    for (const std::string& warning : directory->SchemaWarnings()) {
        std::cerr << url.scheme << "://" << url.hostPort << ": " << warning << '\n';
    }
    *service = std::move(directory);
    return true;
}

} // namespace veralith::client::ldap
