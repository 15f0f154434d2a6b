#include "common/Failure.h"
#include "fuzz/FuzzCheck.h"
#include "results/ClipboardText.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace {

struct Row {
    QStringList cells;
    bool ticked = false;
};

// A table that checks every read: the builder may look only at rows and columns that exist.
class TableSource : public CopySource {
public:
    std::vector<Row> rows;
    int columns = 1;

    qsizetype rowCount() const override { return qsizetype(rows.size()); }
    int columnCount() const override { return columns; }

    QString cell(qsizetype row, int column) const override
    {
        require(column >= 0 && column < columns, "reads only columns that exist");
        return at(row).cells.value(column);
    }

    bool isTicked(qsizetype row) const override { return at(row).ticked; }

private:
    const Row& at(qsizetype row) const
    {
        require(row >= 0 && row < rowCount(), "reads only rows that exist");
        return rows[size_t(row)];
    }
};

// What happens to the table while the builder yields, as a click on the window would do it.
enum class Change { RemoveLastRow, RemoveFirstRow, RemoveAllRows, AppendRow, AddColumn, RemoveColumn, Untick, Count };

void apply(Change change, TableSource& table)
{
    switch (change) {
    case Change::RemoveLastRow:
        if (!table.rows.empty())
            table.rows.pop_back();
        break;
    case Change::RemoveFirstRow:
        if (!table.rows.empty())
            table.rows.erase(table.rows.begin());
        break;
    case Change::RemoveAllRows:
        table.rows.clear();
        break;
    case Change::AppendRow:
        table.rows.push_back({QStringList{QStringLiteral("appended  ")}, true});
        break;
    case Change::AddColumn:
        ++table.columns;
        break;
    case Change::RemoveColumn:
        table.columns = std::max(0, table.columns - 1);
        break;
    case Change::Untick:
        if (!table.rows.empty())
            table.rows.front().ticked = false;
        break;
    case Change::Count:
        break;
    }
}

// Lines of cells split at '|'; a line that starts with '+' is ticked. Carriage returns and tabs
// are left out of the cells, so that the rows and cells of the result can be told apart.
TableSource parseTable(QByteArray text)
{
    text.replace('\r', QByteArray()).replace('\t', QByteArray());
    QList<QByteArray> lines = text.split('\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    TableSource table;
    for (QByteArray line : lines) {
        Row row;
        row.ticked = line.startsWith('+');
        if (row.ticked)
            line.remove(0, 1);
        for (const QByteArray& cell : line.split('|'))
            row.cells << QString::fromUtf8(cell);
        table.columns = std::max(table.columns, int(row.cells.size()));
        table.rows.push_back(row);
    }
    return table;
}

QString trimmedRight(QString text)
{
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

void checkShape(const QString& text)
{
    require(text.isEmpty() || text.endsWith(QLatin1String("\r\n")), "every row ends with CR LF");
    require(!text.contains(QLatin1String(" \r\n")), "no row ends with a space");
}

void checkRows(const TableSource& table, const QString& text)
{
    std::vector<qsizetype> widths(size_t(table.columns), 0);
    for (const Row& row : table.rows) {
        for (int column = 0; column < row.cells.size(); ++column)
            widths[size_t(column)] = std::max(widths[size_t(column)], row.cells.at(column).size());
    }
    QStringList lines = text.split(QLatin1String("\r\n"));
    lines.removeLast(); // after the last CR LF
    qsizetype line = 0;
    for (const Row& row : table.rows) {
        if (!row.ticked)
            continue;
        require(line < lines.size(), "one row per ticked line");
        const QStringList fields = lines.at(line++).split(QLatin1Char('\t'));
        require(fields.size() == table.columns, "the cells of a row are joined by tabs");
        for (int column = 0; column + 1 < table.columns; ++column) {
            require(fields.at(column) == row.cells.value(column).leftJustified(widths[size_t(column)]),
                    "every cell is padded to the widest of its column");
        }
        require(fields.last() == trimmedRight(row.cells.value(table.columns - 1)), "the last cell is trimmed");
    }
    require(line == lines.size(), "one row per ticked line");
}

} // namespace

// The input is the table, optionally after "!", the number of the yield at which the table
// changes and which change it is.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    std::optional<int> changeAtYield;
    Change change = Change::Count;
    if (input.size() >= 3 && input.at(0) == '!') {
        changeAtYield = static_cast<unsigned char>(input.at(1));
        change = Change(static_cast<unsigned char>(input.at(2)) % int(Change::Count));
        input.remove(0, 3);
    }
    TableSource table = parseTable(input);
    const TableSource before = table;

    int yields = 0;
    bool changed = false;
    const std::function<void()> yield = [&] {
        if (changeAtYield && yields++ == *changeAtYield) {
            apply(change, table);
            changed = true;
        }
    };
    QString text;
    try {
        text = buildClipboardText(table, yield);
    } catch (const Failure&) {
        require(changed, "fails only when the table changed under it");
        return 0;
    }
    checkShape(text);
    if (!changed)
        checkRows(before, text);
    return 0;
}
