#include "app/CommandLine.h"
#include "app/KindIconProvider.h"
#include "app/QtDesktop.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Entries opened in a folder (folders aside) since it was made.
class OpenWatch {
    Q_DISABLE_COPY(OpenWatch)

public:
    explicit OpenWatch(const QString& folder) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        inotify_add_watch(fd_, QFile::encodeName(folder).constData(), IN_OPEN | IN_ACCESS);
    }
    ~OpenWatch() { ::close(fd_); }

    QStringList opened() const
    {
        QStringList names;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t size; (size = ::read(fd_, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < size;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && (event->mask & IN_ISDIR) == 0)
                    names << QFile::decodeName(event->name);
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return names;
    }

private:
    int fd_;
};

// Lets a reader stuck opening the pipe go after a while, and says so.
class PipeRescue {
    Q_DISABLE_COPY(PipeRescue)

public:
    explicit PipeRescue(const QString& pipe)
        : thread_([this, path = QFile::encodeName(pipe)] {
              for (int waited = 0; waited < 100 && !done_; ++waited)
                  std::this_thread::sleep_for(std::chrono::milliseconds(50));
              if (done_)
                  return;
              rescued_ = true;
              ::close(::open(path.constData(), O_WRONLY | O_NONBLOCK));
          })
    {
    }
    ~PipeRescue()
    {
        done_ = true;
        thread_.join();
    }
    bool rescued() const { return rescued_; }

private:
    std::atomic<bool> done_{false};
    std::atomic<bool> rescued_{false};
    std::thread thread_;
};

// Runs whileShown on the first modal dialog of that type once it shows; it
// must close the dialog.
template <typename Dialog>
void onceShown(const std::function<void(Dialog&)>& whileShown)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, whileShown] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget()); dialog && dialog->isVisible()) {
            poll->deleteLater();
            poll->stop();
            whileShown(*dialog);
        }
    });
    poll->start(10);
}

} // namespace

class tst_dialogs : public QObject {
    Q_OBJECT
private slots:
    void entriesAreShownWithoutOpeningThem();
    void notFoldersBoxFitsTheScreen();
    void inputBoxTakesALongPhrase();
};

void tst_dialogs::entriesAreShownWithoutOpeningThem()
{
    QTemporaryDir folder;
    const auto path = [&](const char* name) { return folder.filePath(QLatin1String(name)); };
    for (const char* name : {"notes", "list.txt"}) {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("plain words\n") > 0);
    }
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("sub")));
    // A pipe blocks whoever opens it to read; behind a link it looks like a file.
    QCOMPARE(::mkfifo(QFile::encodeName(path("pipe")).constData(), 0600), 0);
    QVERIFY(QFile::link(QStringLiteral("pipe"), path("pipe-link")));
    QVERIFY(QFile::link(QStringLiteral("notes"), path("notes-link")));
    const QStringList names{"list.txt", "notes", "notes-link", "pipe", "pipe-link", "sub"};
    const PipeRescue rescue(path("pipe"));
    const OpenWatch watch(folder.path());
    KindIconProvider provider;

    QStringList types;
    for (const QString& name : names) {
        const QFileInfo info(folder.filePath(name));
        QVERIFY(!provider.icon(info).isNull());
        types << provider.type(info);
    }
    QCOMPARE(watch.opened(), QStringList());
    QCOMPARE(types.at(names.indexOf("notes")), QStringLiteral("File"));
    QCOMPARE(types.at(names.indexOf("sub")), QStringLiteral("Folder"));
    QVERIFY(types.at(names.indexOf("list.txt")) != QStringLiteral("File"));

    // The same folder in the dialog, until every entry has its type; it
    // lists pipes too, as it does in /dev.
    QFileDialog dialog;
    showEntriesByKind(dialog, provider);
    dialog.setFilter(dialog.filter() | QDir::System);
    dialog.setDirectory(folder.path());
    dialog.show();
    auto* model = dialog.findChild<QFileSystemModel*>();
    QVERIFY(model != nullptr);
    const QModelIndex shown = model->index(folder.path());
    QTRY_COMPARE(model->rowCount(shown), names.size());
    const auto typesShown = [&] {
        QStringList all;
        for (int row = 0; row < model->rowCount(shown); ++row)
            all << model->type(model->index(row, 0, shown));
        return all;
    };
    QTRY_VERIFY(typesShown().count(QString()) == 0);

    QVERIFY(!rescue.rescued());
    QCOMPARE(watch.opened(), QStringList());
}

// However many paths were passed over, the box and its OK button stay on the screen.
void tst_dialogs::notFoldersBoxFitsTheScreen()
{
    QByteArrayList paths;
    for (int path = 1; path <= 5000; ++path)
        paths << "/home/me/Downloads/not a folder " + QByteArray::number(path) + ".pdf";
    QRect box;
    QRect ok;
    QString details;
    onceShown<QMessageBox>([&](QMessageBox& shown) {
        box = shown.frameGeometry();
        QAbstractButton* button = shown.button(QMessageBox::Ok);
        ok = QRect(button->mapToGlobal(QPoint(0, 0)), button->size());
        details = shown.detailedText();
        button->click();
    });
    QtDesktop desktop;

    reportNotFolders(desktop, paths);

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(screen.contains(box), qPrintable(QStringLiteral("the box is %1x%2").arg(box.width()).arg(box.height())));
    QVERIFY(screen.contains(ok));
    QCOMPARE(details.count(QLatin1Char('\n')), paths.size() - 1);
}

// The toolkit's line would cut a phrase to 32,767 characters.
void tst_dialogs::inputBoxTakesALongPhrase()
{
    const QString phrase(40000, QLatin1Char('x'));
    onceShown<QInputDialog>([&](QInputDialog& shown) {
        shown.findChild<QLineEdit*>()->setText(phrase);
        shown.accept();
    });
    QtDesktop desktop;

    QCOMPARE(desktop.inputText(QStringLiteral("Remove entries containing: ")).size(), phrase.size());
}

QTEST_MAIN(tst_dialogs)
#include "tst_dialogs.moc"
