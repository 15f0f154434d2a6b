#include "io/IoQueue.h"
#include "io/Lookup.h"
#include "io/MountTable.h"
#include "tests/support/Hangs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <map>
#include <sys/sysmacros.h>
#include <thread>

namespace {

Device device(const char* majorMinor)
{
    const QList<QByteArray> numbers = QByteArray(majorMinor).split(':');
    return makedev(numbers.value(0).toUInt(), numbers.value(1).toUInt());
}

// The mounts the resolution rows walk through.
const QByteArray ResolutionMounts = "26 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                    "30 26 8:2 / /home rw - ext4 /dev/sda2 rw\n"
                                    "40 26 0:60 / /mnt/nas rw - fuse.sshfs nas rw\n"
                                    "41 26 0:70 / /run/x rw - tmpfs tmpfs rw\n";

// A request whose call runs the given function; it records its answer.
class TestCall : public IoRequest {
public:
    explicit TestCall(std::function<void()> call = {}) : call_(std::move(call)) {}

    std::optional<Device> run(IoQueue&, std::optional<Device>) override
    {
        if (call_)
            call_();
        return std::nullopt;
    }
    void answer(int error) override
    {
        error_ = error;
        answered_ = true;
    }
    bool answered() const { return answered_; }
    int error() const { return error_; }

private:
    std::function<void()> call_;
    std::atomic<bool> answered_{false};
    std::atomic<int> error_{-1};
};

IoQueue::Settings queueSettings(std::chrono::milliseconds timeOut, int callsPerFileSystem, int threads = 64)
{
    IoQueue::Settings settings;
    settings.timeOut = timeOut;
    settings.callsPerFileSystem = callsPerFileSystem;
    settings.threads = threads;
    settings.idleThreadEnd = std::chrono::milliseconds(50);
    return settings;
}

} // namespace

// The I/O layer: which file system a path reaches, lanes that wait and time out, lookups that never hang.
class tst_io : public QObject {
    Q_OBJECT
private slots:
    void mountTable_data();
    void mountTable();
    void pathResolution_data();
    void pathResolution();
    void busyFileSystemQueuesWithoutThreads_data();
    void busyFileSystemQueuesWithoutThreads();
    void hungCallIsAnsweredAtTheTimeOut();
    void lookupsAnswerPerFolderAndFileSystem_data();
    void lookupsAnswerPerFolderAndFileSystem();
    void linkIntoAHungShareBlamesTheShare();
};

void tst_io::mountTable_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("device");
    const QByteArray root = "26 1 8:1 / / rw - ext4 /dev/sda1 rw\n";
    QTest::newRow("the root") << root << QByteArray("/etc/passwd") << QByteArray("8:1");
    QTest::newRow("a space in the mount point") << root + "40 26 0:50 / /mnt/my\\040share rw - cifs //srv/share rw\n"
                                                << QByteArray("/mnt/my share/a") << QByteArray("0:50");
    QTest::newRow("a tab and a backslash") << root + "40 26 0:50 / /mnt/a\\011b\\134c rw - tmpfs t rw\n"
                                           << QByteArray("/mnt/a\tb\\c/d") << QByteArray("0:50");
    QTest::newRow("a bind mount is its source's file system")
        << root + "30 26 8:2 / /home rw - ext4 /dev/sda2 rw\n41 26 8:2 /u/src /mnt/src rw - ext4 /dev/sda2 rw\n"
        << QByteArray("/mnt/src/a.txt") << QByteArray("8:2");
    QTest::newRow("a mount over another hides it")
        << root + "50 26 0:60 / /mnt/nas rw - nfs a rw\n51 50 0:61 / /mnt/nas rw - nfs b rw\n"
        << QByteArray("/mnt/nas/x") << QByteArray("0:61");
    QTest::newRow("the mount point itself") << root + "50 26 0:60 / /mnt/nas rw - nfs a rw\n"
                                            << QByteArray("/mnt/nas") << QByteArray("0:60");
    QTest::newRow("a name that begins like a mount point") << root + "50 26 0:60 / /mnt/nas rw - nfs a rw\n"
                                                           << QByteArray("/mnt/nasty/x") << QByteArray("8:1");
    QTest::newRow("rows it cannot read are passed over") << root + "garbage\n50 26 x:y / /mnt/nas rw - nfs a rw\n\n"
                                                         << QByteArray("/mnt/nas/x") << QByteArray("8:1");
}

void tst_io::mountTable()
{
    QFETCH(QByteArray, table);
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, device);
    QCOMPARE(MountTable(parseMountInfo(table)).deviceOf(path), ::device(device.constData()));
}

void tst_io::pathResolution_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<bool>("keepLastLink");
    QTest::addColumn<QByteArrayList>("links"); // "link -> text"; a text of "!" is a path that is not there
    QTest::addColumn<QByteArray>("reached");
    QTest::addColumn<QByteArray>("device");
    QTest::addColumn<QByteArrayList>("reads"); // each readlink made, with the device it went to
    QTest::newRow("a link on the home disk into a share")
        << QByteArray("/home/u/nas/docs/a.txt") << false << QByteArrayList{"/home/u/nas -> /mnt/nas"}
        << QByteArray("/mnt/nas/docs/a.txt") << QByteArray("0:60")
        << QByteArrayList{"/home/u@8:2", "/home/u/nas@8:2", "/mnt@8:1", "/mnt/nas/docs@0:60",
                          "/mnt/nas/docs/a.txt@0:60"};
    QTest::newRow("lstat keeps the link: it lives on the home disk")
        << QByteArray("/home/u/nas") << true << QByteArrayList{"/home/u/nas -> /mnt/nas"} << QByteArray("/home/u/nas")
        << QByteArray("8:2") << QByteArrayList{"/home/u@8:2"};
    QTest::newRow("a mount point under a link")
        << QByteArray("/var/run/x/f") << false << QByteArrayList{"/var/run -> ../run"} << QByteArray("/run/x/f")
        << QByteArray("0:70") << QByteArrayList{"/var@8:1", "/var/run@8:1", "/run@8:1", "/run/x/f@0:70"};
    QTest::newRow("a relative link that climbs")
        << QByteArray("/home/u/docs") << false << QByteArrayList{"/home/u/docs -> ../shared/./docs"}
        << QByteArray("/home/shared/docs") << QByteArray("8:2")
        << QByteArrayList{"/home/u@8:2", "/home/u/docs@8:2", "/home/shared@8:2", "/home/shared/docs@8:2"};
    QTest::newRow("the share's own mount point, kept")
        << QByteArray("/mnt/nas") << true << QByteArrayList{} << QByteArray("/mnt/nas") << QByteArray("0:60")
        << QByteArrayList{"/mnt@8:1"};
    QTest::newRow("out of a share by ..")
        << QByteArray("/mnt/nas/../x") << false << QByteArrayList{} << QByteArray("/mnt/x") << QByteArray("8:1")
        << QByteArrayList{"/mnt@8:1", "/mnt/x@8:1"};
    QTest::newRow("a folder that is not there stops the reads")
        << QByteArray("/home/gone/nas/x") << false << QByteArrayList{"/home/gone -> !"}
        << QByteArray("/home/gone/nas/x") << QByteArray("8:2") << QByteArrayList{"/home/gone@8:2"};
    QByteArrayList loop{"/home/a -> /home/b", "/home/b -> /home/a"};
    QByteArrayList loopReads;
    for (int read = 0; read <= 40; read += 2)
        loopReads << "/home/a@8:2"
                  << "/home/b@8:2";
    loopReads.removeLast();
    QTest::newRow("a loop of links ends after 40")
        << QByteArray("/home/a/x") << false << loop << QByteArray("/home/a/x") << QByteArray("8:2") << loopReads;
}

void tst_io::pathResolution()
{
    QFETCH(QByteArray, path);
    QFETCH(bool, keepLastLink);
    QFETCH(QByteArrayList, links);
    QFETCH(QByteArray, reached);
    QFETCH(QByteArray, device);
    QFETCH(QByteArrayList, reads);
    std::map<QByteArray, QByteArray> texts;
    for (const QByteArray& link : links)
        texts[link.left(link.indexOf(" -> "))] = link.mid(link.indexOf(" -> ") + 4);
    const MountTable mounts(parseMountInfo(ResolutionMounts));
    PathResolution resolution(path, keepLastLink ? PathResolution::LastLink::Keep : PathResolution::LastLink::Follow);
    QByteArrayList made;
    while (const auto read = resolution.next(mounts)) {
        made << read->link + '@' + QByteArray::number(major(read->device)) + ':'
                    + QByteArray::number(minor(read->device));
        const auto text = texts.find(read->link);
        if (text == texts.end())
            resolution.linkRead(EINVAL, {});
        else if (text->second == "!")
            resolution.linkRead(ENOENT, {});
        else
            resolution.linkRead(0, text->second);
    }
    QCOMPARE(made, reads);
    QCOMPARE(resolution.realPath(), reached);
    QCOMPARE(resolution.device(mounts), ::device(device.constData()));
}

void tst_io::busyFileSystemQueuesWithoutThreads_data()
{
    QTest::addColumn<int>("fileSystems");
    QTest::addColumn<int>("callsEach");
    QTest::addColumn<int>("callsPerFileSystem");
    QTest::addColumn<int>("threads");
    QTest::addColumn<int>("underWay"); // while all hang
    QTest::newRow("one slow file system") << 1 << 5 << 2 << 64 << 2;
    QTest::newRow("three, one call each at a time") << 3 << 3 << 1 << 64 << 3;
    QTest::newRow("the bound of threads") << 10 << 1 << 12 << 4 << 4;
}

// Slow is not dead: work on a file system whose calls have not returned waits in its lane, costs no thread,
// and runs once they do; nothing is answered ETIMEDOUT before the time-out; no more threads than the bound.
void tst_io::busyFileSystemQueuesWithoutThreads()
{
    QFETCH(int, fileSystems);
    QFETCH(int, callsEach);
    QFETCH(int, callsPerFileSystem);
    QFETCH(int, threads);
    QFETCH(int, underWay);
    IoQueue queue(queueSettings(std::chrono::seconds(30), callsPerFileSystem, threads));
    Gate gate;
    std::vector<std::shared_ptr<TestCall>> calls;
    for (int fileSystem = 1; fileSystem <= fileSystems; ++fileSystem)
        for (int call = 0; call < callsEach; ++call) {
            calls.push_back(std::make_shared<TestCall>([&gate] { gate.wait(); }));
            QCOMPARE(queue.submit(calls.back(), fakeDevice(fileSystem)), 0);
        }
    QTRY_COMPARE(gate.waiting(), underWay);
    QTest::qWait(50);
    QCOMPARE(queue.callsUnderWay(), underWay);
    QVERIFY(queue.threadsAlive() <= std::min(threads, underWay + 1));
    // Taken back before it started: it never runs and is never answered.
    const std::shared_ptr<TestCall> last = calls.back();
    const bool lastQueued = static_cast<int>(calls.size()) > underWay;
    QCOMPARE(queue.cancel(last), lastQueued);
    gate.release();
    for (const std::shared_ptr<TestCall>& call : calls) {
        if (call == last && lastQueued)
            continue;
        QTRY_VERIFY(call->answered());
        QCOMPARE(call->error(), 0);
    }
    QVERIFY(!lastQueued || !last->answered());
    QTRY_COMPARE(queue.threadsAlive(), 0);
}

// Dead is a call unanswered for the time-out: it is answered ETIMEDOUT, its thread is left stuck, its file system
// refuses new work at once while others answer, and answers again once the call comes back. A request of many
// calls, each back in time, is never dead, however long it takes in all.
void tst_io::hungCallIsAnsweredAtTheTimeOut()
{
    IoQueue queue(queueSettings(std::chrono::milliseconds(150), 4));
    Gate gate;
    const Device share = fakeDevice(1);
    const Device disk = fakeDevice(2);
    const auto manyCalls = std::make_shared<TestCall>([] {
        for (int call = 0; call < 8; ++call) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            IoQueue::callReturned();
        }
    });
    QCOMPARE(queue.submit(manyCalls, fakeDevice(3)), 0);
    const auto hung = std::make_shared<TestCall>([&gate] { gate.wait(); });
    const auto waiting = std::make_shared<TestCall>([&gate] { gate.wait(); });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(queue.submit(hung, share), 0);
    QTRY_COMPARE(gate.waiting(), 1);
    const auto quick = std::make_shared<TestCall>();
    QCOMPARE(queue.submit(quick, disk), 0);
    QTRY_VERIFY(quick->answered());
    QVERIFY(!hung->answered());
    QTRY_VERIFY(hung->answered());
    QVERIFY(clock.elapsed() >= 150);
    QCOMPARE(hung->error(), ETIMEDOUT);
    QCOMPARE(queue.threadsStuck(), 1);
    QCOMPARE(queue.submit(waiting, share), ETIMEDOUT);
    const auto other = std::make_shared<TestCall>();
    QCOMPARE(queue.submit(other, disk), 0);
    QTRY_VERIFY(other->answered());
    QCOMPARE(other->error(), 0);
    QTRY_VERIFY(manyCalls->answered());
    QCOMPARE(manyCalls->error(), 0);
    gate.release();
    QTRY_COMPARE(queue.threadsStuck(), 0);
    const auto again = std::make_shared<TestCall>();
    QCOMPARE(queue.submit(again, share), 0);
    QTRY_VERIFY(again->answered());
    QCOMPARE(again->error(), 0);
    QTRY_COMPARE(queue.threadsAlive(), 0);
}

void tst_io::lookupsAnswerPerFolderAndFileSystem_data()
{
    // Under made-up mounts /tst-a, /tst-b and /tst-c: "yes" is found, "no" is not, "hang" never answers.
    QTest::addColumn<QByteArrayList>("paths");
    QTest::addColumn<QList<bool>>("found");
    QTest::addColumn<int>("hung"); // calls left hanging: the rest of a hung folder is never tried
    QTest::newRow("none") << QByteArrayList{} << QList<bool>{} << 0;
    QTest::newRow("all answer") << QByteArrayList{"/tst-a/yes1", "/tst-a/no2", "/tst-b/yes3"}
                                << QList<bool>{true, false, true} << 0;
    QTest::newRow("one hangs, the rest of its folder waits, the others go on")
        << QByteArrayList{"/tst-a/yes1", "/tst-b/hang2", "/tst-b/yes3", "/tst-a/yes4", "/tst-a/no5"}
        << QList<bool>{true, false, false, true, false} << 1;
    QByteArrayList sixHung;
    for (int line = 0; line < 6; ++line)
        sixHung << "/tst-b/hang" + QByteArray::number(line);
    QTest::newRow("six on a dead mount, then healthy ones")
        << sixHung + QByteArrayList{"/tst-a/yes1", "/tst-a/yes2"}
        << QList<bool>{false, false, false, false, false, false, true, true} << 1;
    QTest::newRow("two dead mounts") << QByteArrayList{"/tst-b/hang1", "/tst-c/hang2", "/tst-a/yes3"}
                                     << QList<bool>{false, false, true} << 2;
    QTest::newRow("a relative path names nothing") << QByteArrayList{"yes1"} << QList<bool>{false} << 0;
}

void tst_io::lookupsAnswerPerFolderAndFileSystem()
{
    QFETCH(QByteArrayList, paths);
    QFETCH(QList<bool>, found);
    QFETCH(int, hung);
    const QueueSettings mounts([](IoQueue::Settings&) {}, {"/tst-a", "/tst-b", "/tst-c"});
    auto gate = std::make_shared<Gate>();
    LookupOptions options;
    options.patience = std::chrono::milliseconds(100);
    options.call = [gate](const QByteArray& path) {
        if (path.contains("/hang"))
            gate->wait();
        return path.contains("/yes");
    };
    long long waits = 0;
    const std::vector<bool> answers =
        lookUp(std::vector<QByteArray>(paths.begin(), paths.end()), options, [&] { ++waits; });
    QCOMPARE(QList<bool>(answers.begin(), answers.end()), found);
    QCOMPARE(gate->waiting(), hung);
    // Whoever waited for a hung call was let run meanwhile.
    QVERIFY(hung == 0 || waits > 0);
    gate->release();
    QTRY_COMPARE(IoQueue::instance().callsUnderWay(), 0);
}

// The bug: ~/nas -> /mnt/nas, a call under ~/nas hangs. It is the share's, never the home disk's: once the share
// is taken for dead, the home disk still answers, and the share answers again when the call comes back.
void tst_io::linkIntoAHungShareBlamesTheShare()
{
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("home")) && QDir(dir.path()).mkpath(QStringLiteral("mnt/nas")));
    QVERIFY(QFile::link(QStringLiteral("../mnt/nas"), dir.filePath(QStringLiteral("home/nas"))));
    QVERIFY(QFile(dir.filePath(QStringLiteral("home/notes.txt"))).open(QIODevice::WriteOnly));
    const QueueSettings settings([](IoQueue::Settings& s) { s.timeOut = std::chrono::milliseconds(200); },
                                 {root + "/mnt/nas"});
    auto gate = std::make_shared<Gate>();
    LookupOptions options = targetLookup(std::chrono::milliseconds(100));
    options.call = [gate, hangs = root + "/home/nas/"](const QByteArray& path) {
        if (path.startsWith(hangs))
            gate->wait();
        return statFinds(path);
    };
    QCOMPARE(lookUp({root + "/home/nas/a.txt"}, options), std::vector<bool>{false});
    QTRY_COMPARE(IoQueue::instance().threadsStuck(), 1);

    options.patience = std::chrono::seconds(5);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(lookUp({root + "/home/notes.txt", root + "/mnt/nas/b.txt"}, options), (std::vector<bool>{true, false}));
    QVERIFY2(clock.elapsed() < 2000, "the share was refused at once, not waited for");
    gate->release();
    QTRY_COMPARE(IoQueue::instance().threadsStuck(), 0);
    QTRY_COMPARE(IoQueue::instance().callsUnderWay(), 0);
}

QTEST_GUILESS_MAIN(tst_io)
#include "tst_io.moc"
