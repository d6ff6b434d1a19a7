#include "app/cli/session.h"

#include "directory/directory.h"
#include "util/format.h"
#include "util/string_list.h"

namespace veralith::app {

namespace {

// Number of connections the client made from its sources.
std::size_t CountConnections()
{
    std::size_t count = 0;
    std::uint32_t iterator = 0;
    std::uint32_t reference = 0;
    while (client::ConnScan(&iterator, &reference) == 0) {
        ++count;
    }
    return count;
}

} // namespace

std::string DirectoryErrorMessage(const std::string& operation, std::int32_t code)
{
    std::string message = util::Format("%s returned error %s", operation, directory::ErrorText(code));
    if (code == client::ERR_TRANSPORT_FAILURE) {
        // The code alone does not say that the server went away.
        message += ": the connection to the directory server failed or was lost";
    } else if (code == client::ERR_SIZE_LIMIT_EXCEEDED || code == client::ERR_TIME_LIMIT_EXCEEDED ||
        code == client::ERR_ADMIN_LIMIT_EXCEEDED) {
        message += ": a limit of the directory server ended it before its end; what came before is listed";
    }
    return message;
}

std::string StartClient(const std::vector<std::string>& treeFiles)
{
    client::SetTreeSources(treeFiles);
    if (directory::InitNetWare() != 0) {
        return "the directory client could not be started";
    }
    // Every source the client cannot load is left out of its connections; a
    // tree file named on the command line must not be dropped silently.
    if (!treeFiles.empty() && CountConnections() < treeFiles.size()) {
        return "a tree file could not be loaded";
    }
    return "";
}

std::string OpenSession(const std::string& tree, CliSession& session)
{
    session.tree = tree;
    if (session.tree.empty()) {
        util::StringList trees;
        directory::ListTrees(trees);
        if (trees.Empty()) {
            return "no directory tree found";
        }
        std::int32_t index = trees.IndexOf(directory::ReadPrimaryTree(), false);
        if (index < 0) {
            index = 0;
        }
        session.tree = trees.TextAt(static_cast<std::size_t>(index));
    }

    if (const std::int32_t code = client::DirCreateContext(session.navigation.out()); code != 0) {
        return DirectoryErrorMessage("DirCreateContext", code);
    }
    if (const std::int32_t code = client::DirCreateContext(session.search.out()); code != 0) {
        return DirectoryErrorMessage("DirCreateContext", code);
    }
    for (client::ScopedContext* context : {&session.navigation, &session.search}) {
        if (const std::int32_t code = directory::DSChangeCurrentTree(context->get(), session.tree); code != 0) {
            return "tree \"" + session.tree + "\": " + DirectoryErrorMessage("DSChangeCurrentTree", code);
        }
        directory::SetContextFlags(context->get(), '+', 4);
    }
    if (const std::int32_t code = directory::SetNameContextRoot(session.search.get()); code != 0) {
        return DirectoryErrorMessage("SetNameContextRoot", code);
    }
    return "";
}

} // namespace veralith::app
