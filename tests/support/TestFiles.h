#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTest>

// Makes files and folders (ending in "/") below root.
inline void makeTree(const QString& root, const QStringList& entries)
{
    for (const QString& entry : entries) {
        const QString path = root + QLatin1Char('/') + entry;
        QVERIFY(QDir().mkpath(entry.endsWith(QLatin1Char('/')) ? path : QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(entry.endsWith(QLatin1Char('/')) || file.open(QIODevice::WriteOnly));
    }
}

// The names 1.txt, 2.txt, ... up to count.
inline QStringList numberedFiles(int count)
{
    QStringList names;
    for (int number = 1; number <= count; ++number)
        names << QStringLiteral("%1.txt").arg(number);
    return names;
}

// Writes the file, making its folder if need be.
inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// What the file holds, or "(unreadable)".
inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}
