#pragma once

// Owners of what libldap and liblber allocate: each frees its resource with
// the library's own function when it goes out of scope. OutPtr hands a
// library call the address it writes a new resource to, and gives the
// result to the owner when the call's full expression ends, so the owner is
// tested in a later statement:
//
//     MessagePtr message;
//     const int type = ldap_result(ld, id, LDAP_MSG_ONE, &timeout, OutPtr(message));
//     ... message.get() ...

#include <memory>

typedef struct ldap LDAP;
typedef struct ldapmsg LDAPMessage;
typedef struct ldapcontrol LDAPControl;
typedef struct berelement BerElement;

namespace veralith::client::ldap {

struct UnbindLdap
{
    void operator()(LDAP* ld) const;
};
struct FreeMessage
{
    void operator()(LDAPMessage* message) const;
};
struct FreeLdapMemory
{
    void operator()(char* text) const;
};
struct FreeBerMemory
{
    void operator()(char* bytes) const;
};
struct FreeBerElement
{
    void operator()(BerElement* ber) const;
};
struct FreeControl
{
    void operator()(LDAPControl* control) const;
};
struct FreeControls
{
    void operator()(LDAPControl** controls) const;
};
struct FreeTexts
{
    void operator()(char** texts) const;
};

// A session (ldap_initialize); unbinding also closes its connection.
using LdapHandle = std::unique_ptr<LDAP, UnbindLdap>;
// A reply of ldap_result.
using MessagePtr = std::unique_ptr<LDAPMessage, FreeMessage>;
// A text libldap allocated (an option's value, a diagnostic message).
using LdapText = std::unique_ptr<char, FreeLdapMemory>;
// The bytes of a berval that liblber allocated (a cookie, a certificate).
using BerBytes = std::unique_ptr<char, FreeBerMemory>;
// A decoder over a message (ldap_get_dn_ber); the message keeps its buffer.
using BerElementPtr = std::unique_ptr<BerElement, FreeBerElement>;
// One control (ldap_create_page_control).
using ControlPtr = std::unique_ptr<LDAPControl, FreeControl>;
// A null-terminated array of controls (ldap_parse_result).
using ControlList = std::unique_ptr<LDAPControl*, FreeControls>;
// A null-terminated array of texts (referral URLs).
using TextList = std::unique_ptr<char*, FreeTexts>;

// The text value of an option of a session (ld nullptr: of the library's
// defaults), such as LDAP_OPT_DIAGNOSTIC_MESSAGE; null when it has none.
LdapText TextOption(LDAP* ld, int option);

template<typename Owner>
class OutPtr
{
public:
    explicit OutPtr(Owner& owner)
        : m_owner(owner)
    { }
    OutPtr(const OutPtr&) = delete;
    OutPtr& operator=(const OutPtr&) = delete;
    ~OutPtr() { m_owner.reset(m_raw); }

    operator typename Owner::pointer *() { return &m_raw; }

private:
    Owner& m_owner;
    typename Owner::pointer m_raw = nullptr;
};

} // namespace veralith::client::ldap
