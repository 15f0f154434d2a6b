#include "help/HelpLinks.h"

#include "common/Desktop.h"

void showHelp(Desktop& desktop)
{
    desktop.message(QStringLiteral("Questions? Please contact Team Quillmark at ") + ContactPage);
}

void openCompanionToolPage(Desktop& desktop)
{
    // A desktop without a handler for web addresses is no error here.
    static_cast<void>(desktop.openExternally(CompanionToolPage));
}
