// Measures the program beside the tools a person would use instead: the
// search against find and fd on a synthetic tree, the result list's work at a
// million lines, how long the event loop goes unvisited, and the first paint.

#include "Form1.h"
#include "Measure.h"
#include "QtDesktop.h"
#include "SettingsStore.h"
#include "SyntheticTree.h"
#include "folders/FolderListModel.h"
#include "results/ClipboardCopy.h"
#include "results/ResultExport.h"
#include "results/ResultFilters.h"
#include "results/ResultModel.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPaintEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <cstdio>
#include <map>
#include <optional>
#include <unistd.h>

namespace {

// The real desktop, except that boxes answer at once and say what they saw.
class BenchDesktop : public QtDesktop {
public:
    void message(const QString& text) override
    {
        if (text == QLatin1String("Done."))
            doneAtMs = monotonicMs();
    }
    bool askYesNo(const QString&) override { return true; }
    void errorBox(const QString& text) override
    {
        ++errors;
        std::fprintf(stderr, "error box: %s\n", qPrintable(withLineFeeds(text)));
    }
    QString inputText(const QString&) override { return {}; }
    QString pickSaveFile(const SaveDialogSettings&) override { return saveTo; }

    std::optional<double> doneAtMs;
    QString saveTo;
    int errors = 0;
};

struct Bench {
    BenchDesktop desktop;
    QTemporaryDir scratch;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<Form1> form;
    EventLoopGapMeter gaps;
    double longestGapMs = 0;

    Bench()
    {
        settings = std::make_unique<SettingsStore>(scratch.path() + QStringLiteral("/Quillmark.conf"));
        form = std::make_unique<Form1>(Form1Services{desktop, *settings, scratch.path(), [] { return 1; }});
        desktop.setOwner(form.get());
        form->Form_Load();
        form->show();
    }

    void noteGap(double ms) { longestGapMs = std::max(longestGapMs, ms); }

    // One click on Start Searching, timed until "Done." reaches the desktop.
    double search(const QString& tree, const QString& phrase, long long* lines)
    {
        form->resultList().clear();
        while (form->folderList().entryCount() > 0)
            form->folderList().removeEntry(0);
        form->folderList().append(tree);
        form->Text1->setText(phrase);
        form->Option1->setChecked(true);
        desktop.doneAtMs.reset();
        gaps.start();
        const double start = monotonicMs();
        form->PushButton1->click();
        noteGap(gaps.stop());
        *lines = form->resultList().lineCount();
        return desktop.doneAtMs ? *desktop.doneAtMs - start : -1;
    }

    void tickFromTheMenu(const QString& caption)
    {
        for (QAction* action : form->ListView2Menu->actions())
            if (action->text() == caption)
                action->trigger();
    }

    void fillList(long long lines)
    {
        ResultModel& list = form->resultList();
        list.clear();
        QByteArray line;
        for (long long i = 0; i < lines; ++i) {
            // About 57 characters, like a path and name two folders deep.
            line = "/home/user/archive/folder_" + QByteArray::number(i % 997).rightJustified(3, '0') + "/report_"
                   + QByteArray::number(i).rightJustified(7, '0') + ((i % 10 == 0) ? "_invoice.txt" : "_summary.pdf");
            list.append(line);
        }
        list.showPendingLines();
    }
};

QString ratio(double a, double b)
{
    return b > 0 && a > 0 ? QString::number(a / b, 'f', 2) : QStringLiteral("n/a");
}

void printFigure(const char* name, double value, const char* unit)
{
    std::printf("%-34s %10.1f %s\n", name, value, unit);
    std::fflush(stdout);
}

// The child's side of the first-paint figure: start as the program starts,
// print the monotonic time of the first paint and leave.
class FirstPaintWatch : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            std::printf("%.3f\n", monotonicMs());
            std::fflush(stdout);
            ::_exit(0);
        }
        return false;
    }
};

int firstPaintChild(int argc, char* argv[])
{
    QApplication application(argc, argv);
    BenchDesktop desktop;
    QTemporaryDir scratch;
    SettingsStore settings(scratch.path() + QStringLiteral("/Quillmark.conf"));
    Form1 form(Form1Services{desktop, settings, scratch.path(), [] { return 1; }});
    FirstPaintWatch watch;
    form.installEventFilter(&watch);
    form.Form_Load();
    form.showCentered();
    return application.exec();
}

double firstPaintMs(const QString& self)
{
    const double start = monotonicMs();
    FILE* child = ::popen(qPrintable(QStringLiteral("'%1' --first-paint-child").arg(self)), "r");
    if (child == nullptr)
        return -1;
    double paintedAt = -1;
    if (std::fscanf(child, "%lf", &paintedAt) != 1)
        paintedAt = -1;
    ::pclose(child);
    return paintedAt < 0 ? -1 : paintedAt - start;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "--first-paint-child") == 0)
            return firstPaintChild(argc, argv);

    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Scrivlist benchmark"));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("files"), QStringLiteral("Files in the synthetic tree."), QStringLiteral("n"),
                      QStringLiteral("100000")});
    parser.addOption({QStringLiteral("lines"), QStringLiteral("Lines for the result-list figures."),
                      QStringLiteral("n"), QStringLiteral("1000000")});
    parser.addOption(
        {QStringLiteral("rounds"), QStringLiteral("Interleaved rounds."), QStringLiteral("n"), QStringLiteral("5")});
    parser.addOption(
        {QStringLiteral("seed"), QStringLiteral("Seed of the tree."), QStringLiteral("n"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("phrase"), QStringLiteral("Phrase searched."), QStringLiteral("text"),
                      QStringLiteral("ple1.t")});
    parser.process(application);
    const long long files = parser.value(QStringLiteral("files")).toLongLong();
    const long long lines = parser.value(QStringLiteral("lines")).toLongLong();
    const int rounds = std::max(1, parser.value(QStringLiteral("rounds")).toInt());
    const QString phrase = parser.value(QStringLiteral("phrase"));

    Bench bench;
    const QString tree = bench.scratch.path() + QStringLiteral("/tree");
    QDir().mkpath(tree);
    double start = monotonicMs();
    const TreeSummary summary =
        makeSyntheticTree(tree, files, parser.value(QStringLiteral("seed")).toULongLong(), phrase.toUtf8());
    std::printf("tree: %lld files in %lld folders, %lld matching \"%s\", made in %.1f s\n", summary.files,
                summary.folders, summary.matching, qPrintable(phrase), (monotonicMs() - start) / 1000);

    const bool haveFd = commandExists(QStringLiteral("fdfind"));
    const QString pattern = QStringLiteral("*%1*").arg(phrase);
    std::map<QString, std::vector<double>> times;
    long long found = 0;
    long long everything = 0;
    // One untimed pass warms the cache for everyone.
    timeCommand({QStringLiteral("find"), tree, QStringLiteral("-type"), QStringLiteral("f")});
    bench.search(tree, phrase, &found);
    for (int round = 0; round < rounds; ++round) {
        times["search"].push_back(bench.search(tree, phrase, &found));
        times["find -iname"].push_back(timeCommand({QStringLiteral("find"), tree, QStringLiteral("-iname"), pattern}));
        if (haveFd) {
            const QStringList fd{QStringLiteral("fdfind"),
                                 QStringLiteral("--no-ignore"),
                                 QStringLiteral("--hidden"),
                                 QStringLiteral("-i"),
                                 QStringLiteral("-F"),
                                 phrase,
                                 tree};
            times["fd 1 thread"].push_back(timeCommand(QStringList(fd) << QStringLiteral("-j1")));
            times["fd default threads"].push_back(timeCommand(fd));
        }
        times["search *"].push_back(bench.search(tree, QStringLiteral("*"), &everything));
        times["find -type f"].push_back(
            timeCommand({QStringLiteral("find"), tree, QStringLiteral("-type"), QStringLiteral("f")}));
    }
    std::printf("search found %lld lines, \"*\" %lld lines\n", found, everything);
    for (const auto& [name, values] : times)
        printFigure(qPrintable(name + QStringLiteral(" (median ms)")), median(values), "ms");
    const double search = median(times["search"]);
    const double find = median(times["find -iname"]);

    // The result list at scale.
    bench.form->resultList().clear();
    const long long residentBefore = residentBytes();
    bench.fillList(lines);
    const double bytesPerLine = static_cast<double>(residentBytes() - residentBefore) / static_cast<double>(lines);
    std::map<QString, std::vector<double>> listTimes;
    const QString savePath = bench.scratch.path() + QStringLiteral("/saved.txt");
    bench.desktop.saveTo = savePath;
    for (int round = 0; round < rounds; ++round) {
        bench.fillList(lines);
        start = monotonicMs();
        RemoveResultsContaining(bench.form->resultList(), QStringLiteral("INVOICE"));
        listTimes["filter containing"].push_back(monotonicMs() - start);
        bench.fillList(lines);
        start = monotonicMs();
        RemoveResultsNotContaining(bench.form->resultList(), QStringLiteral("INVOICE"));
        listTimes["filter not containing"].push_back(monotonicMs() - start);

        bench.fillList(lines);
        bench.gaps.start();
        start = monotonicMs();
        saveResultsAsTextFile(bench.desktop, bench.form->resultList(), [](PointerState) {});
        listTimes["save"].push_back(monotonicMs() - start);
        bench.noteGap(bench.gaps.stop());

        // As the context menu's command, with the repaint that follows it.
        start = monotonicMs();
        bench.tickFromTheMenu(QStringLiteral("Tick All"));
        QCoreApplication::processEvents();
        listTimes["Tick All"].push_back(monotonicMs() - start);

        ResultModel& list = bench.form->resultList();
        bench.gaps.start();
        start = monotonicMs();
        copyResultsToClipboard(bench.desktop, list);
        listTimes["copy all ticked"].push_back(monotonicMs() - start);
        bench.noteGap(bench.gaps.stop());
    }
    for (const auto& [name, values] : listTimes)
        printFigure(qPrintable(QStringLiteral("%1 %2 lines (median ms)").arg(name).arg(lines)), median(values), "ms");
    printFigure("result list memory per line", bytesPerLine, "bytes");
    printFigure("longest event-loop gap", bench.longestGapMs, "ms");

    std::vector<double> paints;
    paints.reserve(rounds);
    for (int round = 0; round < rounds; ++round)
        paints.push_back(firstPaintMs(QCoreApplication::applicationFilePath()));
    const double firstPaint = median(paints);
    printFigure("start to first paint (median)", firstPaint, "ms");

    std::printf("search/find=%s", qPrintable(ratio(search, find)));
    if (haveFd) {
        std::printf(" search/fd1=%s search/fd2=%s", qPrintable(ratio(search, median(times["fd 1 thread"]))),
                    qPrintable(ratio(search, median(times["fd default threads"]))));
    }
    std::printf(" all/findf=%s bytes/line=%.0f maxgap_ms=%.0f firstpaint_ms=%.0f errors=%d\n",
                qPrintable(ratio(median(times["search *"]), median(times["find -type f"]))), bytesPerLine,
                bench.longestGapMs, firstPaint, bench.desktop.errors);
    return 0;
}
