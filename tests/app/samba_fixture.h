#pragma once

// A throw-away Active-Directory-compatible domain controller for tests: a
// Samba domain provisioned into a temporary folder, users loaded straight
// into its database, and the server listening on the loopback interface
// (ports 389 and 636, so one such server runs at a time). The server is
// stopped and its folder removed when the object goes away, and it dies with
// the test process if that crashes.

#include <string>
#include <sys/types.h>

namespace veralith::app::testing {

class SambaDomainController
{
public:
    static constexpr const char* kRealm = "VERALITH.TEST";
    static constexpr const char* kDomainDn = "DC=veralith,DC=test";
    static constexpr const char* kHostName = "veralith-dc";
    static constexpr const char* kAdminDn = "CN=Administrator,CN=Users,DC=veralith,DC=test";
    static constexpr const char* kAdminPassword = "Veralith-Test-1";

    SambaDomainController() = default;
    ~SambaDomainController();
    SambaDomainController(const SambaDomainController&) = delete;
    SambaDomainController& operator=(const SambaDomainController&) = delete;

    // Why no domain controller can be started on this machine (the programs
    // are missing, or the process may not listen on ports below 1024);
    // empty when one can.
    static std::string Unavailable();

    // Provisions the domain, adds ldif (entries below kDomainDn) to its
    // database and starts the server. False with *error on failure.
    bool Start(const std::string& ldif, std::string* error);
    void Stop();

    // "ldap://127.0.0.1/" plus base (default: the domain).
    std::string Url(const std::string& base = kDomainDn) const;
    // A file holding the administrator's password.
    std::string PasswordFile() const { return m_dir + "/password"; }
    const std::string& Directory() const { return m_dir; }

private:
    std::string m_dir;
    pid_t m_pid = -1;
};

} // namespace veralith::app::testing
