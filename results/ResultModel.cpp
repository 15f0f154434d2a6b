#include "ResultModel.h"

#include "FileHandover.h"

#include <QMimeData>

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <vector>

namespace {

// Views learn of appended lines at most this often while a search runs.
constexpr int BatchIntervalMs = 100;

} // namespace

ResultModel::ResultModel(QObject* parent) : QAbstractTableModel(parent)
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
    const qsizetype start = lineStart(line);
    return QByteArrayView(bytes_.data() + start, static_cast<qsizetype>(ends_[position]) - start);
}

QString ResultModel::lineText(qsizetype line) const
{
    return QString::fromUtf8(lineBytes(line));
}

void ResultModel::setChecked(qsizetype line, bool checked)
{
    checks_[checkedPosition(line)] = checked ? 1 : 0;
    if (line < shownRows_) {
        const QModelIndex cell = index(static_cast<int>(line), 0);
        emit dataChanged(cell, cell, {Qt::CheckStateRole});
    }
}

void ResultModel::changeAllTicks(TickChange change)
{
    showPendingLines();
    switch (change) {
    case TickChange::TickAll:
        std::fill(checks_.begin(), checks_.end(), std::uint8_t{1});
        break;
    case TickChange::UntickAll:
        std::fill(checks_.begin(), checks_.end(), std::uint8_t{0});
        break;
    case TickChange::InvertTicks:
        for (std::uint8_t& check : checks_)
            check = check == 0 ? 1 : 0;
        break;
    }
    if (shownRows_ > 0)
        emit dataChanged(index(0, 0), index(shownRows_ - 1, 0), {Qt::CheckStateRole});
}

void ResultModel::append(QByteArrayView text, QByteArrayView more)
{
    // Room first, so a failure leaves the list as it was.
    bytes_.reserveMore(static_cast<size_t>(text.size() + more.size()));
    ends_.reserveMore(1);
    checks_.reserveMore(1);
    bytes_.append(text.data(), static_cast<size_t>(text.size()));
    bytes_.append(more.data(), static_cast<size_t>(more.size()));
    ends_.push_back(bytes_.size());
    checks_.push_back(0);
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

void ResultModel::removeLine(qsizetype line)
{
    showPendingLines();
    const size_t position = checkedPosition(line);
    const qsizetype start = lineStart(line);
    const qsizetype length = static_cast<qsizetype>(ends_[position]) - start;
    const bool shown = line < shownRows_;
    if (shown)
        beginRemoveRows({}, static_cast<int>(line), static_cast<int>(line));
    bytes_.erase(static_cast<size_t>(start), static_cast<size_t>(length));
    ends_.erase(position);
    for (size_t later = position; later < ends_.size(); ++later)
        ends_[later] -= static_cast<std::uint64_t>(length);
    checks_.erase(position);
    if (shown) {
        --shownRows_;
        endRemoveRows();
    }
}

void ResultModel::clear()
{
    beginResetModel();
    batchTimer_.stop();
    bytes_.clear();
    ends_.clear();
    checks_.clear();
    shownRows_ = 0;
    endResetModel();
}

void ResultModel::retainLines(const std::function<bool(QByteArrayView)>& keep)
{
    // Decide first, so a failing test leaves the list as it was.
    std::vector<std::uint8_t> kept(ends_.size());
    for (qsizetype line = 0; line < lineCount(); ++line)
        kept[static_cast<size_t>(line)] = keep(lineBytes(line)) ? 1 : 0;

    beginResetModel();
    batchTimer_.stop();
    char* const data = bytes_.data();
    qsizetype write = 0;
    size_t keptLines = 0;
    qsizetype start = 0;
    for (size_t line = 0; line < ends_.size(); ++line) {
        const auto end = static_cast<qsizetype>(ends_[line]);
        if (kept[line] != 0) {
            std::copy(data + start, data + end, data + write);
            write += end - start;
            ends_[keptLines] = static_cast<std::uint64_t>(write);
            checks_[keptLines] = checks_[line];
            ++keptLines;
        }
        start = end;
    }
    bytes_.truncate(static_cast<size_t>(write));
    ends_.truncate(keptLines);
    checks_.truncate(keptLines);
    shownRows_ = static_cast<int>(std::min<qsizetype>(lineCount(), std::numeric_limits<int>::max()));
    endResetModel();
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
