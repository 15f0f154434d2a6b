#pragma once

#include "app/KindIconProvider.h"
#include "common/Desktop.h"

#include <QtGlobal>

class QFileDialog;
class QWidget;

// The real desktop: Qt's boxes and dialogs, the desktop's URL handler, the
// file manager over the session bus, the system clipboard and the event loop.
class QtDesktop : public Desktop {
public:
    // Boxes and dialogs are centred over this window.
    void setOwner(QWidget* owner) { owner_ = owner; }

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
    bool trySetClipboardData(const QMimeData& data) override;
    void showInFileManager(const QByteArray& path) override;
    void yieldToEventLoop() override;
    [[noreturn]] void endProgram() override;

private:
    QString chosenPath(QFileDialog& dialog);

    QWidget* owner_ = nullptr;
    KindIconProvider iconProvider_;
    qint64 lastYieldMs_ = 0;
};

// Message texts break lines at CR LF and at a lone CR; Qt's labels want LF.
QString withLineFeeds(const QString& text);
