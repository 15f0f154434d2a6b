#include "folders/FolderListModel.h"
#include "results/ResultModel.h"
#include "tests/support/FormFixture.h"
#include "tests/support/ResultLists.h"
#include "tests/support/TestFiles.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {

// A loaded, shown window over a folder with sub/a.txt in it.
struct MenuFixture : ShownForm {
    MenuFixture() { makeTree(walked.path(), {"sub/a.txt"}); }

    // A search for "a.txt", its one line the file's path and name.
    void search()
    {
        form->folderList().append(walked.path());
        control<QLineEdit>(QStringLiteral("Text1"))->setText(QStringLiteral("a.txt"));
        desktop.expectMessage(QStringLiteral("Done."));
        control<QPushButton>(QStringLiteral("PushButton1"))->click();
    }

    QTemporaryDir walked;
};

} // namespace

class tst_menus : public QObject {
    Q_OBJECT
private slots:
    void menuItemsInOrder_data();
    void menuItemsInOrder();
    void menuOpens_data();
    void menuOpens();
    void listKeysRestWhileItsMenuIsOpen_data();
    void listKeysRestWhileItsMenuIsOpen();
    void itemsAreChosenByKeyboard_data();
    void itemsAreChosenByKeyboard();
    void openContainingFolder_data();
    void openContainingFolder();
    void resultLinesAreDraggedAsCopies();
};

void tst_menus::menuItemsInOrder_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<QStringList>("captions"); // a separator is empty
    QTest::newRow("folder list") << 1 << QStringList{"Skip a Folder...", "Skip Folders Named..."};
    QTest::newRow("result list") << 2
                                 << QStringList{"Tick All",
                                                "Untick All",
                                                "Invert Ticks",
                                                "",
                                                "Sort Lines A to Z",
                                                "Remove Duplicate Lines",
                                                "",
                                                "Open Containing Folder",
                                                "Copy Ticked as Files",
                                                "",
                                                "Undo",
                                                "Redo",
                                                "",
                                                "Export List..."};
}

void tst_menus::menuItemsInOrder()
{
    QFETCH(int, list);
    QFETCH(QStringList, captions);
    MenuFixture menus;
    menus.rightClick(list);
    QVERIFY(menus.menuOf(list)->isVisible());
    QStringList shown;
    for (const QAction* action : menus.menuOf(list)->actions())
        shown << (action->isSeparator() ? QString() : action->text());
    menus.menuOf(list)->hide();
    QCOMPARE(shown, captions);
    // Three full stops, never the one ellipsis character.
    QVERIFY(!shown.join(QString()).contains(QChar(0x2026)));
}

void tst_menus::menuOpens_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<int>("key"); // 0 for a right-click
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("opens");
    for (int list : {1, 2}) {
        QTest::addRow("ListView%d Menu key", list) << list << int(Qt::Key_Menu) << 0 << true;
        QTest::addRow("ListView%d Shift+F10", list) << list << int(Qt::Key_F10) << int(Qt::ShiftModifier) << true;
        QTest::addRow("ListView%d F10 alone", list) << list << int(Qt::Key_F10) << 0 << false;
        QTest::addRow("ListView%d right-click", list) << list << 0 << 0 << true;
    }
}

void tst_menus::menuOpens()
{
    QFETCH(int, list);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, opens);
    MenuFixture menus;
    QTableView* view = menus.list(list);
    if (key == 0) {
        menus.rightClick(list);
    } else {
        view->setFocus();
        QTest::keyClick(view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    }
    QCOMPARE(menus.menuOf(list)->isVisible(), opens);
    QCOMPARE(menus.menuOf(3 - list)->isVisible(), false);
    menus.menuOf(list)->hide();
}

void tst_menus::listKeysRestWhileItsMenuIsOpen_data()
{
    QTest::addColumn<int>("list");
    QTest::newRow("folder list") << 1;
    QTest::newRow("result list") << 2;
}

// The list keeps the focus beneath its open menu, but the keys are the menu's then.
void tst_menus::listKeysRestWhileItsMenuIsOpen()
{
    QFETCH(int, list);
    MenuFixture menus;
    menus.search();
    QTableView* view = menus.list(list);
    view->selectRow(0);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Menu);
    QMenu* menu = menus.menuOf(list);
    QVERIFY(menu->isVisible());
    const QPoint at = menu->pos();
    for (const Qt::Key key : {Qt::Key_Delete, Qt::Key_Menu})
        QTest::keyClick(menu, key);
    QVERIFY(menu->isVisible());
    QCOMPARE(menu->pos(), at);
    QCOMPARE(view->model()->rowCount(), 1);
    menu->hide();
}

void tst_menus::itemsAreChosenByKeyboard_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<QList<int>>("keys"); // in the open menu
    QTest::addColumn<QStringList>("folders");
    QTest::newRow("Skip a Folder...") << 1 << QList<int>{Qt::Key_Down, Qt::Key_Return}
                                      << QStringList{"%1", "-/srv/build"};
    QTest::newRow("Skip Folders Named...")
        << 1 << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Return} << QStringList{"%1", "-node_modules"};
    QTest::newRow("Escape") << 1 << QList<int>{Qt::Key_Down, Qt::Key_Escape} << QStringList{"%1"};
    // Undo and Redo are greyed, so the keys pass over them.
    QTest::newRow("Copy Ticked as Files")
        << 2 << QList<int>{Qt::Key_Up, Qt::Key_Up, Qt::Key_Return} << QStringList{"%1"};
    QTest::newRow("Export List...") << 2 << QList<int>{Qt::Key_Up, Qt::Key_Return} << QStringList{"%1"};
}

void tst_menus::itemsAreChosenByKeyboard()
{
    QFETCH(int, list);
    QFETCH(QList<int>, keys);
    QFETCH(QStringList, folders);
    MenuFixture menus;
    menus.search();
    menus.form->resultList().setChecked(0, true);
    const QString caption = QString::fromLatin1(QTest::currentDataTag());
    if (caption.startsWith(QLatin1String("Skip a")))
        menus.desktop.expectFolderPick(QStringLiteral("/srv/build"));
    else if (caption.startsWith(QLatin1String("Skip Folders")))
        menus.desktop.expectInput(QStringLiteral("Skip every folder named: "), QStringLiteral("node_modules"));
    else if (caption.startsWith(QLatin1String("Export")))
        menus.desktop.expectSaveFile(QString());
    QTableView* view = menus.list(list);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Menu);
    QMenu* menu = menus.menuOf(list);
    QVERIFY(menu->isVisible());
    for (int key : keys)
        QTest::keyClick(menu, Qt::Key(key));
    QVERIFY(!menu->isVisible());
    QCOMPARE(menus.folderEntries(), folders.replaceInStrings(QStringLiteral("%1"), menus.walked.path()));
    QCOMPARE(menus.desktop.clipboardData.contains(QStringLiteral("text/uri-list")),
             caption == QLatin1String("Copy Ticked as Files"));
}

// The item follows its line's lookup (every kind of line is in tst_handover); chosen, it hands the line on.
void tst_menus::openContainingFolder_data()
{
    QTest::addColumn<QString>("line"); // %1 is the folder
    QTest::addColumn<bool>("shown");   // else greyed
    QTest::newRow("a full path") << "%1/sub/a.txt" << true;
    QTest::newRow("a name") << "a.txt" << false;
}

void tst_menus::openContainingFolder()
{
    QFETCH(QString, line);
    QFETCH(bool, shown);
    MenuFixture menus;
    const QByteArray path = QFile::encodeName(line.arg(menus.walked.path()));
    menus.form->resultList().append(path);
    menus.form->resultList().showPendingLines();
    QTableView* view = menus.list(2);
    view->selectRow(0);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Menu);
    QAction* open = menus.command(2, QStringLiteral("Open Containing Folder"));
    QCOMPARE(open->isEnabled(), shown);
    if (open->isEnabled())
        open->trigger();
    menus.menuOf(2)->hide();
    QCOMPARE(menus.desktop.shownInFileManager, shown ? QByteArrayList{path} : QByteArrayList{});
}

void tst_menus::resultLinesAreDraggedAsCopies()
{
    MenuFixture menus;
    QTableView* results = controlOf<QTableView>(*menus.form, "ListView2");
    QVERIFY(results->dragEnabled());
    QCOMPARE(results->dragDropMode(), QAbstractItemView::DragOnly);
    QCOMPARE(results->defaultDropAction(), Qt::CopyAction);
    QCOMPARE(results->model()->supportedDragActions(), Qt::DropActions(Qt::CopyAction));
    // Folders are still dropped onto the folder list, and nothing onto the results.
    QVERIFY(controlOf<QTableView>(*menus.form, "ListView1")->acceptDrops());
    QVERIFY(!results->acceptDrops());
}

QTEST_MAIN(tst_menus)
#include "tst_menus.moc"
