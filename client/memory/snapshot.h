#pragma once

// Snapshots: any directory service written out whole, as a tree file (JSON,
// the tree-file format) or as LDIF, so that a directory can be audited again
// offline. Loading the tree file gives the same objects, classes and values
// the service gave; LDIF keeps names, classes and the values of text, name,
// number, boolean, time and byte syntaxes (the LDAP string forms).
//
// The objects are those of a subtree search from the root, with every
// attribute a read of the object gives. Ancestors the service does not
// deliver ("dc=com" above a naming context "dc=example,dc=com") are written
// as objects of the class "Implied Container", which searches pass over.

#include "client/service.h"

#include <string>
#include <vector>

namespace veralith::client::memory {

enum class SnapshotFormat {
    TreeFile,
    Ldif,
};

// Writes the service's directory into *text. Values that cannot be written
// (a name value naming no object of the snapshot, in a tree file) are left
// out with a warning each in *warnings. Returns 0 or the service's failure
// code, with *error saying what failed.
DirResult WriteSnapshot(DirectoryService& service, SnapshotFormat format, std::string* text,
    std::vector<std::string>* warnings, std::string* error);

} // namespace veralith::client::memory
