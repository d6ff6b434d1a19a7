// The search run behind the window's Search button at scale, offscreen:
//
//   veralith-bench-window-find TREE-FILE [--class CLASS] [--attribute ATTR]
//
// TREE-FILE is any tree source: a tree file or an LDAP URL
// (ldap://127.0.0.1:PORT/o=Acme --class inetOrgPerson --attribute mail).
// Opens the window on it, selects the class and the attribute, the
// Duplicates mode, Recurse, the alert "Log Message" and the container
// "[Root]", clicks Search and reports the run's time, how often the window
// processed its pending messages (the longest pause between two) and how
// often the status bar changed, the peak memory, and how long painting the
// lists takes while they are scrolled afterwards.

#include "app/dialogs.h"
#include "app/form_search_run.h"
#include "app/list_controls.h"
#include "app/main_form.h"
#include "bench/bench_process.h"
#include "client/client.h"
#include "client/notices.h"
#include "directory/directory.h"
#include "platform/allocator.h"
#include "settings/radio_group.h"
#include "util/feedback.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QScrollBar>
#include <QStatusBar>

namespace {

using namespace veralith;

// Answers every box with OK and counts them; no modal loop.
class CountingDialogs final : public app::Dialogs
{
public:
    util::MessageBoxButton ShowMessageBox(QWidget*, util::MessageBoxKind, const QString&, const QString& text) override
    {
        ++boxes;
        last = text.toStdString();
        return util::MessageBoxButton::Ok;
    }
    std::optional<QString> ExecuteSaveDialog(QWidget*, const app::SaveDialogOptions&) override { return {}; }

    int boxes = 0;
    std::string last;
};

struct ScrollTimes
{
    std::size_t steps = 0;
    double median = 0;
    double longest = 0;
};

// Scrolls list by pages and by jumps, painting each position, and times the
// steps.
ScrollTimes ScrollThrough(app::ListBox& list)
{
    QScrollBar* bar = list.verticalScrollBar();
    std::vector<double> steps;
    const auto step = [&](int value) {
        const bench::Stopwatch clock;
        bar->setValue(value);
        list.viewport()->repaint();
        QApplication::processEvents();
        steps.push_back(clock.Milliseconds());
    };
    for (int i = 0; i < 200 && bar->value() < bar->maximum(); ++i) {
        step(bar->value() + bar->pageStep());
    }
    for (int i = 0; i <= 100; ++i) {
        const int jump = static_cast<int>(static_cast<long long>(bar->maximum()) * ((i * 37) % 101) / 100);
        step(jump);
    }
    ScrollTimes times;
    times.steps = steps.size();
    if (!steps.empty()) {
        std::sort(steps.begin(), steps.end());
        times.median = steps[steps.size() / 2];
        times.longest = steps.back();
    }
    return times;
}

} // namespace

int main(int argc, char** argv)
{
    // As the programs measured do.
    veralith::platform::TuneAllocator();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (argc < 2) {
        std::fputs("usage: veralith-bench-window-find TREE-FILE|LDAP-URL [--class CLASS] [--attribute ATTR]\n", stderr);
        return 2;
    }
    const std::string treeFile = argv[1];
    std::string className = "User";
    std::string attribute = "Telephone Number";
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--class") {
            className = argv[i + 1];
        } else if (option == "--attribute") {
            attribute = argv[i + 1];
        }
    }

    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    client::SetTreeSources({treeFile});
    CountingDialogs dialogs;
    const bench::Stopwatch loading;
    app::TMainForm form(dialogs);
    form.SetSearchRun(app::RunFormSearch);
    form.show();
    QApplication::processEvents();
    std::printf("window created on %s in %.0f ms\n", treeFile.c_str(), loading.Milliseconds());

    form.ComboBoxClasses->SetItemIndex(form.ComboBoxClasses->Items().IndexOf(className));
    form.ComboBoxClassesChange();
    form.ComboBoxAttributes->SetItemIndex(form.ComboBoxAttributes->Items().IndexOf(attribute));
    form.RadioGroupAttributeCheck->SetItemIndex(0);
    form.CheckBoxRecurse->setChecked(true);
    form.RadioGroupAlert->SetItemIndex(1);
    directory::SetNameContextRoot(form.NavigationContext());
    form.GetContainerInfo();
    if (form.ComboBoxClasses->Text() != className || form.ComboBoxAttributes->Text() != attribute) {
        std::fprintf(
            stderr, "class %s or attribute %s not offered by the window\n", className.c_str(), attribute.c_str());
        return 2;
    }

    // Time every real event-processing call the run makes (the window's hook).
    util::FeedbackHooks windowHooks = util::SetFeedbackHooks({});
    std::vector<double> pumps;
    const bench::Stopwatch clock;
    util::FeedbackHooks timed = windowHooks;
    // The longest single round of event processing (layout and painting),
    // and when it came.
    double longestPump = 0;
    double longestPumpAt = 0;
    timed.processPendingMessages = [&] {
        const double at = clock.Milliseconds();
        pumps.push_back(at);
        if (windowHooks.processPendingMessages) {
            windowHooks.processPendingMessages();
        }
        if (clock.Milliseconds() - at > longestPump) {
            longestPump = clock.Milliseconds() - at;
            longestPumpAt = at;
        }
    };
    util::SetFeedbackHooks(timed);
    // The repaints the client asks for while one of its calls waits for a
    // server count as rounds of events too.
    client::WaitHook windowWait = client::SetWaitHook({});
    std::size_t waits = 0;
    client::SetWaitHook([&] {
        pumps.push_back(clock.Milliseconds());
        ++waits;
        if (windowWait) {
            windowWait();
        }
    });
    int statusChanges = 0;
    QObject::connect(form.StatusBar, &QStatusBar::messageChanged, [&] { ++statusChanges; });

    const double start = clock.Milliseconds();
    const bench::CpuStopwatch cpu;
    form.BitBtnSearchClick();
    const double end = clock.Milliseconds();
    const double cpuMilliseconds = cpu.Milliseconds();
    util::SetFeedbackHooks(windowHooks);
    client::SetWaitHook(std::move(windowWait));

    double longestPause = 0;
    double longestPauseAt = start;
    double previous = start;
    pumps.push_back(end);
    for (const double pump : pumps) {
        if (pump - previous > longestPause) {
            longestPause = pump - previous;
            longestPauseAt = previous;
        }
        previous = pump;
    }
    pumps.pop_back();
    // After the reading: the release of the run's lists, the DNs and the
    // groups view, up to the end of the run.
    const double lastPause = end - (pumps.empty() ? start : pumps.back());
    std::printf("window run: %d objects, %d values, %d log lines, %d boxes (%s): %.0f ms (CPU %.0f ms)\n",
        form.ListBoxObjects->Count(), form.ListBoxAttributes->Count(), form.ListBoxLog->Count(), dialogs.boxes,
        dialogs.last.c_str(), end - start, cpuMilliseconds);
    std::printf("pending messages processed %zu times (%zu of them repaints while the client waited), longest pause "
                "%.1f ms (from %.0f ms into the run); status bar changed %d times\n",
        pumps.size(), waits, longestPause, longestPauseAt - start, statusChanges);
    std::printf("longest round of event processing %.1f ms (at %.0f ms)\n", longestPump, longestPumpAt - start);
    std::printf("last pause %.1f ms (from the last round of events to the end of the run)\n", lastPause);
    std::printf("peak memory %ld MB\n", bench::PeakKilobytes() / 1024);

    // Scrolling the filled lists: a page at a time from the top, then jumps
    // across the whole list, each step painted at once.
    form.PageControl->setCurrentWidget(form.TabSheetResults);
    QApplication::processEvents();
    for (app::ListBox* list : {form.ListBoxObjects, form.ListBoxAttributes, form.ListBoxLog}) {
        ScrollTimes times = ScrollThrough(*list);
        std::printf("scrolling %s (%d rows): %zu steps, median %.2f ms, longest %.2f ms\n",
            list->objectName().toStdString().c_str(), list->Count(), times.steps, times.median, times.longest);
    }
    return 0;
}
