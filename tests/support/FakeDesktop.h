#pragma once

#include "common/Desktop.h"

#include <QByteArrayList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

// A scripted desktop for tests. Every box, question, input and picker must
// be announced with expect(); one that appears unannounced, or with another
// text, and one announced that never came, fail the running test when the
// fake goes away, whether or not the test looked at problems().
class FakeDesktop : public Desktop {
public:
    FakeDesktop() = default;
    FakeDesktop(const FakeDesktop&) = delete;
    FakeDesktop& operator=(const FakeDesktop&) = delete;
    ~FakeDesktop() override;

    enum class Kind { Message, Question, Error, Input, PickFolder, PickSaveFile };

    struct Expected {
        Kind kind;
        std::optional<QString> text;      // checked when set
        bool yes = true;                  // the answer to a question
        QString answer;                   // the answer to an input or picker
        std::function<void()> whileShown; // runs while the box is up
        int nameFilter = 0;               // the one chosen in a save dialog
    };

    struct Shown {
        Kind kind;
        QString text;
        QString details; // of a message
    };

    void expect(Expected expected) { script_.push_back(std::move(expected)); }
    void expectMessage(const QString& text, std::function<void()> whileShown = {});
    void expectError(std::optional<QString> text = std::nullopt);
    void expectQuestion(const QString& text, bool yes);
    void expectInput(const QString& prompt, const QString& answer);
    void expectFolderPick(const QString& answer);
    void expectSaveFile(const QString& answer, int nameFilter = 0);

    // Problems found so far: unannounced boxes and announced ones that never came.
    QStringList problems() const;

    const QList<Shown>& shown() const { return shown_; }
    QStringList shownTexts(Kind kind) const;

    // Recorded details of the last dialogs.
    QString lastPickFolderPrompt;
    QString lastPickFolderInitial;
    SaveDialogSettings lastSaveDialog;

    // Desktop handlers.
    QStringList opened;
    bool openSucceeds = true;

    // The clipboard: attempts fail while these counters are above zero.
    std::optional<QString> clipboard;
    int clearFailuresLeft = 0;
    int setFailuresLeft = 0;
    int clearAttempts = 0;
    int setAttempts = 0;

    // Called at every yield with its running count, from 1.
    std::function<void(long long)> onYield;
    long long yields = 0;

    bool programEnded = false;

    void message(const QString& text) override;
    void messageWithDetails(const QString& text, const QString& details) override;
    bool askYesNo(const QString& text) override;
    void errorBox(const QString& text) override;
    QString inputText(const QString& prompt) override;
    QString pickFolder(const QString& prompt, const QString& initialFolder) override;
    SaveDialogChoice pickSaveFile(const SaveDialogSettings& settings) override;
    bool openExternally(const QString& urlOrFolder) override;
    bool tryClearClipboard() override;
    bool trySetClipboardText(const QString& text) override;
    void yieldToEventLoop() override;
    void endProgram() override { programEnded = true; }

    // Handing results to other programs: the file manager and clipboard data.
    QByteArrayList shownInFileManager;
    QMap<QString, QByteArray> clipboardData; // each format of the last data placed
    int setDataFailuresLeft = 0;
    int setDataAttempts = 0;
    void showInFileManager(const QByteArray& path) override;
    bool trySetClipboardData(const QMimeData& data) override;

private:
    std::optional<Expected> take(Kind kind, const QString& text, const QString& details = {});

    std::deque<Expected> script_;
    QList<Shown> shown_;
    QStringList unexpected_;
};
