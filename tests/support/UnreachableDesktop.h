#pragma once

#include "common/Failure.h"
#include "tests/support/FakeDesktop.h"

// A desktop whose boxes, dialogs and web handler are all out of reach, as
// when the session cannot show them: each fails its caller. Only the error
// box still shows, scripted as on the fake.
class UnreachableDesktop : public FakeDesktop {
public:
    void message(const QString&) override { throw unreachable(); }
    void messageWithDetails(const QString&, const QString&) override { throw unreachable(); }
    bool askYesNo(const QString&) override { throw unreachable(); }
    QString inputText(const QString&) override { throw unreachable(); }
    QString pickFolder(const QString&, const QString&) override { throw unreachable(); }
    SaveDialogChoice pickSaveFile(const SaveDialogSettings&) override { throw unreachable(); }
    bool openExternally(const QString&) override { throw unreachable(); }

private:
    static Failure unreachable() { return Failure(QStringLiteral("Automation error")); }
};
