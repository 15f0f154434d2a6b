#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSet>

// Folders a walk leaves out, never opening them. A path skips that folder and
// all below it; a name skips every folder of exactly that name below a walk's
// own folder. Paths are compared as the walk reports them (separators
// collapsed, no trailing one), however they are given; names are the bytes
// the file system holds, case and all.
class SkipRules {
public:
    void addFolder(const QByteArray& path);
    void addName(QByteArray name);

    bool isEmpty() const { return folders_.isEmpty() && names_.isEmpty(); }

    // A folder found in a walk, at path and called name. Its parents were
    // asked already, so only its own path counts.
    bool skips(QByteArrayView path, QByteArrayView name) const;

    // The walk's own folder: skipped when it is or lies below a skipped path.
    bool skipsWalkOf(QByteArrayView folder) const;

private:
    QSet<QByteArray> folders_;
    QSet<QByteArray> names_;
};
