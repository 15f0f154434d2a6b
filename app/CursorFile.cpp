#include "app/CursorFile.h"

#include "common/Failure.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

namespace {

constexpr qsizetype DirectoryHeaderSize = 6;
constexpr qsizetype DirectoryEntrySize = 16;
constexpr quint16 CursorResourceType = 2;

Failure notACursor(const QString& path)
{
    return Failure(QStringLiteral("Invalid picture: ") + path);
}

} // namespace

QCursor loadCursorFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(file.errorString() + QStringLiteral(": ") + path);
    // Cursor files are tiny; anything large is not one.
    constexpr qint64 MaxCursorFileSize = 1 << 20;
    if (file.size() > MaxCursorFileSize)
        throw notACursor(path);
    const QByteArray bytes = file.readAll();
    if (bytes.size() < DirectoryHeaderSize + DirectoryEntrySize)
        throw notACursor(path);
    const auto* header = reinterpret_cast<const uchar*>(bytes.constData());
    if (qFromLittleEndian<quint16>(header) != 0 || qFromLittleEndian<quint16>(header + 2) != CursorResourceType
        || qFromLittleEndian<quint16>(header + 4) == 0)
        throw notACursor(path);
    const uchar* entry = header + DirectoryHeaderSize;
    const int hotX = qFromLittleEndian<quint16>(entry + 4);
    const int hotY = qFromLittleEndian<quint16>(entry + 6);

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "cur");
    const QImage image = reader.read();
    if (image.isNull())
        throw notACursor(path);
    return QCursor(QPixmap::fromImage(image), qBound(0, hotX, image.width() - 1), qBound(0, hotY, image.height() - 1));
}
