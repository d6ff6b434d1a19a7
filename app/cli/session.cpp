#include "app/cli/session.h"

#include "directory/directory.h"
#include "util/feedback.h"
#include "util/format.h"
#include "util/string_list.h"

#include <cstdlib>

namespace veralith::app {

util::Status StartClient(const std::vector<std::string>& treeFiles)
{
    // An empty VERALITH_TREES names no tree: the built-in trees apply, as
    // when it is not set (the client alone would start without any tree).
    if (const char* env = std::getenv("VERALITH_TREES"); treeFiles.empty() && env != nullptr && *env == '\0') {
        unsetenv("VERALITH_TREES");
    }
    client::SetTreeSources(treeFiles);
    // The sources' errors are this program's to report, once, with the
    // command's name; the client's start-up message would only repeat them.
    client::SetTreeSourceErrorsToStandardError(false);
    std::string startMessage;
    util::FeedbackHooks quiet;
    quiet.showMessageBox = [&startMessage](util::MessageBoxKind, const std::string&, const std::string& text) {
        startMessage = text;
        return util::MessageBoxButton::Ok;
    };
    util::FeedbackHooks previous = util::SetFeedbackHooks(std::move(quiet));
    const std::int32_t started = directory::InitNetWare();
    util::SetFeedbackHooks(std::move(previous));

    // Every source must load: an audit that silently ran on another tree
    // than the one named would report the wrong tree clean.
    const std::vector<std::string>& errors = client::TreeSourceErrors();
    if (!errors.empty()) {
        std::string message;
        for (const std::string& error : errors) {
            message += (message.empty() ? "" : "\n") + error;
        }
        return util::Status::Failure(message);
    }
    if (started != 0) {
        return util::Status::Failure(startMessage.empty() ? "the directory client could not be started" : startMessage);
    }
    return {};
}

util::Status OpenSession(const std::string& tree, CliSession& session)
{
    session.tree = tree;
    if (session.tree.empty()) {
        util::StringList trees;
        directory::ListTrees(trees);
        if (trees.Empty()) {
            return util::Status::Failure("no directory tree found");
        }
        std::int32_t index = trees.IndexOf(directory::ReadPrimaryTree(), false);
        if (index < 0) {
            index = 0;
        }
        session.tree = trees.TextAt(static_cast<std::size_t>(index));
    }

    if (const std::int32_t code = client::DirCreateContext(session.navigation.Out()); code != 0) {
        return util::Status::Failure(DirectoryErrorMessage("DirCreateContext", code));
    }
    if (const std::int32_t code = client::DirCreateContext(session.search.Out()); code != 0) {
        return util::Status::Failure(DirectoryErrorMessage("DirCreateContext", code));
    }
    for (client::ScopedContext* context : {&session.navigation, &session.search}) {
        if (const std::int32_t code = directory::DSChangeCurrentTree(context->get(), session.tree); code != 0) {
            return util::Status::Failure(
                "tree \"" + session.tree + "\": " + DirectoryErrorMessage("DSChangeCurrentTree", code));
        }
        directory::SetContextFlags(context->get(), '+', client::DCV_TYPELESS_NAMES);
    }
    if (const std::int32_t code = directory::SetNameContextRoot(session.search.get()); code != 0) {
        return util::Status::Failure(DirectoryErrorMessage("SetNameContextRoot", code));
    }
    return {};
}

} // namespace veralith::app
