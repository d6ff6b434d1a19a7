#pragma once

// One connection to an LDAP server over libldap: URL sources, binding, and
// searches whose entries come one at a time, page by page (RFC 2696).

#include "client/client.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

typedef struct ldap LDAP;
typedef struct ldapmsg LDAPMessage;

namespace veralith::client::ldap {

// A tree source naming an LDAP server:
//   ldap://host[:port]/BASE[?option[&option]...]   ldaps://... likewise
// Options: "starttls" (upgrade an ldap:// connection with StartTLS), and
// "tree=NAME" (the tree name to report). BASE is a DN, percent-encoded as in
// URLs ("o=Acme", "ou=Sales,o=Acme").
struct LdapUrl
{
    std::string scheme; // "ldap" or "ldaps"
    std::string hostPort; // "host:port" as written (may be empty: the library's default)
    std::string base;
    bool startTls = false;
    std::string tree;
};

// True for a source that names an LDAP server (ldap:// or ldaps://).
bool IsLdapSource(std::string_view source);
// Parses a source; false with *error naming what is wrong.
bool ParseLdapUrl(std::string_view source, LdapUrl* url, std::string* error);

// How to bind: a DN and password, or anonymously (empty DN).
struct Credentials
{
    std::string bindDn;
    std::string password;
    ~Credentials();
};
// The credentials of the environment: VERALITH_LDAP_BINDDN, and the password
// from the file VERALITH_LDAP_PASSWORD_FILE (its first line) or from
// VERALITH_LDAP_PASSWORD. False with *error when the password file cannot
// be read (the error names the file, never its content).
bool CredentialsFromEnvironment(Credentials* credentials, std::string* error);

// The client's result code for an LDAP result code.
DirResult MapLdapResult(int ldapResult);
// A readable text for an LDAP result code ("no such object (32)").
std::string DescribeLdapResult(int ldapResult);

// One entry of a search: its DN, and its attributes as the server encoded
// them (read with AttributeReader, client/ldap/ber.h).
struct LdapEntry
{
    std::string dn;
    std::string attributes;

    // The values of the attribute named (ignoring letter case).
    std::vector<std::string> values(std::string_view name) const;
    // Its first value, empty when it has none.
    std::string first(std::string_view name) const;
};

class Connection;

// A search in progress: entries one at a time, further pages requested as
// the previous one is used up. Abandons the search when destroyed early.
class PagedSearch
{
public:
    PagedSearch(Connection* connection, std::string base, int scope, std::string filter,
        std::vector<std::string> attributes, int pageSize);
    ~PagedSearch();
    PagedSearch(const PagedSearch&) = delete;
    PagedSearch& operator=(const PagedSearch&) = delete;

    // Writes the next entry (reusing the storage of *entry) and returns 0;
    // sets *done past the last one; a
    // client code when the search fails (ERR_NO_SUCH_ENTRY for a base that
    // does not exist, ERR_TRANSPORT_FAILURE when the server went away).
    DirResult next(LdapEntry* entry, bool* done);
    std::uint32_t delivered() const { return m_delivered; }

private:
    DirResult sendPage();

    Connection* m_connection;
    std::string m_base;
    int m_scope;
    std::string m_filter;
    std::vector<std::string> m_attributes;
    int m_pageSize;
    std::string m_cookie;
    int m_msgid = -1;
    bool m_finished = false;
    std::uint32_t m_delivered = 0;
};

class Connection
{
public:
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Connects and binds. On failure *error says what failed, naming the
    // server and the bind DN, never the password.
    static std::unique_ptr<Connection> Open(const LdapUrl& url, const Credentials& credentials, std::string* error);

    // Every entry of a search (for small results: one object, one container).
    DirResult searchAll(std::string_view base, int scope, std::string_view filter,
        const std::vector<std::string>& attributes, std::vector<LdapEntry>* entries);
    // A paged search; entries come through the returned object's next().
    // Pages are large, as each costs a round trip; a server that refuses
    // the size is asked for pages a tenth the size, down to 100 entries.
    std::unique_ptr<PagedSearch> openSearch(std::string_view base, int scope, std::string_view filter,
        std::vector<std::string> attributes, int pageSize = 10000);

    LDAP* handle() { return m_ld; }
    // Set once the server has gone away; every later operation fails with
    // ERR_TRANSPORT_FAILURE.
    bool lost() const { return m_lost; }
    void markLost() { m_lost = true; }

private:
    explicit Connection(LDAP* ld)
        : m_ld(ld)
    { }
    LDAP* m_ld;
    bool m_lost = false;
};

// Copies the DN and the encoded attributes of one entry message into *entry.
void ReadEntryMessage(LDAP* ld, LDAPMessage* message, LdapEntry* entry);

} // namespace veralith::client::ldap
