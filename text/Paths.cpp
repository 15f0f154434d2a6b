#include "text/Paths.h"

#include "common/Failure.h"

namespace {

template <typename Text, typename Unit>
Text collapseDoubledSeparators(const Text& path, qsizetype from, Unit separator)
{
    // The text between pairs is copied whole: a walk normalises every folder it finds a match in.
    Text result;
    result.reserve(path.size() - from);
    qsizetype start = from;
    for (qsizetype i = from; i + 1 < path.size(); ++i) {
        if (path.at(i) == separator && path.at(i + 1) == separator) {
            result.append(path.sliced(start, i + 1 - start));
            start = i + 2; // the second of a pair is dropped
            ++i;
        }
    }
    result.append(path.sliced(start));
    return result;
}

template <typename Text, typename Unit>
Text normalize(const Text& path, Unit separator)
{
    if (separator != Unit(BackslashSeparator) || path.isEmpty() || path.at(0) != separator)
        return collapseDoubledSeparators(path, 0, separator);
    qsizetype k = 1;
    while (k < path.size() && path.at(k) == separator)
        ++k;
    Text result(2, separator);
    result.append(collapseDoubledSeparators(path, k, separator));
    return result;
}

template <typename Text, typename Unit>
Text parentFolderName(const Text& path, Unit separator)
{
    qsizetype previous = -1;
    qsizetype last = -1;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path.at(i) == separator) {
            previous = last;
            last = i;
        }
    }
    if (last < 0)
        throw Failure(QStringLiteral("Invalid procedure call or argument"));
    return path.mid(previous + 1, last - previous - 1);
}

} // namespace

QString NormalizePath(const QString& path, char separator)
{
    return normalize(path, QChar::fromLatin1(separator));
}

QByteArray NormalizePath(const QByteArray& path, char separator)
{
    return normalize(path, separator);
}

QString ParentFolderName(const QString& path, char separator)
{
    return parentFolderName(path, QChar::fromLatin1(separator));
}

QByteArray ParentFolderName(const QByteArray& path, char separator)
{
    return parentFolderName(path, separator);
}

bool isItemPath(QByteArrayView text)
{
    return text.startsWith(NativeSeparator) && !text.contains('\0');
}

QByteArray localFileUrl(QByteArrayView path)
{
    return QByteArrayLiteral("file://") + path.toByteArray().toPercentEncoding("/");
}
