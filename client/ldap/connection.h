#pragma once

// One connection to an LDAP server over libldap: URL sources, binding, and
// searches whose entries come one at a time, page by page (RFC 2696).

#include "client/client.h"
#include "client/ldap/ldap_handles.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace veralith::client::ldap {

// A tree source naming an LDAP server:
//   ldap://host[:port]/BASE[?option[&option]...]   ldaps://... likewise
// Options: "starttls" (upgrade an ldap:// connection with StartTLS),
// "tree=NAME" (the tree name to report), "timeout=SECONDS" (the longest wait
// for the server to connect or for any one reply; default kDefaultTimeout or
// VERALITH_LDAP_TIMEOUT) and "searchtime=SECONDS" (the longest a listing or
// search may take in all, pages included; default kDefaultSearchTime or
// VERALITH_LDAP_SEARCH_TIME). BASE is a DN, percent-encoded as in URLs
// ("o=Acme", "ou=Sales,o=Acme").
struct LdapUrl
{
    std::string scheme; // "ldap" or "ldaps"
    std::string hostPort; // "host:port" as written (may be empty: the library's default)
    std::string base;
    bool startTls = false;
    std::string tree;
    int timeoutSeconds = 0; // 0: not in the URL
    int searchSeconds = 0; // 0: not in the URL
};

inline constexpr int kDefaultTimeout = 120;
inline constexpr int kDefaultSearchTime = 3600;
// The largest time-out either option accepts (a day).
inline constexpr int kMaxTimeout = 86400;

// The time-outs of a URL: its options, else the environment's, else the
// defaults. False with *error for an environment value that is not a number
// of seconds from 1 to kMaxTimeout.
bool ResolveTimeouts(LdapUrl* url, std::string* error);

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
    std::vector<std::string> Values(std::string_view name) const;
    // Its first value, empty when it has none.
    std::string First(std::string_view name) const;
};

class Connection;

// A search in progress: entries one at a time, further pages requested as
// the previous one is used up. Abandons the search when destroyed early.
// While it runs, its connection is busy (Connection::busy): the server keeps
// one paged search per connection, so other operations go elsewhere.
class PagedSearch
{
public:
    PagedSearch(std::shared_ptr<Connection> connection, std::string base, int scope, std::string filter,
        std::vector<std::string> attributes, int pageSize);
    ~PagedSearch();
    PagedSearch(const PagedSearch&) = delete;
    PagedSearch& operator=(const PagedSearch&) = delete;

    // Writes the next entry (reusing the storage of *entry) and returns 0;
    // sets *done past the last one; a client code when the search fails:
    // ERR_NO_SUCH_ENTRY for a base that does not exist (or that the server
    // refers elsewhere), ERR_TRANSPORT_FAILURE when the server went away or
    // sent no reply within the time-out, ERR_SIZE_LIMIT_EXCEEDED,
    // ERR_TIME_LIMIT_EXCEEDED or ERR_ADMIN_LIMIT_EXCEEDED when a limit of the
    // server (or the search time of the URL) ended it. Each of these but a
    // missing base gives a notice (client/notices.h) naming the server, the
    // base and what happened; so does each reference to another server that
    // a search meets, which is passed over.
    DirResult Next(LdapEntry* entry, bool* done);
    // As next(), without waiting: *got tells whether an entry was written;
    // with neither *got nor *done, nothing has arrived yet.
    DirResult Poll(LdapEntry* entry, bool* got, bool* done);
    // A quiet search gives no notices (its owner tells what matters).
    void SetQuiet() { m_quiet = true; }
    std::uint32_t Delivered() const { return m_delivered; }
    // True when the search failed because its connection was found broken
    // before any reply came: the same search on a new connection may work.
    bool FailedOnStaleConnection() const { return m_stale; }

private:
    DirResult Receive(bool wait, LdapEntry* entry, bool* got, bool* done);
    void Notify(const std::string& text) const;
    DirResult SendPage();
    DirResult FinishWith(DirResult rc);
    DirResult LimitReached(int ldapResult);

    std::shared_ptr<Connection> m_connection;
    std::string m_base;
    int m_scope;
    std::string m_filter;
    std::vector<std::string> m_attributes;
    int m_pageSize;
    std::string m_cookie;
    int m_msgid = -1;
    bool m_finished = false;
    std::uint32_t m_delivered = 0;
    bool m_counted = false; // counted among the connection's running searches
    bool m_stale = false;
    bool m_quiet = false;
    DirResult m_failure = 0; // what every later next() returns once the search failed
    std::int64_t m_deadline = 0; // steady-clock milliseconds
};

class Connection : public std::enable_shared_from_this<Connection>
{
public:
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Connects and binds; the URL's time-outs bound the connect, the bind
    // and every reply later. On failure *error says what failed, naming the
    // server and the bind DN, never the password.
    static std::shared_ptr<Connection> Open(const LdapUrl& url, const Credentials& credentials, std::string* error);

    // Every entry of a search (for small results: one object, one container).
    // *retry is set when the search failed on a connection found broken
    // before it could answer (see PagedSearch::FailedOnStaleConnection).
    DirResult SearchAll(std::string_view base, int scope, std::string_view filter,
        const std::vector<std::string>& attributes, std::vector<LdapEntry>* entries, bool* retry = nullptr);
    // A paged search; entries come through the returned object's next().
    // Pages are large, as each costs a round trip; a server that refuses
    // the size is asked for pages a tenth the size, down to 100 entries.
    std::unique_ptr<PagedSearch> OpenSearch(std::string_view base, int scope, std::string_view filter,
        std::vector<std::string> attributes, int pageSize = 10000);

    LDAP* Handle() { return m_ld.get(); }
    // "ldap://host:port", for messages.
    const std::string& Where() const { return m_where; }
    int TimeoutSeconds() const { return m_timeout; }
    int SearchSeconds() const { return m_searchTime; }
    // Set once the server has gone away or stopped answering; every later
    // operation on this connection fails with ERR_TRANSPORT_FAILURE.
    bool Lost() const { return m_lost; }
    void MarkLost() { m_lost = true; }
    // True while a paged search of this connection has pages to come.
    bool Busy() const { return m_running > 0; }

private:
    friend class PagedSearch;
    explicit Connection(LdapHandle ld)
        : m_ld(std::move(ld))
    { }
    LdapHandle m_ld;
    std::string m_where;
    int m_timeout = kDefaultTimeout;
    int m_searchTime = kDefaultSearchTime;
    bool m_lost = false;
    int m_running = 0;
};

// The notice text of a search that a limit ended: "the server's size limit
// ended the search of BASE after N entries" (time, administrative limit
// likewise), with the client's code for the limit in *code. False for an
// LDAP result that is no limit.
bool DescribeLimit(int ldapResult, std::string_view base, std::uint32_t delivered, std::string* text, DirResult* code);

// Copies the DN and the encoded attributes of one entry message into *entry.
void ReadEntryMessage(LDAP* ld, LDAPMessage* message, LdapEntry* entry);

} // namespace veralith::client::ldap
