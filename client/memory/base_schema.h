#pragma once

// The built-in base schema every tree starts from: the standard classes
// (Top, Alias, Country, Locality, Organization, Organizational Unit, Person,
// User, Group, servers, volumes, printers, queues, applications,
// workstations, Tree Root, ...) and their attributes with syntax ids and
// flags. Every syntax 0-27 is the syntax of at least one attribute.

#include "client/schema.h"

namespace veralith::client::memory {

// A fresh copy of the base schema.
Schema BaseSchema();

} // namespace veralith::client::memory
