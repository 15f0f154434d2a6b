#include "app/SaveFileDialog.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class tst_savedialog : public QObject {
    Q_OBJECT
private slots:
    void typedPaths_data();
    void typedPaths();
};

void tst_savedialog::typedPaths_data()
{
    QTest::addColumn<QStringList>("typed"); // each followed by Return; %1 is the folder
    QTest::addColumn<QString>("chosen");
    QTest::newRow("a name") << QStringList{"list.txt"} << "%1/list.txt";
    QTest::newRow("a full path") << QStringList{"%1/sub/list.txt"} << "%1/sub/list.txt";
    QTest::newRow("a folder is gone into") << QStringList{"sub", "list.txt"} << "%1/sub/list.txt";
    QTest::newRow("a folder that is not there yet") << QStringList{"new/list.txt"} << "%1/new/list.txt";
}

void tst_savedialog::typedPaths()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, chosen);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("sub")));
    SaveFileDialog dialog(nullptr, QStringLiteral("Save"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDirectory(dir.path());
    dialog.stopLookingAtTypedPaths();
    auto* const edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit != nullptr);
    // Nothing looks at the disk while a path is typed.
    QVERIFY(edit->completer() == nullptr);
    QPushButton* const save = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save);
    QTimer::singleShot(0, &dialog, [&] {
        for (const QString& text : std::as_const(typed)) {
            edit->setText(QString(text).replace(QStringLiteral("%1"), dir.path()));
            QVERIFY(save->isEnabled());
            QTest::keyClick(edit, Qt::Key_Return);
        }
        if (dialog.isVisible())
            dialog.reject();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(dialog.chosenPath(), chosen.arg(dir.path()));
}

QTEST_MAIN(tst_savedialog)
#include "tst_savedialog.moc"
