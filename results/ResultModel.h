#pragma once

#include "results/LineRuns.h"
#include "results/LineStore.h"
#include "results/ListHistory.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QTimer>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <vector>

// What a tick command does to every line's check mark.
enum class TickChange { TickAll, UntickAll, InvertTicks };

// The result list: lines in the order they were added, each a text (kept as
// the file system's bytes, shown decoded) and a check mark. Storage is one
// byte buffer plus an end offset and a check byte per line, so a million
// lines cost little more than their text. Appends reach attached views in
// batches; every other change first brings the views up to date. Each
// removal of lines is a trim, and each new order a sort, a step of the list's
// history that can be undone and redone; ticks are not.
class ResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ResultModel(QObject* parent = nullptr, HistoryBounds bounds = {});

    // Lines held, including those not yet shown.
    qsizetype lineCount() const { return static_cast<qsizetype>(lines_.count()); }
    QByteArrayView lineBytes(qsizetype line) const;
    QString lineText(qsizetype line) const;
    bool isChecked(qsizetype line) const { return lines_.checks[checkedPosition(line)] != 0; }
    void setChecked(qsizetype line, bool checked);
    // Changes every line's check mark in one pass and tells the views once.
    void changeAllTicks(TickChange change);

    // Adds one line, unticked: text followed by more.
    void append(QByteArrayView text, QByteArrayView more = {});
    void removeLine(qsizetype line);
    void clear();
    // Keeps the lines for which keep() is true, in order, with their checks,
    // in one pass and one reset of the views.
    void retainLines(const std::function<bool(QByteArrayView)>& keep);
    // Takes the runs out as one trim.
    void removeRuns(LineRuns runs);
    // Puts the first order.size() lines in a new order as one step, their
    // ticks going with them: order[i] is the line that goes to place i, and
    // sorted holds those lines in that order already. Lines after them stay.
    // An order that moves nothing is no step.
    void reorder(std::vector<std::size_t> order, LineStore sorted);

    // The most recent trim or sort not undone is taken back, lines at their
    // places with their ticks, before any appended since; Redo makes it again.
    bool canUndo() const { return history_.stack().canUndo(); }
    bool canRedo() const { return history_.stack().canRedo(); }
    void undo() { history_.stack().undo(); }
    void redo() { history_.stack().redo(); }
    ListHistory& history() { return history_; }

    // Goes up with every change that moves or removes lines: the trims, sorts,
    // Undo and Redo. Lines appended at the end and ticks leave it as it is.
    std::uint64_t revision() const { return revision_; }
    // The ticks of every line as they are now.
    std::vector<std::uint8_t> ticks() const { return {lines_.checks.begin(), lines_.checks.end()}; }
    // A save or an export holds the list while it writes it: the window then
    // refuses the changes a person may undo on their own (Undo, Redo, the
    // removal of one line), as it does under the busy pointer.
    void hold();
    void release();
    bool isHeld() const { return holds_ > 0; }

    void setHeaderText(const QString& text);
    QString headerText() const { return header_; }

    // Shows the lines appended since the last batch.
    void showPendingLines();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Lines dragged out are offered as text and as files, to be copied only.
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

signals:
    // A save or an export began or ended holding the list.
    void heldChanged(bool held);
    // An Undo (or a Redo) failed, for want of memory: the step is given up
    // and the list left as it was. Queue the report: the history is still
    // at work when this is emitted.
    void stepFailed(bool undoing, std::exception_ptr failure);

private:
    friend class ListStep;

    // line as an index into the storage; throws std::out_of_range for no line.
    size_t checkedPosition(qsizetype line) const;
    // Runs a change of the lines and tells the views: one line's row by
    // itself, more in one reset. Only the history's steps change lines.
    void changeLines(bool inserts, const std::function<void(LineStore& lines, const AboutToChange&)>& change);
    // A trim that removes nothing is no step, and leaves Redo as it was.
    void trim(LineRuns runs);

    LineStore lines_;
    ListHistory history_; // after the lines, for its steps to give their blocks back on the way out
    std::uint64_t revision_ = 0;
    int holds_ = 0;
    int shownRows_ = 0;
    QTimer batchTimer_;
    QString header_;
};
