#include "tests/app/samba_fixture.h"

#include "tests/support/files.h"
#include "tests/support/server_process.h"

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

using test_support::LogTail;

bool Run(const std::string& command, const std::string& log, std::string* error)
{
    if (std::system((command + " > " + log + " 2>&1").c_str()) != 0) {
        *error = command.substr(0, command.find(' ')) + " failed: " + LogTail(log);
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
    if (test_support::LoopbackPortAnswers(kLdapPort)) {
        return "port 389 of 127.0.0.1 is taken by another server";
    }
    return "";
}

SambaDomainController::~SambaDomainController()
{
    Stop();
}

bool SambaDomainController::Start(const std::string& ldif, std::string* error)
{
    char templ[] = "/tmp/veralith-samba-XXXXXX";
    if (mkdtemp(templ) == nullptr) {
        *error = "mkdtemp failed";
        return false;
    }
    m_dir = templ;
    std::ofstream(PasswordFile()) << kAdminPassword << "\n";
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
    // The LDAP server alone, simple binds over plain LDAP.
    m_pid = test_support::StartLogged(kSamba,
        {"-i", "-M", "single", "-s", config, "--option=server services=ldap",
            "--option=ldap server require strong auth=no", "--option=ldb:nosync=true"},
        log);
    if (m_pid < 0) {
        *error = "fork failed";
        return false;
    }
    const test_support::WaitOutcome outcome =
        test_support::WaitUntilAnswering(m_pid, {kLdapPort}, std::chrono::seconds(60), std::chrono::milliseconds(50));
    if (outcome == test_support::WaitOutcome::Ended) {
        m_pid = -1;
        *error = "samba ended: " + LogTail(log);
        return false;
    }
    if (outcome == test_support::WaitOutcome::TimedOut) {
        Stop();
        *error = "samba did not answer: " + LogTail(log);
        return false;
    }
    return true;
}

void SambaDomainController::Stop()
{
    test_support::StopProcess(m_pid);
    m_pid = -1;
    if (!m_dir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
        m_dir.clear();
    }
}

std::string SambaDomainController::Url(const std::string& base) const
{
    return "ldap://127.0.0.1/" + base;
}

} // namespace veralith::app::testing
