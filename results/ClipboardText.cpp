#include "results/ClipboardText.h"

#include "memory/LargePages.h"
#include "results/LineGone.h"

#include <algorithm>
#include <vector>

namespace {

void requireRow(const CopySource& source, qsizetype row)
{
    if (row >= source.rowCount())
        throw lineGoneFailure();
}

QString cellAfterYield(const CopySource& source, qsizetype row, int column)
{
    requireRow(source, row);
    if (column >= source.columnCount())
        throw lineGoneFailure();
    return source.cell(row, column);
}

void trimTrailingSpaces(QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    text.truncate(end);
}

} // namespace

QString buildClipboardText(const CopySource& source, const std::function<void()>& yield)
{
    std::vector<qsizetype> widths;
    qsizetype cellsLength = 0;
    const int columns = source.columnCount();
    for (int column = 0; column < columns; ++column) {
        qsizetype width = 0;
        const qsizetype rows = source.rowCount();
        for (qsizetype row = 0; row < rows; ++row) {
            yield();
            const qsizetype length = cellAfterYield(source, row, column).size();
            width = std::max(width, length);
            cellsLength += length;
        }
        widths.push_back(width);
    }

    QString text;
    const qsizetype rows = source.rowCount();
    text.reserve(std::max<qsizetype>(0, cellsLength + rows * (columns + 2)));
    preferLargePages(text.data(), static_cast<size_t>(text.capacity()) * sizeof(QChar));
    for (qsizetype row = 0; row < rows; ++row) {
        yield();
        requireRow(source, row);
        if (!source.isTicked(row))
            continue;
        const int rowColumns = source.columnCount();
        for (int column = 0; column < rowColumns; ++column) {
            yield();
            const QString cell = cellAfterYield(source, row, column);
            text.append(cell);
            // The last cell's padding and tab would be trimmed off again.
            if (column + 1 == rowColumns)
                break;
            const qsizetype width = size_t(column) < widths.size() ? widths[size_t(column)] : 0;
            if (width > cell.size())
                text.resize(text.size() + width - cell.size(), QLatin1Char(' '));
            text.append(QLatin1Char('\t'));
        }
        trimTrailingSpaces(text);
        text.append(QLatin1String("\r\n"));
    }
    return text;
}
