#pragma once

#include <QCursor>
#include <QString>

// Reads a Windows cursor file (.CUR): the first image and its hotspot from
// the file's directory entry. Throws Failure when the file is no readable
// cursor.
QCursor loadCursorFile(const QString& path);
