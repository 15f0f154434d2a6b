#include "FakeDesktop.h"
#include "StepTrap.h"
#include "folders/FolderListActions.h"
#include "folders/FolderListModel.h"

#include <QtTest>

namespace {

const QString Location = QStringLiteral("in Tests.Handler ");

// The folder-list actions over a stored last folder, a pointer and a phrase
// box of plain values, in a program folder of their own.
struct FolderHarness {
    explicit FolderHarness(QString* storedLastFolder = nullptr)
        : lastFolder(storedLastFolder ? *storedLastFolder : ownLastFolder),
          actions(desktop, list, programFolder,
                  FolderListHooks{[this] { return lastFolder; }, [this](const QString& folder) { lastFolder = folder; },
                                  [this](PointerState state) { pointer = state; },
                                  [this](const QString& text) { phrase = text; }})
    {
    }

    QStringList entries() const
    {
        QStringList all;
        for (qsizetype entry = 0; entry < list.entryCount(); ++entry)
            all << list.entry(entry);
        return all;
    }

    FakeDesktop desktop;
    FolderListModel list;
    QString programFolder = QStringLiteral("/opt/scrivlist");
    QString ownLastFolder;
    QString& lastFolder;
    PointerState pointer = PointerState::Arrow;
    QString phrase = QStringLiteral(".doc");
    StepTrap trap{desktop, Location};
    FolderListActions actions;
};

} // namespace

class tst_folders : public QObject {
    Q_OBJECT
private slots:
    void addFolder_data();
    void addFolder();
    void pickerOpensAtTheLastFolder();
    void sampleFolder_data();
    void sampleFolder();
};

void tst_folders::addFolder_data()
{
    QTest::addColumn<QStringList>("picked"); // one click each; empty is Cancel
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<PointerState>("pointer");
    // The pointer starts as the arrow, so "untouched" can be told from "reset".
    QTest::newRow("cancel") << QStringList{""} << QStringList{} << PointerState::Arrow;
    QTest::newRow("a folder") << QStringList{"/srv/data"} << QStringList{"/srv/data"} << PointerState::Default;
    QTest::newRow("normalised") << QStringList{"/srv//data"} << QStringList{"/srv/data"} << PointerState::Default;
    QTest::newRow("the root") << QStringList{"/"} << QStringList{"/"} << PointerState::Default;
    QTest::newRow("twice the same") << QStringList{"/srv", "/srv"} << QStringList{"/srv", "/srv"}
                                    << PointerState::Default;
}

void tst_folders::addFolder()
{
    QFETCH(QStringList, picked);
    QFETCH(QStringList, entries);
    QFETCH(PointerState, pointer);
    FolderHarness folders;
    for (const QString& answer : picked) {
        folders.desktop.expectFolderPick(answer);
        folders.actions.addPickedFolder(folders.trap);
    }
    QCOMPARE(folders.entries(), entries);
    QCOMPARE(folders.pointer, pointer);
    QCOMPARE(folders.desktop.lastPickFolderPrompt, QStringLiteral("Please select folder:"));
    QVERIFY(folders.desktop.problems().isEmpty());
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
        QVERIFY(folders.desktop.problems().isEmpty());
    }
    FolderHarness restarted(&stored);
    restarted.desktop.expectFolderPick(QString());
    restarted.actions.addPickedFolder(restarted.trap);
    QCOMPARE(restarted.desktop.lastPickFolderInitial, QStringLiteral("/srv/data"));
    QVERIFY(restarted.desktop.problems().isEmpty());
}

void tst_folders::sampleFolder_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << true;
    QTest::newRow("No") << false;
}

void tst_folders::sampleFolder()
{
    QFETCH(bool, yes);
    FolderHarness folders;
    const QString question = QStringLiteral("Would you like this software to open the folder where these sample files "
                                            "are stored (so that you can view them before working with them)?");
    for (int click = 0; click < 2; ++click) {
        folders.desktop.expectQuestion(question, yes);
        folders.actions.addSampleFolder(folders.trap);
    }
    const QString entry = folders.programFolder + QStringLiteral("/Samples");
    QCOMPARE(folders.list.entryCount(), 2);
    QCOMPARE(folders.list.entry(1), entry);
    QCOMPARE(folders.desktop.opened, yes ? QStringList(2, entry + QLatin1Char('/')) : QStringList());
    QCOMPARE(folders.phrase, QStringLiteral("ple1.t"));
    // The pointer is not this action's to touch.
    QCOMPARE(folders.pointer, PointerState::Arrow);
    QVERIFY(folders.desktop.problems().isEmpty());
}

QTEST_MAIN(tst_folders)
#include "tst_folders.moc"
