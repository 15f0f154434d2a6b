#include "Failure.h"
#include "FakeDesktop.h"
#include "FileExists.h"
#include "StepTrap.h"
#include "results/ResultExport.h"
#include "results/ResultModel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>

namespace {

using Lines = QList<QByteArray>;
using Pointers = QList<PointerState>;

const QByteArray OldBytes("a much longer old list\r\n");
const Pointers BusyThenDefault{PointerState::Busy, PointerState::Default};
const QString Location = QStringLiteral("in Tests.Save ");

enum Fault { NoFault, ReadOnlyFolder, FullDisk, FileSizeLimit, LineRemoved };

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// A real replacing file whose writes all fail, as on a full disk.
class FullDiskFile : public ReplacingFile {
public:
    explicit FullDiskFile(const QString& path) : real_(openReplacingFile(path)), path_(path) {}
    void write(QByteArrayView) override { throw Failure::fromErrno(ENOSPC, path_); }
    void commit() override { real_->commit(); }

private:
    std::unique_ptr<ReplacingFile> real_;
    QString path_;
};

// While it lives, writes beyond this many bytes of a file fail for real.
class FileSizeCap {
    Q_DISABLE_COPY(FileSizeCap)

public:
    explicit FileSizeCap(rlim_t bytes) : previousHandler_(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit capped = previous_;
        capped.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &capped);
    }
    ~FileSizeCap()
    {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    void (*previousHandler_)(int);
    rlimit previous_{};
};

// The save as the button runs it, over a folder that holds an old list and a
// subfolder, with the given fault played.
struct Save {
    Save()
    {
        QFile old(oldPath());
        if (!old.open(QIODevice::WriteOnly) || old.write(OldBytes) != OldBytes.size()
            || !QDir(folder.path()).mkdir(QStringLiteral("sub")))
            qFatal("cannot prepare the folder");
        for (const char* line : {"first line", "second line", "third line"})
            list.append(line);
    }

    QString oldPath() const { return folder.filePath(QStringLiteral("old.txt")); }

    // Scripts the save dialog's answer and, for an existing file, the question's.
    void answer(const QString& path, bool yes = true)
    {
        desktop.expectSaveFile(path);
        if (!path.isEmpty() && FileExists(path))
            desktop.expectQuestion(QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"),
                                   yes);
    }

    void run(Fault fault = NoFault)
    {
        ReplacingFileOpener open = openReplacingFile;
        if (fault == ReadOnlyFolder) // root may write anywhere, so the refusal is played
            open = [](const QString& path) -> std::unique_ptr<ReplacingFile> {
                throw Failure::fromErrno(EACCES, path);
            };
        else if (fault == FullDisk)
            open = [](const QString& path) { return std::make_unique<FullDiskFile>(path); };
        else if (fault == LineRemoved)
            desktop.onYield = [this](long long count) {
                if (count == 2)
                    list.removeLine(2);
            };
        const auto record = [this](PointerState pointer) { pointers << pointer; };
        std::optional<FileSizeCap> cap;
        if (fault == FileSizeLimit)
            cap.emplace(10);
        StepTrap trap(desktop, Location);
        saveResultsAsTextFile(trap, desktop, list, record, open);
    }

    QTemporaryDir folder;
    FakeDesktop desktop;
    ResultModel list;
    Pointers pointers;
};

} // namespace

class tst_export : public QObject {
    Q_OBJECT
private slots:
    void writesEveryLineExactly_data();
    void writesEveryLineExactly();
    void answersDecideWhatIsWritten_data();
    void answersDecideWhatIsWritten();
    void replacingKeepsPermissionsAndLinks();
    void failureIsReportedOnceAndKeepsTheOldFile_data();
    void failureIsReportedOnceAndKeepsTheOldFile();
};

void tst_export::writesEveryLineExactly_data()
{
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("three lines") << Lines{"a", "b", "c"} << QByteArray("a\r\nb\r\nc\r\n");
    QTest::newRow("empty list") << Lines{} << QByteArray();
    QTest::newRow("duplicates and spaces as they are") << Lines{"x ", "x ", " "} << QByteArray("x \r\nx \r\n \r\n");
    QTest::newRow("not UTF-8") << Lines{"caf\xe9.txt", "\xff\xfe"} << QByteArray("caf\xe9.txt\r\n\xff\xfe\r\n");
    // Long enough to be made durable in several pieces on the way.
    Lines many;
    QByteArray manyBytes;
    for (int i = 0; i < 200000; ++i) {
        many << QByteArray::number(i).rightJustified(50, '-');
        manyBytes += many.back() + "\r\n";
    }
    QTest::newRow("ten megabytes") << many << manyBytes;
}

void tst_export::writesEveryLineExactly()
{
    QFETCH(Lines, lines);
    QFETCH(QByteArray, bytes);
    QTemporaryDir folder;
    FakeDesktop desktop;
    ResultModel list;
    for (const QByteArray& line : lines)
        list.append(line);
    if (!lines.isEmpty())
        list.setChecked(0, true); // ticks play no part
    const QString path = folder.filePath(QStringLiteral("list.txt"));
    desktop.expectSaveFile(path);
    PointerState pointer = PointerState::Default;
    bool busyAtEveryYield = true;
    desktop.onYield = [&](long long) { busyAtEveryYield &= pointer == PointerState::Busy; };

    StepTrap trap(desktop, Location);
    saveResultsAsTextFile(trap, desktop, list, [&](PointerState state) { pointer = state; });

    QCOMPARE(contents(path), bytes);
    QCOMPARE(desktop.yields, lines.size());
    QVERIFY(busyAtEveryYield);
    QCOMPARE(pointer, PointerState::Default);
    const SaveDialogSettings& dialog = desktop.lastSaveDialog;
    QCOMPARE(dialog.title, QStringLiteral("Save"));
    QCOMPARE(dialog.nameFilters, (QStringList{"Text Files (*.txt)", "All Files (*)"}));
    QCOMPARE(dialog.fileName, QString());
    QVERIFY2(desktop.problems().isEmpty(), qPrintable(desktop.problems().join('\n')));
}

void tst_export::answersDecideWhatIsWritten_data()
{
    QTest::addColumn<QString>("name"); // empty for Cancel
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("written"); // the file to read afterwards
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("left");
    const QByteArray three("first line\r\nsecond line\r\nthird line\r\n");
    const QStringList before{"old.txt", "sub"};
    QTest::newRow("cancel") << "" << true << "old.txt" << OldBytes << before;
    QTest::newRow("name without extension")
        << "results" << true << "results" << three << QStringList{"old.txt", "results", "sub"};
    QTest::newRow("replace: yes, no tail left") << "old.txt" << true << "old.txt" << three << before;
    QTest::newRow("replace: no, old bytes kept") << "old.txt" << false << "old.txt" << OldBytes << before;
}

void tst_export::answersDecideWhatIsWritten()
{
    QFETCH(QString, name);
    QFETCH(bool, yes);
    QFETCH(QString, written);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, left);
    Save save;

    save.answer(name.isEmpty() ? QString() : save.folder.filePath(name), yes);
    save.run();

    QCOMPARE(contents(save.folder.filePath(written)), bytes);
    QCOMPARE(entries(save.folder.path()), left);
    QCOMPARE(save.pointers, !name.isEmpty() && yes ? BusyThenDefault : Pointers{});
    QVERIFY2(save.desktop.problems().isEmpty(), qPrintable(save.desktop.problems().join('\n')));
}

void tst_export::replacingKeepsPermissionsAndLinks()
{
    Save save;
    const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QVERIFY(QFile::setPermissions(save.oldPath(), permissions));
    const QString link = save.folder.filePath(QStringLiteral("link.txt"));
    QVERIFY(QFile::link(QStringLiteral("old.txt"), link));

    save.answer(link);
    save.run();

    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(contents(save.oldPath()), QByteArray("first line\r\nsecond line\r\nthird line\r\n"));
    // The user bits repeat the owner's for the one who asks.
    const auto userBits = QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
    QCOMPARE(QFileInfo(save.oldPath()).permissions() & ~userBits, permissions);
    QCOMPARE(entries(save.folder.path()), (QStringList{"link.txt", "old.txt", "sub"}));
    QVERIFY(save.desktop.problems().isEmpty());
}

void tst_export::failureIsReportedOnceAndKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("name"); // in the test's folder, or absolute
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("description"); // {path} stands for the chosen path
    const auto row = [](const char* tag, const QString& name, Fault fault, int line, const char* description) {
        QTest::newRow(tag) << name << int(fault) << line << QString::fromLatin1(description);
    };
    row("missing folder", "missing/list.txt", NoFault, 130, "No such file or directory: {path}");
    row("under a file", "/dev/null/list.txt", NoFault, 130, "Not a directory: {path}");
    row("a folder of that name", "sub", NoFault, 130, "Is a directory: {path}");
    row("name too long", QString(256, QLatin1Char('n')), NoFault, 130, "File name too long: {path}");
    row("read-only folder", "old.txt", ReadOnlyFolder, 130, "Permission denied: {path}");
    row("full disk", "old.txt", FullDisk, 136, "No space left on device: {path}");
    row("file size limit", "old.txt", FileSizeLimit, 136, "File too large: {path}");
    row("line removed meanwhile", "old.txt", LineRemoved, 136, "Index out of bounds");
}

void tst_export::failureIsReportedOnceAndKeepsTheOldFile()
{
    QFETCH(QString, name);
    QFETCH(int, fault);
    QFETCH(int, line);
    QFETCH(QString, description);
    Save save;
    const QString path = QDir(save.folder.path()).filePath(name);
    save.answer(path);
    save.desktop.expectError(StepTrap::composeText(description.replace(QLatin1String("{path}"), path), Location, line));

    save.run(Fault(fault));

    QCOMPARE(contents(save.oldPath()), OldBytes);
    QCOMPARE(entries(save.folder.path()), (QStringList{"old.txt", "sub"}));
    QCOMPARE(save.pointers, BusyThenDefault);
    QVERIFY2(save.desktop.problems().isEmpty(), qPrintable(save.desktop.problems().join('\n')));
}

QTEST_MAIN(tst_export)
#include "tst_export.moc"
