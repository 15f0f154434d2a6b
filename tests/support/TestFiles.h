#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Makes files and folders (ending in "/") below root.
void makeTree(const QString& root, const QStringList& entries);

// The names 1.txt, 2.txt, ... up to count.
QStringList numberedFiles(int count);

// Writes the file, making its folder if need be.
void writeFile(const QString& path, const QByteArray& bytes);

// What the file holds, or "(unreadable)".
QByteArray fileBytes(const QString& path);
