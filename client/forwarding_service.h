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

    std::string TreeName() const override { return m_inner->TreeName(); }
    std::string DefaultNameContext() const override { return m_inner->DefaultNameContext(); }
    const Schema& GetSchema() const override { return m_inner->GetSchema(); }
    DirResult ReadEntry(std::string_view fullName, ObjectSummary* entry) override
    {
        return m_inner->ReadEntry(fullName, entry);
    }
    DirResult ReadAttributes(std::string_view fullName, const std::vector<std::string>* names,
        std::vector<AttributeData>* attributes) override
    {
        return m_inner->ReadAttributes(fullName, names, attributes);
    }
    DirResult OpenList(std::string_view fullName, bool containersOnly, std::unique_ptr<ObjectCursor>* cursor) override
    {
        return m_inner->OpenList(fullName, containersOnly, cursor);
    }
    DirResult OpenSearch(std::string_view base, std::int32_t scope, const FilterNode* filter,
        std::unique_ptr<ObjectCursor>* cursor) override
    {
        return m_inner->OpenSearch(base, scope, filter, cursor);
    }
    DirResult OpenStream(std::string_view fullName, std::string_view attribute, int* fd) override
    {
        return m_inner->OpenStream(fullName, attribute, fd);
    }
    std::vector<std::string> NamingTypes(std::string_view fullName) override { return m_inner->NamingTypes(fullName); }
    bool NamesCarryTypes() const override { return m_inner->NamesCarryTypes(); }
    DirResult DistinguishedName(std::string_view fullName, std::string* dn) override
    {
        return m_inner->DistinguishedName(fullName, dn);
    }

protected:
    DirectoryService& Inner() { return *m_inner; }

private:
    std::shared_ptr<DirectoryService> m_inner;
};

} // namespace veralith::client
