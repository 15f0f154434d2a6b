#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QByteArrayList>
#include <QFile>
#include <QString>

// The folder list: folder paths in the order added, duplicates allowed,
// never checked. Its one column header doubles as the search's status line.
// An entry is held as the file system's bytes, so a folder whose name is not
// valid UTF-8 is walked as it is; it is shown decoded, with a stand-in for
// what cannot be.
class FolderListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FolderListModel(QObject* parent = nullptr);

    qsizetype entryCount() const { return entries_.size(); }
    // As the list shows it.
    QString entry(qsizetype position) const { return QFile::decodeName(entries_.at(position)); }
    QByteArray entryPath(qsizetype position) const { return entries_.at(position); }
    // A path as the toolkit gives it (a picked or dropped folder, a skip entry).
    void append(const QString& path) { appendPath(QFile::encodeName(path)); }
    void appendPath(const QByteArray& path);
    void removeEntry(qsizetype position);

    void setHeaderText(const QString& text);
    QString headerText() const { return header_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QByteArrayList entries_;
    QString header_;
};
