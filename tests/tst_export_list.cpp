#include "FakeDesktop.h"
#include "ResultLists.h"
#include "StepTrap.h"
#include "results/ResultExport.h"
#include "results/ResultModel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Lines = QList<QByteArray>;

const QString Location = QStringLiteral("in Tests.Export ");
const QByteArray OldBytes("an old list\n");

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// Export List... over a folder that holds an old file, as the menu runs it.
struct Export {
    explicit Export(const Lines& lines)
    {
        QFile old(oldPath());
        if (!old.open(QIODevice::WriteOnly) || old.write(OldBytes) != OldBytes.size())
            qFatal("cannot prepare the folder");
        for (const QByteArray& line : lines)
            list.append(line);
    }

    QString oldPath() const { return folder.filePath(QStringLiteral("old.txt")); }

    void run(const ReplacingFileOpener& open = openReplacingFile)
    {
        StepTrap trap(desktop, Location);
        const auto notePointer = [this](PointerState pointer) { pointers << pointer; };
        exportList(trap, desktop, list, notePointer, open);
    }

    QTemporaryDir folder;
    FakeDesktop desktop;
    ResultModel list;
    QList<PointerState> pointers;
};

} // namespace

class tst_export_list : public QObject {
    Q_OBJECT
private slots:
    void writesTheChosenForm_data();
    void writesTheChosenForm();
    void asksAndFailsAsTheSaveDoes_data();
    void asksAndFailsAsTheSaveDoes();
    void editWhileWritingGivesTheListOfOneMomentOrFails_data();
    void editWhileWritingGivesTheListOfOneMomentOrFails();
};

void tst_export_list::writesTheChosenForm_data()
{
    QTest::addColumn<int>("nameFilter");
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<QByteArray>("bytes");
    const Lines two{"/d/a.txt", "/d/b c.txt"};
    QTest::newRow("LF") << 0 << two << QByteArray("/d/a.txt\n/d/b c.txt\n");
    QTest::newRow("NUL") << 1 << two << QByteArray("/d/a.txt\0/d/b c.txt\0", 20);
    QTest::newRow("playlist") << 2 << two << QByteArray("#EXTM3U\n/d/a.txt\n/d/b c.txt\n");
    QTest::newRow("LF, empty list") << 0 << Lines{} << QByteArray();
    QTest::newRow("NUL, empty list") << 1 << Lines{} << QByteArray();
    QTest::newRow("playlist, empty list") << 2 << Lines{} << QByteArray("#EXTM3U\n");
    QTest::newRow("NUL keeps a line break in a name")
        << 1 << Lines{"/d/two\nlines", "/d/x"} << QByteArray("/d/two\nlines\0/d/x\0", 18);
    QTest::newRow("playlist, not UTF-8 as its bytes")
        << 2 << Lines{"/d/caf\xe9.ogg"} << QByteArray("#EXTM3U\n/d/caf\xe9.ogg\n");
    QTest::newRow("duplicates in list order") << 0 << Lines{"b", "a", "b"} << QByteArray("b\na\nb\n");
    // Several pieces on the way to the file, the first one after the header.
    Lines many;
    QByteArray manyBytes("#EXTM3U\n");
    for (int i = 0; i < 100000; ++i) {
        many << QByteArray::number(i).rightJustified(30, '-');
        manyBytes += many.back() + '\n';
    }
    QTest::newRow("playlist of three megabytes") << 2 << many << manyBytes;
}

void tst_export_list::writesTheChosenForm()
{
    QFETCH(int, nameFilter);
    QFETCH(Lines, lines);
    QFETCH(QByteArray, bytes);
    Export exported(lines);
    const QString path = exported.folder.filePath(QStringLiteral("list"));
    exported.desktop.expectSaveFile(path, nameFilter);

    exported.run();

    QCOMPARE(contents(path), bytes);
    QCOMPARE(exported.pointers, (QList<PointerState>{PointerState::Busy, PointerState::Default}));
    const SaveDialogSettings& dialog = exported.desktop.lastSaveDialog;
    QCOMPARE(dialog.title, QStringLiteral("Export"));
    QCOMPARE(dialog.nameFilters, (QStringList{"Lines ending in LF (*.txt)", "Lines ending in NUL, for xargs -0 (*)",
                                              "M3U playlist (*.m3u8)"}));
    QCOMPARE(dialog.fileName, QString());
    QVERIFY2(exported.desktop.problems().isEmpty(), qPrintable(exported.desktop.problems().join('\n')));
}

void tst_export_list::asksAndFailsAsTheSaveDoes_data()
{
    QTest::addColumn<QString>("name");  // empty for Cancel
    QTest::addColumn<bool>("yes");      // to the overwrite question
    QTest::addColumn<QString>("error"); // {path} stands for the chosen path
    QTest::addColumn<QByteArray>("oldBytes");
    QTest::newRow("cancel") << "" << true << "" << OldBytes;
    QTest::newRow("replace: no") << "old.txt" << false << "" << OldBytes;
    QTest::newRow("replace: yes") << "old.txt" << true << "" << QByteArray("one\n");
    QTest::newRow("missing folder") << "missing/list.txt" << true << "No such file or directory: {path}" << OldBytes;
}

void tst_export_list::asksAndFailsAsTheSaveDoes()
{
    QFETCH(QString, name);
    QFETCH(bool, yes);
    QFETCH(QString, error);
    QFETCH(QByteArray, oldBytes);
    Export exported({"one"});
    const QString path = name.isEmpty() ? QString() : exported.folder.filePath(name);
    exported.desktop.expectSaveFile(path);
    if (name == QLatin1String("old.txt"))
        exported.desktop.expectQuestion(
            QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"), yes);
    if (!error.isEmpty())
        exported.desktop.expectError(
            StepTrap::composeText(error.replace(QLatin1String("{path}"), path), Location, 130));

    exported.run();

    QCOMPARE(contents(exported.oldPath()), oldBytes);
    const QStringList entries =
        QDir(exported.folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(entries, QStringList{"old.txt"});
    QVERIFY2(exported.desktop.problems().isEmpty(), qPrintable(exported.desktop.problems().join('\n')));
}

void tst_export_list::editWhileWritingGivesTheListOfOneMomentOrFails_data()
{
    QTest::addColumn<int>("edit");
    QTest::addColumn<QByteArray>("bytes"); // the old ones after a failure
    QTest::newRow("a search appends") << int(ListEdit::Append) << QByteArray("a\nb\nredo takes me\n");
    QTest::newRow("Undo") << int(ListEdit::Undo) << OldBytes;
    QTest::newRow("Clear Results") << int(ListEdit::Clear) << OldBytes;
}

void tst_export_list::editWhileWritingGivesTheListOfOneMomentOrFails()
{
    QFETCH(int, edit);
    QFETCH(QByteArray, bytes);
    Export exported({"a", "b"});
    giveHistory(exported.list);
    exported.desktop.expectSaveFile(exported.oldPath());
    exported.desktop.expectQuestion(
        QStringLiteral("Are you sure you wish to overwrite ") + exported.oldPath() + QStringLiteral(" ?"), true);
    if (bytes == OldBytes)
        exported.desktop.expectError(StepTrap::composeText(QStringLiteral("Index out of bounds"), Location, 136));
    EditWhileWriting whileWriting;

    exported.run(whileWriting.arm(exported.desktop, exported.list, ListEdit(edit), openReplacingFile));

    QVERIFY(whileWriting.edited);
    QCOMPARE(contents(exported.oldPath()), bytes);
    QVERIFY2(exported.desktop.problems().isEmpty(), qPrintable(exported.desktop.problems().join('\n')));
}

QTEST_MAIN(tst_export_list)
#include "tst_export_list.moc"
