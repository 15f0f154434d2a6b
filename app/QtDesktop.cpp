#include "app/QtDesktop.h"

#include "app/SaveFileDialog.h"
#include "text/Paths.h"

#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <limits>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Long work calls the yield for every file; the event loop runs when this
// much time has passed, which a person cannot tell from every time.
constexpr qint64 YieldSliceMs = 4;

// A clock that costs a few nanoseconds to read, so the yield can ask it at
// every call, also from a loop that waits. Its steps are a few milliseconds.
qint64 coarseNowMs()
{
#ifdef CLOCK_MONOTONIC_COARSE
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
#else
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
#endif
}

QString applicationTitle()
{
    return QCoreApplication::applicationName();
}

QMessageBox::StandardButton showBox(QWidget* owner, QMessageBox::Icon icon, const QString& title, const QString& text,
                                    QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton,
                                    const QString& details = {})
{
    QMessageBox box(icon, title, withLineFeeds(text), buttons, owner);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    box.setDetailedText(details);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

// The folder that holds a file or folder; the root holds itself.
QByteArray containingFolder(QByteArray path)
{
    while (path.size() > 1 && path.endsWith(NativeSeparator))
        path.chop(1);
    const qsizetype separator = path.lastIndexOf(NativeSeparator);
    return separator <= 0 ? QByteArray(1, NativeSeparator) : path.left(separator);
}

void openFolder(const QByteArray& folder)
{
    QDesktopServices::openUrl(QUrl::fromEncoded(localFileUrl(folder)));
}

// Ends every connection the process holds to another one: the display server's, the session and accessibility
// buses'. A thread stuck in the kernel on a dead mount (an uninterruptible call to a FUSE share) keeps the process,
// and with it every descriptor, alive past _exit; shut down, the connections end anyway, and the display server
// takes the window off the screen at once. The descriptors are read from /proc, the kernel's own table, and
// shutdown() refuses anything but a socket without asking its file system (no stat: a share's file would hang it).
void shutDownConnections()
{
#ifdef __linux__
    DIR* const descriptors = ::opendir("/proc/self/fd");
    if (descriptors == nullptr)
        return;
    const int own = ::dirfd(descriptors);
    while (const dirent* const entry = ::readdir(descriptors)) {
        const int fd = std::atoi(entry->d_name);
        // The standard streams stay: they are nobody's window.
        if (fd > STDERR_FILENO && fd != own)
            ::shutdown(fd, SHUT_RDWR);
    }
    ::closedir(descriptors);
#endif
}

} // namespace

QString withLineFeeds(const QString& text)
{
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

void QtDesktop::message(const QString& text)
{
    messageWithDetails(text, QString());
}

void QtDesktop::messageWithDetails(const QString& text, const QString& details)
{
    showBox(owner_, QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, QMessageBox::Ok, details);
}

bool QtDesktop::askYesNo(const QString& text)
{
    return showBox(owner_, QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::Yes)
           == QMessageBox::Yes;
}

void QtDesktop::errorBox(const QString& text)
{
    showBox(owner_, QMessageBox::Warning, QStringLiteral("Application Error"), text, QMessageBox::Ok, QMessageBox::Ok);
}

QString QtDesktop::inputText(const QString& prompt)
{
    QInputDialog dialog(owner_);
    dialog.setWindowTitle(applicationTitle());
    dialog.setLabelText(prompt);
    dialog.setInputMode(QInputDialog::TextInput);
    // The toolkit's line would cut the answer to 32,767 characters; the phrase box takes any length.
    for (auto* line : dialog.findChildren<QLineEdit*>())
        line->setMaxLength(std::numeric_limits<int>::max());
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

QString QtDesktop::chosenPath(QFileDialog& dialog)
{
    showEntriesByKind(dialog, iconProvider_);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

QString QtDesktop::pickFolder(const QString& prompt, const QString& initialFolder)
{
    QFileDialog dialog(owner_, prompt, initialFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return chosenPath(dialog);
}

SaveDialogChoice QtDesktop::pickSaveFile(const SaveDialogSettings& settings)
{
    SaveFileDialog dialog(owner_, settings.title);
    dialog.setNameFilters(settings.nameFilters);
    if (!settings.nameFilters.isEmpty())
        dialog.selectNameFilter(settings.nameFilters.constFirst());
    dialog.selectFile(settings.fileName);
    showEntriesByKind(dialog, iconProvider_);
    dialog.stopLookingAtTypedPaths();
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return {dialog.chosenPath(),
            std::max<int>(0, static_cast<int>(settings.nameFilters.indexOf(dialog.selectedNameFilter())))};
}

bool QtDesktop::openExternally(const QString& urlOrFolder)
{
    const QUrl url = urlOrFolder.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(urlOrFolder) : QUrl(urlOrFolder);
    return QDesktopServices::openUrl(url);
}

bool QtDesktop::tryClearClipboard()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr)
        return false;
    clipboard->clear();
    return true;
}

bool QtDesktop::trySetClipboardText(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr)
        return false;
    clipboard->setText(text);
    return true;
}

bool QtDesktop::trySetClipboardData(const QMimeData& data)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr)
        return false;
    // The clipboard takes what it is given, so it gets a copy.
    auto* copy = new QMimeData;
    for (const QString& format : data.formats())
        copy->setData(format, data.data(format));
    clipboard->setMimeData(copy);
    return true;
}

void QtDesktop::showInFileManager(const QByteArray& path)
{
    const QByteArray folder = containingFolder(path);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolder(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    // The URL is ASCII whatever bytes the name holds.
    call << QStringList{QString::fromLatin1(localFileUrl(path))} << QString();
    // The answer comes later; without a file manager to give it, the folder opens instead.
    auto* answer = new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
    QObject::connect(answer, &QDBusPendingCallWatcher::finished, answer, [folder](QDBusPendingCallWatcher* reply) {
        if (reply->isError())
            openFolder(folder);
        reply->deleteLater();
    });
}

void QtDesktop::yieldToEventLoop()
{
    if (coarseNowMs() - lastYieldMs_ < YieldSliceMs)
        return;
    QCoreApplication::processEvents();
    lastYieldMs_ = coarseNowMs();
}

void QtDesktop::endProgram()
{
    // Work suspended in a nested yield must never resume, so the process
    // ends here; every setting is already on disk.
    std::fflush(nullptr);
    shutDownConnections();
    ::_exit(0);
}
