#include "cli/ListRun.h"

#include "cli/LineWriter.h"
#include "cli/TerminalText.h"
#include "folders/FolderArguments.h"
#include "folders/SkipEntries.h"
#include "search/FolderFeed.h"
#include "search/MatchingLines.h"
#include "search/PosixFolderReader.h"
#include "search/SearchPhrase.h"
#include "text/PhraseMatcher.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <exception>
#include <fcntl.h>
#include <pthread.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

// How long the walk sleeps at a time while the next folder is being listed. Nothing
// else needs it meanwhile; a Ctrl+C ends the process wherever it is.
constexpr std::chrono::milliseconds ListingWait{50};

// One line on standard error: "scrivlist: <what>: <reason>", a path quoted
// there as a line is on a terminal. The lines written so far go out first, so
// a terminal shows the message where it happened.
void report(LineWriter& out, LineWriter& errors, QByteArrayView what, const char* reason)
{
    out.flush();
    QByteArray line("scrivlist: ");
    line.append(errors.toTerminal() && needsQuotingOnTerminal(what) ? quotedForTerminal(what) : what.toByteArray());
    line.append(": ").append(reason);
    errors.write(line);
    errors.flush();
}

// The next folder in walk order. The lines found so far go out before the
// walk waits, so a slow listing holds none of them back.
bool nextListing(FolderFeed& feed, FolderListing& listing, LineWriter& out)
{
    FolderFeed::Next next = feed.next(listing, std::chrono::milliseconds(0));
    if (next == FolderFeed::Next::Pending && out.flush()) {
        while (next == FolderFeed::Next::Pending)
            next = feed.next(listing, ListingWait);
    }
    return next == FolderFeed::Next::Ready;
}

// How long the waiting process lets the walk's process end once it said it is done. Only a call stuck in the
// kernel takes longer, and then it is left behind.
constexpr timespec WalkEndPatience{1, 0};

// The waiting process: ends with the walk's status as soon as the walk has said it, or as the walk's process
// ended when it could not say it, with its signal. SIGCHLD is blocked here, to be waited for.
int endAsTheWalkEnds(pid_t walker, int doneFd, const sigset_t& childEnded)
{
    unsigned char status = 0;
    ssize_t got = 0;
    do {
        got = ::read(doneFd, &status, 1);
    } while (got < 0 && errno == EINTR);
    if (got == 1) {
        while (::waitpid(walker, nullptr, WNOHANG) == 0) {
            if (::sigtimedwait(&childEnded, nullptr, &WalkEndPatience) < 0 && errno == EAGAIN)
                break;
        }
        return status;
    }
    int ended = 0;
    while (::waitpid(walker, &ended, 0) < 0) {
        if (errno != EINTR)
            return 1;
    }
    if (WIFSIGNALED(ended)) {
        std::signal(WTERMSIG(ended), SIG_DFL);
        std::raise(WTERMSIG(ended));
    }
    return WIFEXITED(ended) ? WEXITSTATUS(ended) : 1;
}

// The walk's process ends with its waiter, whatever ends that: nothing walks on for nobody.
bool followsItsWaiter(pid_t waiter)
{
#ifdef __linux__
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    return ::getppid() == waiter;
}

// The walk over the real standard output and error; every line is out when it returns.
int printListing(const ListRequest& request)
{
    // A reader that went away is an error of the write, not a signal that ends the process.
    std::signal(SIGPIPE, SIG_IGN);
    LineWriter out(STDOUT_FILENO, ::isatty(STDOUT_FILENO) == 1, request.nulEnded ? '\0' : '\n');
    LineWriter errors(STDERR_FILENO, ::isatty(STDERR_FILENO) == 1);
    try {
        return listMatches(request, workingFolder(), out, errors, std::make_shared<PosixFolderReader>());
    } catch (const std::exception& failure) {
        // Only want of memory gets here.
        report(out, errors, "stopped", failure.what());
        return 1;
    }
}

} // namespace

void runList(const ListRequest& request)
{
    // The walk runs in a process of its own, and this one waits for it and ends as it did. A listing stuck in a
    // file system that does not answer keeps its thread in the kernel, and with it its whole process, however
    // it is told to end. So Ctrl+C ends the process the shell waits for at once, and so does the walk's end
    // after a time-out: the walk's process, done, lingers unseen until that call returns, as the window's does.
    // Both end with _exit once every line is out: the libraries' clean-up at exit takes milliseconds and
    // finishes nothing of the listing.
    const pid_t waiter = ::getpid();
    sigset_t childEnded;
    sigemptyset(&childEnded);
    sigaddset(&childEnded, SIGCHLD);
    sigset_t usual;
    pthread_sigmask(SIG_BLOCK, &childEnded, &usual);
    int done[2] = {-1, -1};
    const pid_t walker = ::pipe2(done, O_CLOEXEC) == 0 ? ::fork() : -1;
    if (walker > 0) {
        ::close(done[1]);
        ::_exit(endAsTheWalkEnds(walker, done[0], childEnded));
    }
    pthread_sigmask(SIG_SETMASK, &usual, nullptr);
    if (walker < 0) {
        // No process of its own: the walk runs in this one.
        if (done[0] >= 0) {
            ::close(done[0]);
            ::close(done[1]);
        }
        ::_exit(printListing(request));
    }
    ::close(done[0]);
    if (!followsItsWaiter(waiter))
        ::_exit(1); // its waiter is gone already
    const int status = printListing(request);
    const auto said = static_cast<unsigned char>(status);
    [[maybe_unused]] const ssize_t written = ::write(done[1], &said, 1);
    ::_exit(status);
}

int listMatches(const ListRequest& request, const QByteArray& workingFolder, LineWriter& out, LineWriter& errors,
                const std::shared_ptr<FolderReader>& reader)
{
    const SkipRules skip = skipRulesFor(request.skips, workingFolder);
    const PhraseMatcher matcher(searchedPhrase(request.phrase));
    // Printing keeps one processor busy at most: the others list.
    ReadAhead readAhead = FolderFeed::defaultReadAhead();
    readAhead.leastPerFileSystem = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    bool failed = false;
    for (const QByteArray& argument : request.folders) {
        if (!out.isOpen())
            break;
        const QByteArray folder = folderEntryFor(argument, workingFolder);
        if (folder.isEmpty()) {
            report(out, errors, "\"\"", "an empty argument names no folder");
            failed = true;
            continue;
        }
        FolderFeed feed(reader, folder, request.includeSubfolders, skip, readAhead);
        FolderListing listing;
        while (out.isOpen() && nextListing(feed, listing, out)) {
            if (listing.state != FolderListing::State::Listed) {
                report(out, errors, listing.path, std::strerror(listing.error));
                failed = true;
                continue;
            }
            forEachMatchingLine(
                listing, matcher, [&out] { return out.isOpen(); }, [&request] { return request.form; },
                [&out](const FolderLines::Line& line) { out.write(line.head, line.name); });
        }
    }
    // A reader that went away wants nothing more, not even a message.
    if (!out.flush() && out.error() != EPIPE) {
        report(out, errors, "standard output", std::strerror(out.error()));
        failed = true;
    }
    return failed ? 1 : 0;
}

SkipRules skipRulesFor(const QByteArrayList& entries, const QByteArray& workingFolder)
{
    SkipRules rules;
    for (const QByteArray& entry : entries) {
        if (isFolderName(QFile::decodeName(entry)))
            rules.addName(entry);
        else
            rules.addFolder(folderEntryFor(entry, workingFolder));
    }
    return rules;
}
