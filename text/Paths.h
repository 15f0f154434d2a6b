#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QString>

// Separator of the backslash style, where a leading pair of separators is a
// network prefix and is kept.
inline constexpr char BackslashSeparator = '\\';
// Separator of this platform's paths.
inline constexpr char NativeSeparator = '/';

// Collapses doubled separators in one left-to-right pass (a run of n becomes
// ceil(n/2)). In the backslash style a path that starts with separators comes
// out with exactly two of them.
QString NormalizePath(const QString& path, char separator = NativeSeparator);
QByteArray NormalizePath(const QByteArray& path, char separator = NativeSeparator);

// The text between the last two separators of a path: the name of the folder
// that holds the named file. Throws Failure when the path has no separator.
QString ParentFolderName(const QString& path, char separator = NativeSeparator);
QByteArray ParentFolderName(const QByteArray& path, char separator = NativeSeparator);

// Whether a text may be the absolute path of an item: it begins at the root and
// holds no NUL, which no name holds.
bool isItemPath(QByteArrayView text);

// The file URL of an absolute path, every byte but the unreserved ones and
// the separators percent-encoded: a name that is not valid UTF-8 keeps its
// exact bytes, so whoever reads the URL finds the real file.
QByteArray localFileUrl(QByteArrayView path);
