#include "text/Paths.h"

#include "common/Failure.h"

namespace {

template <typename Text, typename Unit>
Text collapseDoubledSeparators(const Text& path, qsizetype from, Unit separator)
{
    Text result;
    result.reserve(path.size() - from);
    for (qsizetype i = from; i < path.size(); ++i) {
        result.append(path.at(i));
        if (path.at(i) == separator && i + 1 < path.size() && path.at(i + 1) == separator)
            ++i; // the second of a pair is dropped
    }
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
