#include "tests/app/samba_fixture.h"

#include <arpa/inet.h>
#include <chrono>
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

namespace veralith::app::testing {

namespace {

constexpr const char* kSamba = "/usr/sbin/samba";
constexpr const char* kSambaTool = "/usr/bin/samba-tool";
constexpr const char* kLdbAdd = "/usr/bin/ldbadd";
constexpr const char* kSchemaFiles = "/usr/share/samba/setup/ad-schema";
constexpr int kLdapPort = 389;

bool Answers(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return ok;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The last lines of a log, for an error message.
std::string Tail(const std::string& path)
{
    const std::string text = ReadFile(path);
    return text.size() > 2000 ? "..." + text.substr(text.size() - 2000) : text;
}

bool Run(const std::string& command, const std::string& log, std::string* error)
{
    if (std::system((command + " > " + log + " 2>&1").c_str()) != 0) {
        *error = command.substr(0, command.find(' ')) + " failed: " + Tail(log);
        return false;
    }
    return true;
}

} // namespace

std::string SambaDomainController::Unavailable()
{
    for (const char* program : {kSamba, kSambaTool, kLdbAdd}) {
        if (access(program, X_OK) != 0) {
            return std::string(program) + " is not installed (scripts/bootstrap installs it)";
        }
    }
    if (!std::filesystem::is_directory(kSchemaFiles)) {
        return std::string(kSchemaFiles) + " is missing (package samba-ad-provision)";
    }
    if (geteuid() != 0) {
        return "a domain controller listens on port 389, which takes root";
    }
    if (Answers(kLdapPort)) {
        return "port 389 of 127.0.0.1 is taken by another server";
    }
    return "";
}

SambaDomainController::~SambaDomainController()
{
    stop();
}

bool SambaDomainController::start(const std::string& ldif, std::string* error)
{
    char templ[] = "/tmp/veralith-samba-XXXXXX";
    if (mkdtemp(templ) == nullptr) {
        *error = "mkdtemp failed";
        return false;
    }
    m_dir = templ;
    std::ofstream(passwordFile()) << kAdminPassword << "\n";
    // Loopback only, no DNS, and a database that is not synced to disk.
    const std::string options = " --option='interfaces=lo' --option='bind interfaces only=yes'"
                                " --option='ldb:nosync=true'";
    if (!Run(std::string(kSambaTool) + " domain provision --use-rfc2307 --realm=" + kRealm +
                " --domain=VERALITH --server-role=dc --dns-backend=NONE --host-name=" + kHostName +
                " --adminpass=" + kAdminPassword + " --targetdir=" + m_dir + options,
            m_dir + "/provision.log", error)) {
        return false;
    }
    const std::string config = m_dir + "/etc/smb.conf";
    {
        std::ofstream out(m_dir + "/data.ldif", std::ios::binary);
        out << ldif;
    }
    if (!ldif.empty() &&
        !Run(std::string(kLdbAdd) + " --configfile=" + config + " --nosync -H " + m_dir + "/private/sam.ldb " + m_dir +
                "/data.ldif",
            m_dir + "/ldbadd.log", error)) {
        return false;
    }
    const std::string log = m_dir + "/samba.log";
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // Dies with the test process, whatever ends it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(1);
        }
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(out, 2);
        // The LDAP server alone, simple binds over plain LDAP.
        execl(kSamba, kSamba, "-i", "-M", "single", "-s", config.c_str(), "--option=server services=ldap",
            "--option=ldap server require strong auth=no", "--option=ldb:nosync=true", static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0) {
        *error = "fork failed";
        return false;
    }
    m_pid = pid;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!Answers(kLdapPort)) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            *error = "samba ended: " + Tail(log);
            return false;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            stop();
            *error = "samba did not answer: " + Tail(log);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

void SambaDomainController::stop()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        int status = 0;
        while (waitpid(m_pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(m_pid, SIGKILL);
                waitpid(m_pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        m_pid = -1;
    }
    if (!m_dir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
        m_dir.clear();
    }
}

std::string SambaDomainController::url(const std::string& base) const
{
    return "ldap://127.0.0.1/" + base;
}

} // namespace veralith::app::testing
