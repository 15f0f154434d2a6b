#pragma once

#include <QTableView>

// A list in report view, as both lists of the window are: one column under
// its header, whole lines chosen one at a time (the rest is in the window's
// layout). Here is what Designer cannot set: lines as tall as the font, a
// header that only resizes, the tooltip over the lines too, and the list's
// keys. The Menu key and Shift+F10 ask for the list's menu below the current
// line, as a right-click asks for it at the pointer; Delete, with any
// modifier, asks to remove the selected line.
class ReportView : public QTableView {
    Q_OBJECT
public:
    explicit ReportView(QWidget* parent = nullptr);

signals:
    // At a point on the screen.
    void menuRequested(const QPoint& at);
    void removeRequested();

protected:
    bool event(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Below the current line, or at the top of an empty list.
    QPoint keyboardMenuPoint() const;
};
