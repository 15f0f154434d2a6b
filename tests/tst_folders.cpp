#include "common/StepTrap.h"
#include "folders/FolderListActions.h"
#include "folders/FolderListModel.h"
#include "folders/SkipEntries.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/FolderHarness.h"

#include <QtTest>

class tst_folders : public QObject {
    Q_OBJECT
private slots:
    void pickedFolder_data();
    void pickedFolder();
    void pickerOpensAtTheLastFolder();
    void skipFoldersNamed_data();
    void skipFoldersNamed();
    void readSkipEntry_data();
    void readSkipEntry();
};

void tst_folders::pickedFolder_data()
{
    QTest::addColumn<bool>("skip");          // a folder to skip rather than to search
    QTest::addColumn<QStringList>("picked"); // one click each; empty is Cancel
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("lastFolder"); // from "/srv"
    QTest::addColumn<PointerState>("pointer");
    // The pointer starts as the arrow, so "untouched" can be told from "reset".
    const PointerState set = PointerState::Default;
    QTest::newRow("cancel") << false << QStringList{""} << QStringList{} << "/srv" << PointerState::Arrow;
    QTest::newRow("a folder") << false << QStringList{"/srv/data"} << QStringList{"/srv/data"} << "/srv/data" << set;
    QTest::newRow("normalised") << false << QStringList{"/srv//data"} << QStringList{"/srv/data"} << "/srv//data"
                                << set;
    QTest::newRow("the root") << false << QStringList{"/"} << QStringList{"/"} << "/" << set;
    QTest::newRow("twice the same") << false << QStringList{"/srv", "/srv"} << QStringList{"/srv", "/srv"} << "/srv"
                                    << set;
    QTest::newRow("skip, cancel") << true << QStringList{""} << QStringList{} << "/srv" << PointerState::Arrow;
    QTest::newRow("skip, a folder") << true << QStringList{"/srv/src/build"} << QStringList{"-/srv/src/build"}
                                    << "/srv/src/build" << set;
    QTest::newRow("skip, normalised") << true << QStringList{"/srv//src"} << QStringList{"-/srv/src"} << "/srv//src"
                                      << set;
}

void tst_folders::pickedFolder()
{
    QFETCH(bool, skip);
    QFETCH(QStringList, picked);
    QFETCH(QStringList, entries);
    QFETCH(QString, lastFolder);
    QFETCH(PointerState, pointer);
    FolderHarness folders;
    folders.lastFolder = QStringLiteral("/srv");
    for (const QString& answer : picked) {
        folders.desktop.expectFolderPick(answer);
        skip ? folders.actions.addSkippedFolder(folders.trap) : folders.actions.addPickedFolder(folders.trap);
    }
    QCOMPARE(folders.entries(), entries);
    QCOMPARE(folders.desktop.lastPickFolderPrompt,
             skip ? QStringLiteral("Please select folder to skip:") : QStringLiteral("Please select folder:"));
    // The picker opens where the user last was.
    QCOMPARE(folders.desktop.lastPickFolderInitial, QStringLiteral("/srv"));
    QCOMPARE(folders.lastFolder, lastFolder);
    QCOMPARE(folders.pointer, pointer);
}

void tst_folders::pickerOpensAtTheLastFolder()
{
    QString stored;
    {
        FolderHarness folders(&stored);
        folders.desktop.expectFolderPick(QStringLiteral("/srv/data"));
        folders.actions.addPickedFolder(folders.trap);
        QCOMPARE(folders.desktop.lastPickFolderInitial, QString());
        // Cancel keeps what was stored; a restart still opens where the user was.
        folders.desktop.expectFolderPick(QString());
        folders.actions.addPickedFolder(folders.trap);
    }
    FolderHarness restarted(&stored);
    restarted.desktop.expectFolderPick(QString());
    restarted.actions.addPickedFolder(restarted.trap);
    QCOMPARE(restarted.desktop.lastPickFolderInitial, QStringLiteral("/srv/data"));
}

void tst_folders::skipFoldersNamed_data()
{
    QTest::addColumn<QString>("answer"); // empty is Cancel or an empty answer
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("message"); // empty for none
    const QString notAName =
        QStringLiteral("\"%1\" is not a folder name: a folder name has no \"/\" in it and is not \".\" or \"..\".");
    QTest::newRow("cancel") << "" << QStringList{} << "";
    QTest::newRow("a name") << "node_modules" << QStringList{"-node_modules"} << "";
    QTest::newRow("a hidden name") << ".git" << QStringList{"-.git"} << "";
    QTest::newRow("case and spaces kept") << " My Build " << QStringList{"- My Build "} << "";
    QTest::newRow("a name with a minus") << "-old" << QStringList{"--old"} << "";
    QTest::newRow("a path is no name") << "src/build" << QStringList{} << notAName.arg("src/build");
    QTest::newRow("dot dot") << ".." << QStringList{} << notAName.arg("..");
}

void tst_folders::skipFoldersNamed()
{
    QFETCH(QString, answer);
    QFETCH(QStringList, entries);
    QFETCH(QString, message);
    FolderHarness folders;
    folders.list.append(QStringLiteral("/srv"));
    folders.desktop.expectInput(QStringLiteral("Skip every folder named: "), answer);
    if (!message.isEmpty())
        folders.desktop.expectMessage(message);
    folders.actions.addSkippedName(folders.trap);
    QCOMPARE(folders.entries(), QStringList{"/srv"} + entries);
    QCOMPARE(folders.pointer, PointerState::Arrow);
}

void tst_folders::readSkipEntry_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("kind"); // -1 for an entry that is walked
    QTest::addColumn<QString>("target");
    QTest::newRow("a folder") << "/srv/src" << -1 << "";
    QTest::newRow("a skipped path") << "-/srv/src/build" << int(SkipEntry::Kind::Folder) << "/srv/src/build";
    QTest::newRow("the root") << "-/" << int(SkipEntry::Kind::Folder) << "/";
    QTest::newRow("a skipped name") << "-node_modules" << int(SkipEntry::Kind::Name) << "node_modules";
    QTest::newRow("a name with a minus") << "--old" << int(SkipEntry::Kind::Name) << "-old";
}

void tst_folders::readSkipEntry()
{
    QFETCH(QString, entry);
    QFETCH(int, kind);
    QFETCH(QString, target);
    const std::optional<SkipEntry> skip = ::readSkipEntry(entry);
    QCOMPARE(skip.has_value(), kind >= 0);
    if (skip) {
        QCOMPARE(int(skip->kind), kind);
        QCOMPARE(skip->target, target);
        QCOMPARE(skipEntryFor(skip->target), entry);
    }
    FolderListModel list;
    list.append(entry);
    list.append(QStringLiteral("/srv"));
    QCOMPARE(walkedEntryCount(list), kind >= 0 ? 1 : 2);
}

QTEST_MAIN(tst_folders)
#include "tst_folders.moc"
