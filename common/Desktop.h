#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QMimeData;

// What the save dialog is asked for; mapped onto the platform dialog by the
// real desktop and inspected by tests.
struct SaveDialogSettings {
    QString title;
    QStringList nameFilters; // the first one is selected
    QString fileName;        // the name box starts with this
};

// What the save dialog gave: the path, empty on Cancel, and the name filter
// chosen, by its place among the ones asked for.
struct SaveDialogChoice {
    QString path;
    int nameFilter = 0;
};

// The one seam between the program and everything that blocks or leaves the
// process: boxes, dialogs, the desktop's handlers, the clipboard, the event
// loop and the end of the program. Tests replace it with a scripted fake.
class Desktop {
public:
    virtual ~Desktop() = default;

    // Plain OK box, no icon, application title.
    virtual void message(const QString& text) = 0;
    // The same, with details behind "Show Details..." when there are any:
    // the box keeps the size of its text however long they are.
    virtual void messageWithDetails(const QString& text, const QString& details) = 0;
    // Yes/No box, no icon, application title, Yes is the default.
    virtual bool askYesNo(const QString& text) = 0;
    // "Application Error", warning icon, OK.
    virtual void errorBox(const QString& text) = 0;
    // Text input box with the application title; empty on Cancel.
    virtual QString inputText(const QString& prompt) = 0;
    // Folder picker; empty on Cancel.
    virtual QString pickFolder(const QString& prompt, const QString& initialFolder) = 0;
    virtual SaveDialogChoice pickSaveFile(const SaveDialogSettings& settings) = 0;
    // Hands a web address or a local folder to the desktop without waiting.
    // False when the desktop refused it.
    virtual bool openExternally(const QString& urlOrFolder) = 0;
    // One attempt each; false when the clipboard could not be had.
    virtual bool tryClearClipboard() = 0;
    virtual bool trySetClipboardText(const QString& text) = 0;
    // Places data in several formats at once; one attempt, false on failure.
    virtual bool trySetClipboardData(const QMimeData& data) = 0;
    // Asks the file manager to show this file or folder selected, or at least
    // to open the folder that holds it. Never waits and reports nothing.
    virtual void showInFileManager(const QByteArray& path) = 0;
    // Lets pending window events run. Called very often by long work; the
    // real one only processes events when a few milliseconds have passed.
    virtual void yieldToEventLoop() = 0;
    // Ends the program at once, also from inside a nested yield.
    virtual void endProgram() = 0;
};
