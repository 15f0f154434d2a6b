#include "bench/SyntheticTree.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <array>
#include <cmath>
#include <fcntl.h>
#include <random>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::array<const char*, 24> Words{"report",   "invoice", "holiday", "draft",  "final",   "notes",
                                            "budget",   "photo",   "scan",    "letter", "backup",  "meeting",
                                            "summary",  "project", "archive", "data",   "chapter", "minutes",
                                            "contract", "slides",  "thesis",  "recipe", "track",   "config"};
constexpr std::array<const char*, 12> Extensions{".txt", ".pdf", ".jpg", ".png", ".docx",   ".xlsx",
                                                 ".mp3", ".log", ".cpp", ".h",   ".tar.gz", ".odt"};
// Spellings of names that carry the phrase somewhere, in several cases.
constexpr std::array<const char*, 6> MatchingStems{"Sample1.txt",  "example1.tar", "people1.toml",
                                                   "EXAMPLE1.TXT", "triple1.tex",  "sample1.tmp"};
constexpr std::array<const char*, 4> NonAsciiParts{"résumé", "Übersicht", "日本語", "café"};

constexpr double MatchingShare = 0.03;
constexpr double NonAsciiShare = 0.001;

class NameMaker {
public:
    NameMaker(std::uint64_t seed, QByteArray phrase) : random_(seed), phrase_(std::move(phrase).toLower()) {}

    QByteArray next(bool matching)
    {
        if (matching) {
            QByteArray name = word();
            name += '_';
            name += pick(MatchingStems);
            return name;
        }
        for (;;) {
            QByteArray name = word();
            const int parts = uniform(1, 3);
            for (int i = 0; i < parts; ++i) {
                name += chance(0.5) ? '_' : '-';
                name += chance(0.3) ? QByteArray::number(uniform(1, 99999)) : word();
            }
            if (chance(NonAsciiShare))
                name += QByteArray("_") + pick(NonAsciiParts);
            name += pick(Extensions);
            if (!name.toLower().contains(phrase_))
                return name;
        }
    }

    int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    bool chance(double share) { return std::uniform_real_distribution<double>(0, 1)(random_) < share; }

private:
    template <typename Array>
    const char* pick(const Array& choices)
    {
        return choices[static_cast<size_t>(uniform(0, static_cast<int>(choices.size()) - 1))];
    }
    QByteArray word()
    {
        QByteArray w = pick(Words);
        if (chance(0.4))
            w[0] = static_cast<char>(w[0] - 'a' + 'A');
        return w;
    }

    std::mt19937_64 random_;
    QByteArray phrase_;
};

void makeFolder(const QByteArray& path)
{
    if (::mkdir(path.constData(), 0755) != 0)
        throw std::runtime_error("cannot create folder " + path.toStdString());
}

void makeFile(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot create file " + path.toStdString());
    ::close(fd);
}

} // namespace

TreeSummary makeSyntheticTree(const QString& root, long long files, std::uint64_t seed, const QByteArray& phrase,
                              int filesPerFolder)
{
    NameMaker names(seed, phrase);
    TreeSummary summary;
    // Three levels of folders with a fourth under some.
    const long long wantedFolders = std::max<long long>(8, files / std::max(1, filesPerFolder));
    const int fanOut = std::max(2, static_cast<int>(std::ceil(std::cbrt(static_cast<double>(wantedFolders)))));
    QList<QByteArray> folders;
    const QByteArray top = QFile::encodeName(root);
    for (int a = 0; a < fanOut; ++a) {
        const QByteArray levelOne = top + "/" + names.next(false).replace('.', '_');
        makeFolder(levelOne);
        folders << levelOne;
        for (int b = 0; b < fanOut; ++b) {
            const QByteArray levelTwo =
                levelOne + "/" + QByteArray::number(b) + "_" + names.next(false).replace('.', '_');
            makeFolder(levelTwo);
            folders << levelTwo;
            for (int c = 0; c < fanOut; ++c) {
                const QByteArray levelThree =
                    levelTwo + "/" + QByteArray::number(c) + "_" + names.next(false).left(12).replace('.', '_');
                makeFolder(levelThree);
                folders << levelThree;
                if (names.chance(0.25)) {
                    const QByteArray levelFour = levelThree + "/deeper_" + QByteArray::number(c);
                    makeFolder(levelFour);
                    folders << levelFour;
                }
            }
        }
    }
    summary.folders = folders.size();
    for (long long i = 0; i < files; ++i) {
        const bool matching = names.chance(MatchingShare);
        const QByteArray& folder = folders[names.uniform(0, static_cast<int>(folders.size()) - 1)];
        // A serial number keeps names unique within a folder.
        makeFile(folder + "/" + QByteArray::number(i, 36) + "_" + names.next(matching));
        summary.matching += matching ? 1 : 0;
    }
    summary.files = files;
    return summary;
}
