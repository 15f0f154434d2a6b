#include "results/ResultModel.h"

#include "results/FileHandover.h"
#include "results/SortStep.h"
#include "results/TrimStep.h"

#include <QMimeData>

#include <algorithm>
#include <limits>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

// Views learn of appended lines at most this often while a search runs.
constexpr int BatchIntervalMs = 100;

} // namespace

ResultModel::ResultModel(QObject* parent, HistoryBounds bounds) : QAbstractTableModel(parent), history_(bounds)
{
    batchTimer_.setSingleShot(true);
    batchTimer_.setInterval(BatchIntervalMs);
    connect(&batchTimer_, &QTimer::timeout, this, &ResultModel::showPendingLines);
}

size_t ResultModel::checkedPosition(qsizetype line) const
{
    if (line < 0 || line >= lineCount())
        throw std::out_of_range("no such result line");
    return static_cast<size_t>(line);
}

QByteArrayView ResultModel::lineBytes(qsizetype line) const
{
    const size_t position = checkedPosition(line);
    const size_t start = lines_.start(position);
    return QByteArrayView(lines_.bytes.data() + start, static_cast<qsizetype>(lines_.ends[position] - start));
}

QString ResultModel::lineText(qsizetype line) const
{
    return QString::fromUtf8(lineBytes(line));
}

void ResultModel::setChecked(qsizetype line, bool checked)
{
    lines_.checks[checkedPosition(line)] = checked ? 1 : 0;
    if (line < shownRows_) {
        const QModelIndex cell = index(static_cast<int>(line), 0);
        emit dataChanged(cell, cell, {Qt::CheckStateRole});
    }
}

void ResultModel::changeAllTicks(TickChange change)
{
    showPendingLines();
    GrowingArray<std::uint8_t>& checks = lines_.checks;
    switch (change) {
    case TickChange::TickAll:
        std::fill(checks.begin(), checks.end(), std::uint8_t{1});
        break;
    case TickChange::UntickAll:
        std::fill(checks.begin(), checks.end(), std::uint8_t{0});
        break;
    case TickChange::InvertTicks:
        for (std::uint8_t& check : checks)
            check = check == 0 ? 1 : 0;
        break;
    }
    if (shownRows_ > 0)
        emit dataChanged(index(0, 0), index(shownRows_ - 1, 0), {Qt::CheckStateRole});
}

void ResultModel::append(QByteArrayView text, QByteArrayView more)
{
    // Room first, so a failure leaves the list as it was.
    lines_.bytes.reserveMore(static_cast<size_t>(text.size() + more.size()));
    lines_.ends.reserveMore(1);
    lines_.checks.reserveMore(1);
    lines_.bytes.append(text.data(), static_cast<size_t>(text.size()));
    lines_.bytes.append(more.data(), static_cast<size_t>(more.size()));
    lines_.ends.push_back(lines_.bytes.size());
    lines_.checks.push_back(0);
    if (!batchTimer_.isActive())
        batchTimer_.start();
}

void ResultModel::showPendingLines()
{
    batchTimer_.stop();
    // A view addresses rows with int; lines past that stay held but unshown.
    const auto target = static_cast<int>(std::min<qsizetype>(lineCount(), std::numeric_limits<int>::max()));
    if (target <= shownRows_)
        return;
    beginInsertRows({}, shownRows_, target - 1);
    shownRows_ = target;
    endInsertRows();
}

void ResultModel::changeLines(bool inserts, const std::function<void(LineStore& lines, const AboutToChange&)>& change)
{
    showPendingLines();
    bool began = false;
    bool oneRow = false;
    change(lines_, [&](const LineRuns& runs) {
        began = true;
        // While every line is shown a line's place is its row.
        oneRow = runs.size() == 1 && runs.front().count == 1 && lineCount() < std::numeric_limits<int>::max();
        const auto row = static_cast<int>(runs.front().at);
        if (!oneRow)
            beginResetModel();
        else if (inserts)
            beginInsertRows({}, row, row);
        else
            beginRemoveRows({}, row, row);
    });
    if (!began)
        return;
    ++revision_;
    shownRows_ = static_cast<int>(std::min<qsizetype>(lineCount(), std::numeric_limits<int>::max()));
    if (!oneRow)
        endResetModel();
    else if (inserts)
        endInsertRows();
    else
        endRemoveRows();
}

void ResultModel::trim(LineRuns runs)
{
    if (runs.empty())
        return;
    auto step = std::make_unique<TrimStep>(*this, std::move(runs));
    step->make();
    history_.push(std::move(step));
}

void ResultModel::removeLine(qsizetype line)
{
    trim({{checkedPosition(line), 1}});
}

void ResultModel::clear()
{
    if (lineCount() > 0)
        trim({{0, lines_.count()}});
}

void ResultModel::retainLines(const std::function<bool(QByteArrayView)>& keep)
{
    // Decide first, so a failing test leaves the list as it was.
    LineRuns taken;
    for (qsizetype line = 0; line < lineCount(); ++line) {
        if (keep(lineBytes(line)))
            continue;
        const auto position = static_cast<size_t>(line);
        if (!taken.empty() && taken.back().at + taken.back().count == position)
            ++taken.back().count;
        else
            taken.push_back({position, 1});
    }
    trim(std::move(taken));
}

void ResultModel::removeRuns(LineRuns runs)
{
    trim(std::move(runs));
}

void ResultModel::reorder(std::vector<std::size_t> order, LineStore sorted)
{
    if (order.size() > lines_.count() || sorted.count() != order.size())
        throw std::out_of_range("no such result lines");
    std::size_t place = 0;
    while (place < order.size() && order[place] == place)
        ++place;
    if (place == order.size()) {
        history_.spares().give(std::move(sorted));
        return;
    }
    auto step = std::make_unique<SortStep>(*this, std::move(order), std::move(sorted));
    step->make();
    history_.push(std::move(step));
}

void ResultModel::hold()
{
    ++holds_;
    if (holds_ == 1)
        emit heldChanged(true);
}

void ResultModel::release()
{
    --holds_;
    if (holds_ == 0)
        emit heldChanged(false);
}

void ResultModel::setHeaderText(const QString& text)
{
    header_ = text;
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

int ResultModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shownRows_;
}

int ResultModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant ResultModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= shownRows_)
        return {};
    if (role == Qt::DisplayRole)
        return lineText(index.row());
    if (role == Qt::CheckStateRole)
        return isChecked(index.row()) ? Qt::Checked : Qt::Unchecked;
    return {};
}

bool ResultModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.row() >= shownRows_ || role != Qt::CheckStateRole)
        return false;
    setChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags ResultModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled
           | Qt::ItemNeverHasChildren;
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
        return header_;
    return {};
}

QStringList ResultModel::mimeTypes() const
{
    return {QStringLiteral("text/plain"), QStringLiteral("text/uri-list")};
}

QMimeData* ResultModel::mimeData(const QModelIndexList& indexes) const
{
    std::vector<int> rows;
    for (const QModelIndex& cell : indexes)
        if (cell.isValid() && cell.row() < shownRows_)
            rows.push_back(cell.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QByteArrayList lines;
    for (const int row : rows)
        lines << lineBytes(row).toByteArray();
    return FileHandover(lines).dragData().release();
}
