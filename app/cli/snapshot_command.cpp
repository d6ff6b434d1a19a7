#include "app/cli/snapshot_command.h"

#include "app/cli/commands.h"
#include "app/cli/output.h"
#include "client/memory/snapshot.h"
#include "client/service.h"

namespace veralith::app {

int RunSnapshot(const CliOptions& options, const CliSession& session, std::FILE* out, std::FILE* err)
{
    auto fail = [&](const std::string& message) {
        const std::string line = "veralith-cli: snapshot: " + message + "\n";
        std::fwrite(line.data(), 1, line.size(), err);
        return kExitFailure;
    };
    const std::shared_ptr<client::DirectoryService> service = client::TreeService(session.tree);
    if (!service) {
        return fail("no connection to the tree \"" + session.tree + "\"");
    }
    std::string text;
    std::vector<std::string> warnings;
    std::string error;
    const auto format =
        options.snapshotLdif ? client::memory::SnapshotFormat::Ldif : client::memory::SnapshotFormat::TreeFile;
    if (const client::DirResult rc = client::memory::WriteSnapshot(*service, format, &text, &warnings, &error);
        rc != 0) {
        return fail(error + " (" + DirectoryErrorMessage("WriteSnapshot", rc) + ")");
    }
    for (const std::string& warning : warnings) {
        const std::string line = "veralith-cli: snapshot: warning: " + warning + "\n";
        std::fwrite(line.data(), 1, line.size(), err);
    }
    if (options.output) {
        if (const util::Status written = WriteResultFile(*options.output, text, out); !written) {
            return fail("--output: " + written.Reason());
        }
        return kExitSuccess;
    }
    std::fwrite(text.data(), 1, text.size(), out);
    return kExitSuccess;
}

} // namespace veralith::app
