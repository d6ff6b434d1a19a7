// veralith: the window.
//
//   veralith [TREE-FILE]...
//
// Tree files given as arguments become the directory client's connections, the
// first one the primary connection; without arguments the client takes the
// files listed in VERALITH_TREES (separated by ";"), else its built-in sample
// trees.

#include "app/dialogs.h"
#include "app/main_form.h"
#include "client/client.h"
#include "platform/allocator.h"
#include "util/build_info.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <QApplication>

namespace {

constexpr const char* kUsage = "Usage: veralith [TREE-FILE]...\n"
                               "Find directory objects whose attribute values collide, and list which objects\n"
                               "carry or lack an attribute.\n"
                               "\n"
                               "Tree files given as arguments become the directory client's connections, the\n"
                               "first one the primary connection. Without arguments the files listed in\n"
                               "VERALITH_TREES (separated by ';') are used, else the built-in sample trees.\n"
                               "\n"
                               "Options:\n"
                               "  -h, --help     show this help and exit\n"
                               "      --version  show the version and exit\n"
                               "  --             treat every later argument as a tree file\n";

} // namespace

int main(int argc, char* argv[])
{
    veralith::platform::TuneAllocator();
    // Answered before Qt starts, so that they work without a display.
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("veralith %s\n", veralith::util::kVersion);
            return 0;
        }
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("veralith"));
    QApplication::setApplicationVersion(QString::fromLatin1(veralith::util::kVersion));
    QApplication::setDesktopFileName(QStringLiteral("veralith"));

    // QApplication has taken its own options (-platform, ...) out of argv.
    std::vector<std::string> treeFiles;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            std::fprintf(stderr, "veralith: unknown option '%s'\n%s", argument.c_str(), kUsage);
            return 2;
        } else {
            treeFiles.push_back(argument);
        }
    }
    veralith::client::SetTreeSources(std::move(treeFiles));

    veralith::app::QtDialogs dialogs;
    veralith::app::TMainForm form(dialogs);
    form.show();
    return QApplication::exec();
}
