#include "slapd_fixture.h"

#include "tests/support/files.h"
#include "tests/support/server_process.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <signal.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace veralith::client::testing {

namespace {

constexpr const char* kSlapd = "/usr/sbin/slapd";
constexpr const char* kSlapadd = "/usr/sbin/slapadd";

using test_support::FreeLoopbackPort;
using test_support::ReadWholeFile;
using test_support::WriteWholeFile;

// A throwaway CA and a certificate it signs for 127.0.0.1 (an IP address
// subject alternative name, as a client checks it), as PEM files in dir:
// ca.pem, server.pem and server.key. Elliptic-curve keys take milliseconds.
bool MakeCertificates(const std::string& dir, std::string* error)
{
    const std::string log = dir + "/openssl.log";
    if (!WriteWholeFile(dir + "/server.ext",
            "subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
            "extendedKeyUsage=serverAuth\n")) {
        *error = "cannot write into " + dir;
        return false;
    }
    const std::string newKey = " -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout " + dir;
    const std::string commands[] = {
        "openssl req -x509" + newKey + "/ca.key -out " + dir +
            "/ca.pem -days 2 -subj /CN=Veralith-test-CA -addext basicConstraints=critical,CA:TRUE "
            "-addext keyUsage=critical,keyCertSign",
        "openssl req -new" + newKey + "/server.key -out " + dir + "/server.csr -subj /CN=127.0.0.1",
        "openssl x509 -req -in " + dir + "/server.csr -CA " + dir + "/ca.pem -CAkey " + dir +
            "/ca.key -set_serial 1 -days 2 -extfile " + dir + "/server.ext -out " + dir + "/server.pem",
    };
    for (const std::string& command : commands) {
        if (std::system((command + " >> " + log + " 2>&1").c_str()) != 0) {
            *error = "openssl failed: " + ReadWholeFile(log);
            return false;
        }
    }
    return true;
}

} // namespace

SlapdServer::~SlapdServer()
{
    Stop();
    if (!m_dir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
}

std::string SlapdServer::Url(const std::string& suffix) const
{
    return "ldap://127.0.0.1:" + std::to_string(m_port) + "/" + m_suffix + suffix;
}

std::string SlapdServer::LdapsUrl(const std::string& suffix) const
{
    return "ldaps://127.0.0.1:" + std::to_string(m_tlsPort) + "/" + m_suffix + suffix;
}

bool SlapdServer::Start(const std::string& ldif, std::string* error, const SlapdOptions& options)
{
    char templ[] = "/tmp/veralith-slapd-XXXXXX";
    if (mkdtemp(templ) == nullptr) {
        *error = "mkdtemp failed";
        return false;
    }
    m_dir = templ;
    m_suffix = options.suffix;
    std::filesystem::create_directory(m_dir + "/db");
    std::string tlsConfig;
    if (options.tls) {
        if (!MakeCertificates(m_dir, error)) {
            return false;
        }
        tlsConfig = "TLSCACertificateFile " + CaFile() + "\nTLSCertificateFile " + m_dir +
            "/server.pem\nTLSCertificateKeyFile " + m_dir + "/server.key\n";
    }
    std::string schemaInclude;
    if (!options.schema.empty()) {
        if (!WriteWholeFile(m_dir + "/extra.schema", options.schema)) {
            *error = "cannot write into " + m_dir;
            return false;
        }
        schemaInclude = "include " + m_dir + "/extra.schema\n";
    }
    const std::string conf = m_dir + "/slapd.conf";
    std::string text = "include /etc/ldap/schema/core.schema\n"
                       "include /etc/ldap/schema/cosine.schema\n"
                       "include /etc/ldap/schema/nis.schema\n"
                       "include /etc/ldap/schema/inetorgperson.schema\n" +
        schemaInclude + "pidfile " + m_dir + "/slapd.pid\nargsfile " + m_dir +
        "/slapd.args\n"
        "modulepath /usr/lib/ldap\nmoduleload back_mdb\n"
        "tool-threads 1\nthreads 4\nsizelimit unlimited\n" +
        tlsConfig + options.extraConfig + "\ndatabase mdb\nmaxsize 1073741824\nsuffix \"" + m_suffix +
        "\"\n"
        "rootdn \"" +
        RootDn() + "\"\nrootpw " + kRootPassword + "\ndirectory " + m_dir + "/db\naccess to * by * read\n" +
        options.databaseConfig;
    if (!WriteWholeFile(conf, text) || !WriteWholeFile(m_dir + "/data.ldif", ldif)) {
        *error = "cannot write into " + m_dir;
        return false;
    }
    const std::string load =
        std::string(kSlapadd) + " -q -f " + conf + " -l " + m_dir + "/data.ldif > " + m_dir + "/slapadd.log 2>&1";
    if (std::system(load.c_str()) != 0) {
        *error = "slapadd failed: " + ReadWholeFile(m_dir + "/slapadd.log");
        return false;
    }
    for (int attempt = 0; attempt < 5 && m_pid < 0; ++attempt) {
        m_port = FreeLoopbackPort();
        std::string listen = "ldap://127.0.0.1:" + std::to_string(m_port) + "/";
        if (options.tls) {
            do {
                m_tlsPort = FreeLoopbackPort();
            } while (m_tlsPort == m_port);
            listen += " ldaps://127.0.0.1:" + std::to_string(m_tlsPort) + "/";
        }
        const std::string log = LogFile();
        // 256: the "stats" level, a line per operation and per result.
        const char* const debugLevel = options.logOperations ? "256" : "0";
        m_pid = test_support::StartLogged(kSlapd, {"-d", debugLevel, "-f", conf, "-h", listen}, log);
        if (m_pid < 0) {
            *error = "fork failed";
            return false;
        }
        std::vector<int> ports {m_port};
        if (options.tls) {
            ports.push_back(m_tlsPort);
        }
        const test_support::WaitOutcome outcome =
            test_support::WaitUntilAnswering(m_pid, ports, std::chrono::seconds(15));
        if (outcome == test_support::WaitOutcome::Ended) {
            m_pid = -1; // exited (port taken?): try another port
        } else if (outcome == test_support::WaitOutcome::TimedOut) {
            Stop();
            *error = "slapd did not answer: " + ReadWholeFile(log);
            return false;
        }
    }
    if (m_pid < 0) {
        *error = "slapd did not start: " + ReadWholeFile(LogFile());
        return false;
    }
    return true;
}

void SlapdServer::Stop()
{
    test_support::StopProcess(m_pid); // a paused server is continued first
    m_pid = -1;
}

void SlapdServer::Kill()
{
    if (m_pid <= 0) {
        return;
    }
    ::kill(m_pid, SIGKILL);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
}

namespace {

// True when every thread of the process is stopped. A stop signal takes
// effect thread by thread as each is scheduled, after kill() returns: on a
// loaded machine a thread may still answer a request in between.
bool AllThreadsStopped(pid_t pid)
{
    std::error_code error;
    bool any = false;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream stat(task.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // The state follows the command name, which is in parentheses.
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos || close + 2 >= line.size()) {
            continue; // the thread ended meanwhile
        }
        const char state = line[close + 2];
        if (state != 'T' && state != 't') {
            return false;
        }
        any = true;
    }
    return any;
}

} // namespace

void SlapdServer::Pause()
{
    if (m_pid <= 0 || ::kill(m_pid, SIGSTOP) != 0) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!AllThreadsStopped(m_pid) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void SlapdServer::Resume()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGCONT);
    }
}

std::string AcmeLdif()
{
    return R"(dn: o=Acme
objectClass: organization
o: Acme
description: The Acme company

dn: ou=Sales,o=Acme
objectClass: organizationalUnit
ou: Sales

dn: ou=Admin,o=Acme
objectClass: organizationalUnit
ou: Admin

dn: cn=jsmith,ou=Sales,o=Acme
objectClass: inetOrgPerson
objectClass: posixAccount
cn: jsmith
sn: Smith
givenName: John
mail: jsmith@acme.example
telephoneNumber: +1 555 0100
uid: jsmith
uidNumber: 1001
gidNumber: 100
homeDirectory: /home/jsmith
manager: cn=boss,ou=Admin,o=Acme
postalAddress: 1 Main Street$Springfield
description: star*power

dn: cn=mjones,ou=Sales,o=Acme
objectClass: inetOrgPerson
cn: mjones
sn: Jones
mail: JSmith@acme.example
description: a(b)c
description: back\slash

dn: cn=boss,ou=Admin,o=Acme
objectClass: inetOrgPerson
cn: boss
sn: Boss
mail: boss@acme.example
description: star

dn: cn=Comma\, Inc,ou=Admin,o=Acme
objectClass: inetOrgPerson
cn: Comma, Inc
sn: Comma
description: the name needs escaping

dn: cn=Chief,o=Acme
objectClass: alias
objectClass: extensibleObject
cn: Chief
aliasedObjectName: cn=boss,ou=Admin,o=Acme

)";
}

std::string ManyUsersLdif(int count)
{
    std::string text = "dn: ou=Many,o=Acme\nobjectClass: organizationalUnit\nou: Many\n\n";
    char name[32];
    for (int i = 1; i <= count; ++i) {
        std::snprintf(name, sizeof name, "user%05d", i);
        const int mailOwner = i % 7 == 0 ? i - 1 : i;
        char mail[64];
        std::snprintf(mail, sizeof mail, "user%05d@many.example", mailOwner);
        text += std::string("dn: cn=") + name + ",ou=Many,o=Acme\nobjectClass: inetOrgPerson\ncn: " + name +
            "\nsn: " + name + "\nmail: " + mail + "\n\n";
    }
    return text;
}

} // namespace veralith::client::testing
