#include "client/ldap/ldap_handles.h"

#include <ldap.h>

namespace veralith::client::ldap {

LdapText TextOption(LDAP* ld, int option)
{
    char* text = nullptr;
    if (ldap_get_option(ld, option, &text) != LDAP_OPT_SUCCESS) {
        return nullptr;
    }
    return LdapText(text);
}

void UnbindLdap::operator()(LDAP* ld) const
{
    ldap_unbind_ext_s(ld, nullptr, nullptr);
}

void FreeMessage::operator()(LDAPMessage* message) const
{
    ldap_msgfree(message);
}

void FreeLdapMemory::operator()(char* text) const
{
    ldap_memfree(text);
}

void FreeBerMemory::operator()(char* bytes) const
{
    ber_memfree(bytes);
}

void FreeBerElement::operator()(BerElement* ber) const
{
    ber_free(ber, 0);
}

void FreeControl::operator()(LDAPControl* control) const
{
    ldap_control_free(control);
}

void FreeControls::operator()(LDAPControl** controls) const
{
    ldap_controls_free(controls);
}

void FreeTexts::operator()(char** texts) const
{
    ber_memvfree(reinterpret_cast<void**>(texts));
}

} // namespace veralith::client::ldap
