#include "tests/support/FakeDesktop.h"

#include <QMimeData>
#include <QTest>

namespace {

const char* kindName(FakeDesktop::Kind kind)
{
    switch (kind) {
    case FakeDesktop::Kind::Message:
        return "message";
    case FakeDesktop::Kind::Question:
        return "question";
    case FakeDesktop::Kind::Error:
        return "error box";
    case FakeDesktop::Kind::Input:
        return "input box";
    case FakeDesktop::Kind::PickFolder:
        return "folder picker";
    case FakeDesktop::Kind::PickSaveFile:
        return "save dialog";
    }
    return "?";
}

} // namespace

FakeDesktop::~FakeDesktop()
{
    // A test that already failed has said what went wrong first.
    const QStringList found = problems();
    if (found.isEmpty() || QTest::currentTestFunction() == nullptr || QTest::currentTestFailed())
        return;
    QTest::qFail(qPrintable(QStringLiteral("the desktop did not show what the test scripted:\n")
                            + found.join(QLatin1Char('\n'))),
                 __FILE__, __LINE__);
}

void FakeDesktop::expectMessage(const QString& text, std::function<void()> whileShown)
{
    expect({Kind::Message, text, true, {}, std::move(whileShown)});
}

void FakeDesktop::expectError(std::optional<QString> text)
{
    expect({Kind::Error, std::move(text), true, {}, {}});
}

void FakeDesktop::expectQuestion(const QString& text, bool yes)
{
    expect({Kind::Question, text, yes, {}, {}});
}

void FakeDesktop::expectInput(const QString& prompt, const QString& answer)
{
    expect({Kind::Input, prompt, true, answer, {}});
}

void FakeDesktop::expectFolderPick(const QString& answer)
{
    expect({Kind::PickFolder, std::nullopt, true, answer, {}});
}

void FakeDesktop::expectSaveFile(const QString& answer, int nameFilter)
{
    expect({Kind::PickSaveFile, std::nullopt, true, answer, {}, nameFilter});
}

QStringList FakeDesktop::problems() const
{
    QStringList all = unexpected_;
    for (const Expected& pending : script_)
        all << QStringLiteral("expected %1 never came: %2")
                   .arg(QLatin1String(kindName(pending.kind)), pending.text.value_or(QStringLiteral("(any)")));
    return all;
}

QStringList FakeDesktop::shownTexts(Kind kind) const
{
    QStringList texts;
    for (const Shown& item : shown_)
        if (item.kind == kind)
            texts << item.text;
    return texts;
}

std::optional<FakeDesktop::Expected> FakeDesktop::take(Kind kind, const QString& text, const QString& details)
{
    shown_.append({kind, text, details});
    if (script_.empty() || script_.front().kind != kind || script_.front().text.value_or(text) != text) {
        unexpected_ << QStringLiteral("unexpected %1: %2").arg(QLatin1String(kindName(kind)), text);
        return std::nullopt;
    }
    Expected expected = std::move(script_.front());
    script_.pop_front();
    if (expected.whileShown)
        expected.whileShown();
    return expected;
}

void FakeDesktop::message(const QString& text)
{
    take(Kind::Message, text);
}

void FakeDesktop::messageWithDetails(const QString& text, const QString& details)
{
    take(Kind::Message, text, details);
}

bool FakeDesktop::askYesNo(const QString& text)
{
    const auto expected = take(Kind::Question, text);
    return expected && expected->yes;
}

void FakeDesktop::errorBox(const QString& text)
{
    take(Kind::Error, text);
}

QString FakeDesktop::inputText(const QString& prompt)
{
    const auto expected = take(Kind::Input, prompt);
    return expected ? expected->answer : QString();
}

QString FakeDesktop::pickFolder(const QString& prompt, const QString& initialFolder)
{
    lastPickFolderPrompt = prompt;
    lastPickFolderInitial = initialFolder;
    const auto expected = take(Kind::PickFolder, prompt);
    return expected ? expected->answer : QString();
}

SaveDialogChoice FakeDesktop::pickSaveFile(const SaveDialogSettings& settings)
{
    lastSaveDialog = settings;
    const auto expected = take(Kind::PickSaveFile, settings.title);
    return expected ? SaveDialogChoice{expected->answer, expected->nameFilter} : SaveDialogChoice{};
}

bool FakeDesktop::openExternally(const QString& urlOrFolder)
{
    opened << urlOrFolder;
    return openSucceeds;
}

bool FakeDesktop::tryClearClipboard()
{
    ++clearAttempts;
    if (clearFailuresLeft > 0) {
        --clearFailuresLeft;
        return false;
    }
    clipboard = QString();
    return true;
}

bool FakeDesktop::trySetClipboardText(const QString& text)
{
    ++setAttempts;
    if (setFailuresLeft > 0) {
        --setFailuresLeft;
        return false;
    }
    clipboard = text;
    return true;
}

void FakeDesktop::yieldToEventLoop()
{
    ++yields;
    if (onYield)
        onYield(yields);
}

void FakeDesktop::showInFileManager(const QByteArray& path)
{
    shownInFileManager << path;
}

bool FakeDesktop::trySetClipboardData(const QMimeData& data)
{
    ++setDataAttempts;
    if (setDataFailuresLeft > 0) {
        --setDataFailuresLeft;
        return false;
    }
    clipboardData.clear();
    for (const QString& format : data.formats())
        clipboardData.insert(format, data.data(format));
    return true;
}
