#pragma once

// The classes of an LDAP entry from its objectClass values: the structural
// class that names its kind, and its auxiliary classes.

#include "client/schema.h"

#include <string>
#include <string_view>
#include <vector>

namespace veralith::client::ldap {

// The base class is the structural class of objectClasses that no other of
// them derives from (the last value when the schema knows none of them);
// aux receives the auxiliary classes in the order given. Names in the
// schema's spelling.
std::string ClassesOfEntry(
    const Schema& schema, const std::vector<std::string_view>& objectClasses, std::vector<std::string>* aux);

} // namespace veralith::client::ldap
