// Start-up and connections: the workstation configuration becomes one
// connection per tree source that loads.

#include "client/ldap/connection.h"
#include "client/ldap/ldap_directory.h"
#include "client/memory/builtin_trees.h"
#include "client/memory/loader.h"
#include "client/schema.h"
#include "client/state.h"

#include <cstdlib>
#include <cstring>
#include <iostream>

namespace veralith::client {

using memory::BuiltinTree;
using memory::BuiltinTrees;
using memory::LoadTreeSource;
using memory::LoadTreeText;

namespace {

std::vector<std::string> SplitSources(std::string_view text)
{
    std::vector<std::string> sources;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t semi = text.find(';', pos);
        const std::string_view part = text.substr(pos, semi == std::string_view::npos ? text.npos : semi - pos);
        if (!part.empty()) {
            sources.emplace_back(part);
        }
        if (semi == std::string_view::npos) {
            break;
        }
        pos = semi + 1;
    }
    return sources;
}

const Connection* FindReference(std::uint32_t reference)
{
    const auto& connections = State().connections;
    if (reference == 0 || reference > connections.size()) {
        return nullptr;
    }
    return &connections[reference - 1];
}

// The tree sources of the last ClientInit that did not load, with why.
std::vector<std::string>& SourceErrors()
{
    static std::vector<std::string> errors;
    return errors;
}

bool& SourceErrorsToStandardError()
{
    static bool print = true;
    return print;
}

void ReportSourceError(const std::string& error)
{
    SourceErrors().push_back(error);
    if (SourceErrorsToStandardError()) {
        std::cerr << error << '\n';
    }
}

// The tree name as ConnGetInfo reports it and the window shows it: at most
// kMaxTreeNameChars characters, trailing "_" removed.
std::string ShownTreeName(const std::string& tree)
{
    std::string shown = tree.substr(0, kMaxTreeNameChars);
    while (!shown.empty() && shown.back() == '_') {
        shown.pop_back();
    }
    return shown;
}

// Adds the connection of a loaded source. Tree files of one tree are
// connections to that tree; an LDAP server whose tree name an earlier source
// shows already would be merged with it unseen, so it is refused with a
// message.
void AddLoadedSource(
    std::vector<Connection>* connections, std::shared_ptr<DirectoryService> service, const std::string& source)
{
    const std::string shown = ShownTreeName(service->TreeName());
    for (const Connection& earlier : *connections) {
        if (ldap::IsLdapSource(source) && SameTextIgnoreCase(ShownTreeName(earlier.tree), shown)) {
            ReportSourceError(source + ": the tree name \"" + shown +
                "\" is already served by an earlier source; this one is left out (an LDAP URL takes another "
                "name with ?tree=NAME)");
            return;
        }
    }
    connections->push_back(Connection {service, service->TreeName()});
}

} // namespace

const std::vector<std::string>& TreeSourceErrors()
{
    return SourceErrors();
}

void SetTreeSourceErrorsToStandardError(bool print)
{
    SourceErrorsToStandardError() = print;
}

void SetTreeSources(std::vector<std::string> sources)
{
    State().sources = std::move(sources);
}

void SetTreeServices(std::vector<std::shared_ptr<DirectoryService>> services)
{
    State().services = std::move(services);
}

std::shared_ptr<DirectoryService> TreeService(std::string_view tree)
{
    for (const Connection& connection : State().connections) {
        if (SameTextIgnoreCase(connection.tree, tree)) {
            return connection.service;
        }
    }
    return nullptr;
}

ConnResult AddServiceConnection(std::shared_ptr<DirectoryService> service, std::uint32_t* reference)
{
    ClientState& s = State();
    if (!s.started || !service) {
        return CONN_CLIENT_NOT_AVAILABLE;
    }
    s.connections.push_back(Connection {service, service->TreeName()});
    *reference = static_cast<std::uint32_t>(s.connections.size());
    return 0;
}

ConnResult ClientInit(void* /*reserved1*/, void* /*reserved2*/)
{
    CountCall();
    ClientState& s = State();
    std::vector<Connection> connections;
    SourceErrors().clear();
    if (!s.services.empty()) {
        for (const auto& service : s.services) {
            connections.push_back(Connection {service, service->TreeName()});
        }
    } else {
        std::vector<std::string> sources = s.sources;
        bool builtin = false;
        if (sources.empty()) {
            if (const char* env = std::getenv("VERALITH_TREES"); env != nullptr) {
                sources = SplitSources(env);
            } else {
                builtin = true;
            }
        }
        if (builtin) {
            for (const BuiltinTree& tree : BuiltinTrees()) {
                if (!tree.servedByDefault) {
                    continue;
                }
                std::shared_ptr<DirectoryService> service;
                std::string error;
                if (LoadTreeText(tree.text, std::string(tree.fileName), &service, &error)) {
                    AddLoadedSource(&connections, service, std::string(tree.fileName));
                } else {
                    ReportSourceError(error);
                }
            }
        }
        for (const std::string& source : sources) {
            std::shared_ptr<DirectoryService> service;
            std::string error;
            std::vector<std::string> warnings; // of LDIF files: attributes in no schema
            const bool loaded = ldap::IsLdapSource(source) ? ldap::LoadLdapSource(source, &service, &error)
                                                           : LoadTreeSource(source, &service, &error, &warnings);
            for (const std::string& warning : warnings) {
                std::cerr << "warning: " << warning << '\n';
            }
            if (loaded) {
                AddLoadedSource(&connections, service, source);
            } else {
                ReportSourceError(error);
            }
        }
        if (connections.empty() && (builtin || !sources.empty())) {
            s.started = false;
            s.connections.clear();
            return CONN_CLIENT_NOT_AVAILABLE;
        }
    }
    s.connections = std::move(connections);
    s.started = true;
    return 0;
}

ConnResult ConnScan(std::uint32_t* iterator, std::uint32_t* reference)
{
    CountCall();
    if (iterator == nullptr || reference == nullptr) {
        return CONN_INVALID_CONNECTION;
    }
    const auto& connections = State().connections;
    if (*iterator >= connections.size()) {
        return CONN_NO_MORE_ENTRIES;
    }
    *reference = *iterator + 1;
    *iterator += 1;
    return 0;
}

ConnResult ConnGetPrimary(std::uint32_t* reference)
{
    CountCall();
    if (reference == nullptr || State().connections.empty()) {
        return CONN_INVALID_CONNECTION;
    }
    *reference = 1;
    return 0;
}

ConnResult ConnGetInfo(std::uint32_t reference, std::uint32_t infoType, std::size_t length, void* value)
{
    CountCall();
    const Connection* connection = FindReference(reference);
    if (connection == nullptr || infoType != 4 || value == nullptr || length < kMaxTreeNameChars + 1) {
        return CONN_INVALID_CONNECTION;
    }
    std::string padded = connection->tree.substr(0, kMaxTreeNameChars);
    padded.resize(kMaxTreeNameChars, '_');
    std::memcpy(value, padded.c_str(), padded.size() + 1);
    return 0;
}

ConnResult ConnOpenByRef(
    std::uint32_t reference, std::uint32_t /*mode*/, std::uint32_t /*flags*/, std::uint32_t* handle)
{
    CountCall();
    if (FindReference(reference) == nullptr || handle == nullptr) {
        return CONN_INVALID_CONNECTION;
    }
    *handle = reference;
    return 0;
}

ClientResourceCounts GetClientResourceCounts()
{
    const ClientState& s = State();
    ClientResourceCounts counts;
    counts.contexts = s.contexts.size();
    counts.buffers = s.buffers.size();
    counts.filters = s.filters.size();
    for (const auto& [handle, context] : s.contexts) {
        counts.iterations += context->iterations.size();
    }
    return counts;
}

std::uint64_t GetClientCallCount()
{
    return State().calls;
}

} // namespace veralith::client
