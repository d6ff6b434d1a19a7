#pragma once

// A private OpenLDAP server for tests: a temporary directory with its own
// slapd.conf (suffix o=Acme, mdb, the core, cosine, nis and inetorgperson
// schemas, anonymous read), data loaded with slapadd, and slapd listening on
// a free loopback port. The server is stopped and its directory removed when
// the object goes away, and it dies with the test process if that crashes.
// Optionally the server also speaks TLS, with a certificate from a throwaway
// CA made for it.

#include <string>
#include <sys/types.h>

namespace veralith::client::testing {

// What else a server does besides plain ldap://.
struct SlapdOptions
{
    // The database's suffix; a production-like tree uses "dc=example,dc=com".
    std::string suffix = "o=Acme";
    // Text of a schema file of the test's own, included after the standard
    // schemas (attribute types and object classes in slapd.conf syntax).
    std::string schema;
    // Appended to the global part of slapd.conf.
    std::string extraConfig;
    // Appended to the database part (limits, indexes, access).
    std::string databaseConfig;
    // A throwaway CA (CaFile()) and a certificate it signed for 127.0.0.1,
    // made in the server's directory; StartTLS on the ldap:// port and
    // ldaps:// on a second one.
    bool tls = false;
    // Every operation and its result written to LogFile() as it happens.
    bool logOperations = false;
};

class SlapdServer
{
public:
    // The root DN (of the default suffix) and its password, for bind tests.
    static constexpr const char* kRootDn = "cn=admin,o=Acme";
    static constexpr const char* kRootPassword = "acme-secret";
    // The root DN of the suffix the server was started with.
    std::string RootDn() const { return "cn=admin," + m_suffix; }
    const std::string& Suffix() const { return m_suffix; }

    SlapdServer() = default;
    ~SlapdServer();
    SlapdServer(const SlapdServer&) = delete;
    SlapdServer& operator=(const SlapdServer&) = delete;

    // Loads ldif (text) and starts the server. Returns false with *error on
    // failure.
    bool Start(const std::string& ldif, std::string* error, const SlapdOptions& options = {});
    // Stops the server (SIGTERM, then SIGKILL after 5 s).
    void Stop();
    // Kills the server at once (SIGKILL), as a crash or a pulled cable would.
    void Kill();
    // Stops the server from answering (SIGSTOP): connections stay open and
    // new ones are accepted by the system, but nothing is answered until
    // Resume() (SIGCONT). Returns once every thread of the server has
    // stopped.
    void Pause();
    void Resume();

    int Port() const { return m_port; }
    // The ldaps:// port; only with SlapdOptions::tls.
    int TlsPort() const { return m_tlsPort; }
    // "ldap://127.0.0.1:PORT/" plus the server's suffix plus suffix ("?tree=X").
    std::string Url(const std::string& suffix = "") const;
    // "ldaps://127.0.0.1:TLSPORT/" plus the server's suffix plus suffix; only with SlapdOptions::tls.
    std::string LdapsUrl(const std::string& suffix = "") const;
    // The PEM file of the CA that signed the server's certificate.
    std::string CaFile() const { return m_dir + "/ca.pem"; }
    // What slapd writes: start-up problems, and operations when logged.
    std::string LogFile() const { return m_dir + "/slapd.log"; }
    const std::string& Directory() const { return m_dir; }

private:
    std::string m_dir;
    std::string m_suffix = "o=Acme";
    int m_port = 0;
    int m_tlsPort = 0;
    pid_t m_pid = -1;
};

// LDIF of the test tree Acme (organisation o=Acme with a few units, users,
// an alias and values that need escaping).
std::string AcmeLdif();
// LDIF of count inetOrgPerson users below ou=Many,o=Acme (the unit itself
// included), "user00001" ...; every seventh shares its mail with the one
// before.
std::string ManyUsersLdif(int count);

} // namespace veralith::client::testing
