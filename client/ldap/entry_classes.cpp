#include "client/ldap/entry_classes.h"

#include "client/client.h"

#include <algorithm>

namespace veralith::client::ldap {

std::string ClassesOfEntry(
    const Schema& schema, const std::vector<std::string_view>& objectClasses, std::vector<std::string>* aux)
{
    aux->clear();
    std::vector<int> structural;
    for (const std::string_view c : objectClasses) {
        const int id = schema.FindClass(c);
        if (id == kNoSchemaId) {
            continue;
        }
        const ClassDef& def = schema.GetClassDef(id);
        if ((def.flags & DS_AUXILIARY_CLASS) != 0) {
            aux->push_back(def.name);
        } else if ((def.flags & DS_EFFECTIVE_CLASS) != 0) {
            structural.push_back(id);
        }
    }
    for (int candidate : structural) {
        bool derivedFrom = false;
        for (int other : structural) {
            if (other == candidate) {
                continue;
            }
            const std::vector<int> chain = schema.ClassChain(other);
            derivedFrom = derivedFrom || std::find(chain.begin(), chain.end(), candidate) != chain.end();
        }
        if (!derivedFrom) {
            return schema.GetClassDef(candidate).name;
        }
    }
    return objectClasses.empty() ? std::string() : std::string(objectClasses.back());
}

} // namespace veralith::client::ldap
