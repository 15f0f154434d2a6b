#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

// The folder list: folder paths in the order added, duplicates allowed,
// never checked. Its one column header doubles as the search's status line.
class FolderListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FolderListModel(QObject* parent = nullptr);

    qsizetype entryCount() const { return entries_.size(); }
    QString entry(qsizetype position) const { return entries_.at(position); }
    void append(const QString& path);
    void removeEntry(qsizetype position);

    void setHeaderText(const QString& text);
    QString headerText() const { return header_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QStringList entries_;
    QString header_;
};
