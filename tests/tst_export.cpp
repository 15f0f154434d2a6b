#include "common/Failure.h"
#include "common/StepTrap.h"
#include "results/ResultExport.h"
#include "results/ResultModel.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/Hangs.h"
#include "tests/support/ResultLists.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

using Lines = QList<QByteArray>;
using Pointers = QList<PointerState>;

const QByteArray OldBytes("a much longer old list\r\n");
const Pointers BusyThenDefault{PointerState::Busy, PointerState::Default};
const QString Location = QStringLiteral("in Tests.Save ");

enum Fault { NoFault, ReadOnlyFolder, FullDisk, FileSizeLimit };

// How a scripted file's writes behave. Blocked calls are let go after a while; hung ones only once the queue's
// time-out has answered for them.
enum Play { OpenBlocks, WritesBlock, OpenHangs, WritesHang, WritesSlow, ThirdWriteFails, CommitFails };

// The temporary file of a save: unnamed where the file system has them, or
// the hidden named one of the file systems that have not.
enum Temporary { Unnamed, Named };

ReplacingFileOpener opener(Temporary temporary)
{
    return temporary == Named ? ReplacingFileOpener(openNamedReplacingFile) : ReplacingFileOpener(openReplacingFile);
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// A real replacing file whose writes all fail, as on a full disk.
class FullDiskFile : public ReplacingFile {
public:
    FullDiskFile(const QString& path, const ReplacingFileOpener& open) : real_(open(path)), path_(path) {}
    void write(QByteArrayView) override { throw Failure::fromErrno(ENOSPC, path_); }
    void commit() override { real_->commit(); }

private:
    std::unique_ptr<ReplacingFile> real_;
    QString path_;
};

// A real replacing file whose opening or writes are held at a gate, whose
// writes are played slowly or failed at the third, or whose commit fails.
class ScriptedFile : public ReplacingFile {
public:
    ScriptedFile(const QString& path, const ReplacingFileOpener& open, Play play, std::shared_ptr<Gate> gate)
        : path_(path), play_(play), gate_(std::move(gate))
    {
        if (play_ == OpenBlocks || play_ == OpenHangs)
            gate_->wait();
        real_ = open(path);
    }
    void write(QByteArrayView bytes) override
    {
        ++writes_;
        if (play_ == WritesBlock || play_ == WritesHang)
            gate_->wait();
        else if (play_ == WritesSlow)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        else if (play_ == ThirdWriteFails && writes_ == 3)
            throw Failure::fromErrno(EIO, path_);
        real_->write(bytes);
    }
    void commit() override
    {
        if (play_ == CommitFails)
            throw Failure::fromErrno(EDQUOT, path_);
        real_->commit();
    }

private:
    std::unique_ptr<ReplacingFile> real_;
    QString path_;
    Play play_;
    std::shared_ptr<Gate> gate_; // a hung call may outlive the test that held it
    int writes_ = 0;
};

// 0 when another open file holds a lock on the file, else why not.
int lockedElsewhere(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct flock lock = {};
    lock.l_type = F_RDLCK;
    const int refused = ::fcntl(fd, F_OFD_SETLK, &lock) == 0 ? 0 : errno;
    ::close(fd);
    return refused == EAGAIN ? 0 : -1;
}

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

// Save Results As Text File, or Export List... of the result list's menu.
enum class Command { Save, Export };

// The lines as the command writes them in the form chosen first: each followed by CR LF, or by LF.
QByteArray written(const QStringList& lines, Command command)
{
    const QString end = command == Command::Save ? QStringLiteral("\r\n") : QStringLiteral("\n");
    return lines.isEmpty() ? QByteArray() : (lines.join(end) + end).toUtf8();
}

// The save or the export as the window runs it, over a folder that holds an old list and a subfolder, with the
// given fault played.
struct Save {
    explicit Save(Command command_ = Command::Save,
                  const QByteArrayList& lines = {"first line", "second line", "third line"})
        : command(command_)
    {
        QFile old(oldPath());
        if (!old.open(QIODevice::WriteOnly) || old.write(OldBytes) != OldBytes.size()
            || !QDir(folder.path()).mkdir(QStringLiteral("sub")))
            qFatal("cannot prepare the folder");
        appendLines(list, lines);
    }

    QString oldPath() const { return folder.filePath(QStringLiteral("old.txt")); }

    // Scripts the save dialog's answer and, for an existing file, the question's.
    void answer(const QString& path, bool yes = true, int nameFilter = 0)
    {
        desktop.expectSaveFile(path, nameFilter);
        if (!path.isEmpty() && statFinds(QFile::encodeName(path)))
            desktop.expectQuestion(QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"),
                                   yes);
    }

    void run(Fault fault = NoFault, std::optional<ListEdit> edit = std::nullopt)
    {
        ReplacingFileOpener open = opener;
        if (fault == ReadOnlyFolder) // root may write anywhere, so the refusal is played
            open = [](const QString& path) -> std::unique_ptr<ReplacingFile> {
                throw Failure::fromErrno(EACCES, path);
            };
        else if (fault == FullDisk)
            open = [this](const QString& path) { return std::make_unique<FullDiskFile>(path, opener); };
        if (edit)
            open = whileWriting.arm(desktop, list, *edit, open);
        const auto record = [this](PointerState pointer) { pointers << pointer; };
        std::optional<FileSizeCap> cap;
        if (fault == FileSizeLimit)
            cap.emplace(10);
        StepTrap trap(desktop, Location);
        if (command == Command::Save)
            saveResultsAsTextFile(trap, desktop, list, record, open);
        else
            exportList(trap, desktop, list, record, open);
    }

    Command command;
    QTemporaryDir folder;
    FakeDesktop desktop;
    ResultModel list;
    Pointers pointers;
    ReplacingFileOpener opener = openReplacingFile;
    EditWhileWriting whileWriting;
};

} // namespace

class tst_export : public QObject {
    Q_OBJECT
private slots:
    void writesEveryLineInTheChosenForm_data();
    void writesEveryLineInTheChosenForm();
    void answersDecideWhatIsWritten_data();
    void answersDecideWhatIsWritten();
    void replacingKeepsPermissionsAndLinks();
    void failureIsReportedOnceAndKeepsTheOldFile_data();
    void failureIsReportedOnceAndKeepsTheOldFile();
    void editWhileWritingGivesTheListOfOneMomentOrFails_data();
    void editWhileWritingGivesTheListOfOneMomentOrFails();
    void slowOrBlockedDiskNeverHoldsTheWindow_data();
    void slowOrBlockedDiskNeverHoldsTheWindow();
    void namesAtTheLimitAreSaved_data();
    void namesAtTheLimitAreSaved();
    void stalePartialFileGoesAndAHeldOneStays_data();
    void stalePartialFileGoesAndAHeldOneStays();
};

void tst_export::writesEveryLineInTheChosenForm_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("nameFilter");
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<QByteArray>("bytes");
    const auto save = [](const char* name) -> QTestData& {
        return QTest::addRow("save, %s", name) << int(Command::Save) << 0;
    };
    save("three lines") << Lines{"a", "b", "c"} << QByteArray("a\r\nb\r\nc\r\n");
    save("empty list") << Lines{} << QByteArray();
    save("duplicates and spaces as they are") << Lines{"x ", "x ", " "} << QByteArray("x \r\nx \r\n \r\n");
    save("not UTF-8") << Lines{"caf\xe9.txt", "\xff\xfe"} << QByteArray("caf\xe9.txt\r\n\xff\xfe\r\n");
    save("a line break in a name") << Lines{"/d/two\nlines.txt"} << QByteArray("/d/two\nlines.txt\r\n");
    // Long enough to be made durable in several pieces on the way.
    Lines many;
    QByteArray manyBytes;
    for (int i = 0; i < 200000; ++i) {
        many << QByteArray::number(i).rightJustified(50, '-');
        manyBytes += many.back() + "\r\n";
    }
    save("ten megabytes") << many << manyBytes;

    // Export List... writes the form of the file type chosen.
    const auto exported = [](const char* name, int nameFilter) -> QTestData& {
        return QTest::addRow("export, %s", name) << int(Command::Export) << nameFilter;
    };
    const Lines two{"/d/a.txt", "/d/b c.txt"};
    exported("LF", 0) << two << QByteArray("/d/a.txt\n/d/b c.txt\n");
    exported("NUL", 1) << two << QByteArray("/d/a.txt\0/d/b c.txt\0", 20);
    exported("playlist", 2) << two << QByteArray("#EXTM3U\n/d/a.txt\n/d/b c.txt\n");
    exported("LF, empty list", 0) << Lines{} << QByteArray();
    exported("NUL, empty list", 1) << Lines{} << QByteArray();
    exported("playlist, empty list", 2) << Lines{} << QByteArray("#EXTM3U\n");
    exported("NUL keeps a line break in a name", 1)
        << Lines{"/d/two\nlines", "/d/x"} << QByteArray("/d/two\nlines\0/d/x\0", 18);
    exported("playlist, not UTF-8 as its bytes", 2)
        << Lines{"/d/caf\xe9.ogg"} << QByteArray("#EXTM3U\n/d/caf\xe9.ogg\n");
    exported("duplicates in list order", 0) << Lines{"b", "a", "b"} << QByteArray("b\na\nb\n");
    // Several pieces on the way to the file, the first one after the header.
    Lines playlist;
    QByteArray playlistBytes("#EXTM3U\n");
    for (int i = 0; i < 100000; ++i) {
        playlist << QByteArray::number(i).rightJustified(30, '-');
        playlistBytes += playlist.back() + '\n';
    }
    exported("playlist of three megabytes", 2) << playlist << playlistBytes;
}

void tst_export::writesEveryLineInTheChosenForm()
{
    QFETCH(int, command);
    QFETCH(int, nameFilter);
    QFETCH(Lines, lines);
    QFETCH(QByteArray, bytes);
    Save save(Command(command), lines);
    if (!lines.isEmpty())
        save.list.setChecked(0, true); // ticks play no part
    const QString path = save.folder.filePath(QStringLiteral("list"));
    save.answer(path, true, nameFilter);
    bool busyAtEveryYield = true;
    // Yields before the busy pointer are the existence check's, before the question.
    save.desktop.onYield = [&](long long) {
        busyAtEveryYield &= save.pointers.isEmpty() || save.pointers.constLast() == PointerState::Busy;
    };

    save.run();

    QCOMPARE(fileBytes(path), bytes);
    // One per line; more while the window waits for the disk.
    QVERIFY(save.desktop.yields >= lines.size());
    QVERIFY(busyAtEveryYield);
    QCOMPARE(save.pointers, BusyThenDefault);
    const SaveDialogSettings& dialog = save.desktop.lastSaveDialog;
    if (Command(command) == Command::Save) {
        QCOMPARE(dialog.title, QStringLiteral("Save"));
        QCOMPARE(dialog.nameFilters, (QStringList{"Text Files (*.txt)", "All Files (*)"}));
    } else {
        QCOMPARE(dialog.title, QStringLiteral("Export"));
        QCOMPARE(dialog.nameFilters, (QStringList{"Lines ending in LF (*.txt)", "Lines ending in NUL, for xargs -0 (*)",
                                                  "M3U playlist (*.m3u8)"}));
    }
    QCOMPARE(dialog.fileName, QString());
}

void tst_export::answersDecideWhatIsWritten_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("name"); // empty for Cancel
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("target"); // the file written; empty when none is
    QTest::addColumn<QStringList>("left");
    const QStringList before{"old.txt", "sub"};
    for (const Command command : {Command::Save, Command::Export}) {
        const auto row = [command](const char* name) -> QTestData& {
            return QTest::addRow("%s, %s", command == Command::Save ? "save" : "export", name) << int(command);
        };
        row("cancel") << "" << true << "" << before;
        row("name without extension") << "results" << true << "results" << QStringList{"old.txt", "results", "sub"};
        row("replace: yes, no tail left") << "old.txt" << true << "old.txt" << before;
        row("replace: no, old bytes kept") << "old.txt" << false << "" << before;
    }
}

void tst_export::answersDecideWhatIsWritten()
{
    QFETCH(int, command);
    QFETCH(QString, name);
    QFETCH(bool, yes);
    QFETCH(QString, target);
    QFETCH(QStringList, left);
    Save save{Command(command)};

    save.answer(name.isEmpty() ? QString() : save.folder.filePath(name), yes);
    save.run();

    const QByteArray lines = written(lineTexts(save.list), Command(command));
    QCOMPARE(fileBytes(save.oldPath()), target == QLatin1String("old.txt") ? lines : OldBytes);
    if (!target.isEmpty())
        QCOMPARE(fileBytes(save.folder.filePath(target)), lines);
    QCOMPARE(entries(save.folder.path()), left);
    QCOMPARE(save.pointers, !target.isEmpty() ? BusyThenDefault : Pointers{});
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
    QCOMPARE(fileBytes(save.oldPath()), QByteArray("first line\r\nsecond line\r\nthird line\r\n"));
    // The user bits repeat the owner's for the one who asks.
    const auto userBits = QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
    QCOMPARE(QFileInfo(save.oldPath()).permissions() & ~userBits, permissions);
    QCOMPARE(entries(save.folder.path()), (QStringList{"link.txt", "old.txt", "sub"}));
}

void tst_export::failureIsReportedOnceAndKeepsTheOldFile_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("name"); // in the test's folder, or absolute
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("description"); // {path} stands for the chosen path
    QTest::addColumn<int>("temporary");
    const auto row = [](const char* tag, const QString& name, Fault fault, int line, const char* description) {
        for (const Temporary temporary : {Unnamed, Named})
            QTest::addRow("%s%s", tag, temporary == Named ? ", named temporary" : "")
                << int(Command::Save) << name << int(fault) << line << QString::fromLatin1(description)
                << int(temporary);
    };
    // The export is the same save in another form.
    QTest::newRow("export, missing folder") << int(Command::Export) << "missing/list.txt" << int(NoFault) << 130
                                            << "No such file or directory: {path}" << int(Unnamed);
    row("missing folder", "missing/list.txt", NoFault, 130, "No such file or directory: {path}");
    row("under a file", "/dev/null/list.txt", NoFault, 130, "Not a directory: {path}");
    row("a folder of that name", "sub", NoFault, 130, "Is a directory: {path}");
    row("name too long", QString(256, QLatin1Char('n')), NoFault, 130, "File name too long: {path}");
    row("read-only folder", "old.txt", ReadOnlyFolder, 130, "Permission denied: {path}");
    row("full disk", "old.txt", FullDisk, 136, "No space left on device: {path}");
    row("file size limit", "old.txt", FileSizeLimit, 136, "File too large: {path}");
}

void tst_export::failureIsReportedOnceAndKeepsTheOldFile()
{
    QFETCH(int, command);
    QFETCH(QString, name);
    QFETCH(int, fault);
    QFETCH(int, line);
    QFETCH(QString, description);
    QFETCH(int, temporary);
    Save save{Command(command)};
    save.opener = opener(Temporary(temporary));
    const QString path = QDir(save.folder.path()).filePath(name);
    save.answer(path);
    save.desktop.expectError(StepTrap::composeText(description.replace(QLatin1String("{path}"), path), Location, line));

    save.run(Fault(fault));

    QCOMPARE(fileBytes(save.oldPath()), OldBytes);
    QCOMPARE(entries(save.folder.path()), (QStringList{"old.txt", "sub"}));
    QCOMPARE(save.pointers, BusyThenDefault);
}

void tst_export::editWhileWritingGivesTheListOfOneMomentOrFails_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("edit");
    QTest::addColumn<bool>("fails"); // at step 136, the old file kept
    const auto save = [](const char* name) -> QTestData& { return QTest::newRow(name) << int(Command::Save); };
    // Lines added at the end leave the ones being written where they are.
    save("a search appends") << int(ListEdit::Append) << false;
    save("a filter that removes nothing") << int(ListEdit::TrimNothing) << false;
    // The rest move lines; in the window Undo, Redo and Delete are refused meanwhile.
    save("Delete") << int(ListEdit::Delete) << true;
    save("Undo") << int(ListEdit::Undo) << true;
    save("Redo") << int(ListEdit::Redo) << true;
    save("a filter") << int(ListEdit::Filter) << true;
    save("Clear Results") << int(ListEdit::Clear) << true;
    const auto exported = [](const char* name) -> QTestData& {
        return QTest::addRow("export, %s", name) << int(Command::Export);
    };
    exported("a search appends") << int(ListEdit::Append) << false;
    exported("Undo") << int(ListEdit::Undo) << true;
    exported("Clear Results") << int(ListEdit::Clear) << true;
}

void tst_export::editWhileWritingGivesTheListOfOneMomentOrFails()
{
    QFETCH(int, command);
    QFETCH(int, edit);
    QFETCH(bool, fails);
    Save save{Command(command)};
    giveHistory(save.list);
    const QStringList before = lineTexts(save.list);
    save.answer(save.oldPath());
    if (fails)
        save.desktop.expectError(StepTrap::composeText(QStringLiteral("Index out of bounds"), Location, 136));

    save.run(NoFault, ListEdit(edit));

    QCOMPARE(fileBytes(save.oldPath()), fails ? OldBytes : written(before, Command(command)));
    QCOMPARE(entries(save.folder.path()), (QStringList{"old.txt", "sub"}));
    QCOMPARE(save.pointers, BusyThenDefault);
    QVERIFY(save.whileWriting.edited);
    QVERIFY(!save.list.isHeld());
}

void tst_export::slowOrBlockedDiskNeverHoldsTheWindow_data()
{
    QTest::addColumn<int>("play");
    QTest::addColumn<int>("temporary");
    QTest::newRow("opening blocks") << int(OpenBlocks) << int(Unnamed);
    QTest::newRow("writes block") << int(WritesBlock) << int(Unnamed);
    QTest::newRow("writes block, named temporary") << int(WritesBlock) << int(Named);
    QTest::newRow("opening hangs past the time-out") << int(OpenHangs) << int(Unnamed);
    QTest::newRow("writes hang past the time-out, named temporary") << int(WritesHang) << int(Named);
    QTest::newRow("writes slow") << int(WritesSlow) << int(Unnamed);
    QTest::newRow("third write fails") << int(ThirdWriteFails) << int(Unnamed);
    QTest::newRow("third write fails, named temporary") << int(ThirdWriteFails) << int(Named);
    QTest::newRow("commit fails, named temporary") << int(CommitFails) << int(Named);
}

void tst_export::slowOrBlockedDiskNeverHoldsTheWindow()
{
    QFETCH(int, play);
    QFETCH(int, temporary);
    Save save;
    save.list.clear();
    // More than the writer may have queued, so the window has to wait.
    constexpr int Lines = 80000;
    QByteArray expected;
    for (int i = 0; i < Lines; ++i) {
        save.list.append(QByteArray::number(i).rightJustified(98, '.'));
        expected += save.list.lineBytes(i);
        expected += "\r\n";
    }
    auto gate = std::make_shared<Gate>();
    save.opener = [&](const QString& path) {
        return std::make_unique<ScriptedFile>(path, opener(Temporary(temporary)), Play(play), gate);
    };
    const QString partial = save.folder.filePath(QStringLiteral(".old.txt.scrivlist-partial-1"));
    bool checkedWhileHeld = false;
    bool oldFileKept = false;
    int partialLocked = -1;
    save.desktop.onYield = [&](long long) {
        const bool blocks = play == OpenBlocks || play == WritesBlock;
        if (!blocks || checkedWhileHeld || !gate->heldFor(std::chrono::milliseconds(200)))
            return;
        checkedWhileHeld = true;
        // The writer is held and the window still runs: nothing is replaced yet.
        oldFileKept = fileBytes(save.oldPath()) == OldBytes && save.pointers == Pointers{PointerState::Busy};
        partialLocked = temporary == Named ? lockedElsewhere(partial) : 0;
        gate->release();
    };
    const QString path = save.oldPath();
    save.answer(path);
    const bool hangs = play == OpenHangs || play == WritesHang;
    const bool fails = hangs || play == ThirdWriteFails || play == CommitFails;
    const QMap<int, QString> failures{{OpenHangs, "Connection timed out: "},
                                      {WritesHang, "Connection timed out: "},
                                      {ThirdWriteFails, "Input/output error: "},
                                      {CommitFails, "Disk quota exceeded: "}};
    if (fails)
        save.desktop.expectError(
            StepTrap::composeText(failures.value(play) + path, Location, play == OpenHangs ? 130 : 136));
    std::optional<QueueSettings> timeOut;
    if (hangs)
        timeOut.emplace([](IoQueue::Settings& queue) { queue.timeOut = std::chrono::milliseconds(500); });

    save.run();
    // What the hung call held goes once it comes back.
    gate->release();
    QTRY_COMPARE(entries(save.folder.path()), (QStringList{"old.txt", "sub"}));

    QVERIFY(!gate->timedOut());
    QCOMPARE(fileBytes(path), fails ? OldBytes : expected);
    QCOMPARE(entries(save.folder.path()), (QStringList{"old.txt", "sub"}));
    QCOMPARE(save.pointers, BusyThenDefault);
    if (play == OpenBlocks)
        QVERIFY(oldFileKept);
    if (play == WritesBlock) {
        QVERIFY(oldFileKept);
        QCOMPARE(partialLocked, 0);
    }
    if (!fails) // it waited for the disk, with the event loop running
        QVERIFY(save.desktop.yields > Lines);
}

void tst_export::namesAtTheLimitAreSaved_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("temporary");
    const QByteArray twoByteCharacters = QByteArray("\xc3\xa9").repeated(125) + ".txt";
    for (const Temporary temporary : {Unnamed, Named}) {
        const char* kind = temporary == Named ? ", named temporary" : "";
        for (const int bytes : {250, 254, 255})
            QTest::addRow("%d bytes%s", bytes, kind) << QByteArray(bytes - 4, 'n') + ".txt" << int(temporary);
        QTest::addRow("254 bytes, two to a character%s", kind) << twoByteCharacters << int(temporary);
    }
}

void tst_export::namesAtTheLimitAreSaved()
{
    QFETCH(QByteArray, name);
    QFETCH(int, temporary);
    Save save;
    save.opener = opener(Temporary(temporary));
    const QString path = save.folder.filePath(QFile::decodeName(name));
    QVERIFY(QFile::copy(save.oldPath(), path));

    save.answer(path);
    save.run();

    QCOMPARE(fileBytes(path), QByteArray("first line\r\nsecond line\r\nthird line\r\n"));
    QStringList left{QFile::decodeName(name), "old.txt", "sub"};
    left.sort();
    QCOMPARE(entries(save.folder.path()), left);
}

void tst_export::stalePartialFileGoesAndAHeldOneStays_data()
{
    QTest::addColumn<int>("temporary");
    QTest::newRow("unnamed temporary") << int(Unnamed);
    QTest::newRow("named temporary") << int(Named);
}

void tst_export::stalePartialFileGoesAndAHeldOneStays()
{
    QFETCH(int, temporary);
    Save save;
    save.opener = opener(Temporary(temporary));
    // Another save of the same file is running and holds the first hidden name.
    std::unique_ptr<ReplacingFile> running = openNamedReplacingFile(save.oldPath());
    const QStringList partials{".old.txt.scrivlist-partial-1", ".old.txt.scrivlist-partial-2"};
    // One left by a save that was killed, and files that are not ours to remove.
    const QStringList others{".list.txt.scrivlist-partial-1", "old.txt.Ab12Cd", ".old.txt.scrivlist-partial-x"};
    for (const QString& name : QStringList{partials.at(1)} + others) {
        QFile file(save.folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("partial") == 7);
    }

    save.answer(save.oldPath());
    save.run();

    QCOMPARE(fileBytes(save.oldPath()), QByteArray("first line\r\nsecond line\r\nthird line\r\n"));
    QStringList left = QStringList{partials.at(0), "old.txt", "sub"} + others;
    left.sort();
    QCOMPARE(entries(save.folder.path()), left);
    running.reset();
    left.removeOne(partials.at(0));
    QCOMPARE(entries(save.folder.path()), left);
}

QTEST_MAIN(tst_export)
#include "tst_export.moc"
