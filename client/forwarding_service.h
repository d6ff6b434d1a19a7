#pragma once

// A DirectoryService that hands every call to another service. Test doubles
// derive from it and override the one operation whose failure they stage
// (a stream that cannot be opened or read, a directory that cannot be
// reached), and install themselves with SetTreeServices (client/service.h).

#include "client/service.h"

#include <memory>
#include <utility>

namespace veralith::client {

class ForwardingService : public DirectoryService
{
public:
    explicit ForwardingService(std::shared_ptr<DirectoryService> inner)
        : m_inner(std::move(inner))
    { }

    std::string treeName() const override { return m_inner->treeName(); }
    std::string defaultNameContext() const override { return m_inner->defaultNameContext(); }
    const Schema& getSchema() const override { return m_inner->getSchema(); }
    DirResult readEntry(std::string_view fullName, ObjectSummary* entry) override
    {
        return m_inner->readEntry(fullName, entry);
    }
    DirResult readAttributes(std::string_view fullName, const std::vector<std::string>* names,
        std::vector<AttributeData>* attributes) override
    {
        return m_inner->readAttributes(fullName, names, attributes);
    }
    DirResult openList(std::string_view fullName, bool containersOnly, std::unique_ptr<ObjectCursor>* cursor) override
    {
        return m_inner->openList(fullName, containersOnly, cursor);
    }
    DirResult openSearch(std::string_view base, std::int32_t scope, const FilterNode* filter,
        std::unique_ptr<ObjectCursor>* cursor) override
    {
        return m_inner->openSearch(base, scope, filter, cursor);
    }
    DirResult openStream(std::string_view fullName, std::string_view attribute, int* fd) override
    {
        return m_inner->openStream(fullName, attribute, fd);
    }
    std::vector<std::string> namingTypes(std::string_view fullName) override { return m_inner->namingTypes(fullName); }
    bool namesCarryTypes() const override { return m_inner->namesCarryTypes(); }
    DirResult distinguishedName(std::string_view fullName, std::string* dn) override
    {
        return m_inner->distinguishedName(fullName, dn);
    }

protected:
    DirectoryService& inner() { return *m_inner; }

private:
    std::shared_ptr<DirectoryService> m_inner;
};

} // namespace veralith::client
