#include "app/AppTitle.h"

#include "common/Failure.h"

QString deriveAppTitle(const QString& productName)
{
    constexpr qsizetype MaxLength = 40;
    QString title = productName;
    do {
        const qsizetype lastSpace = title.lastIndexOf(QLatin1Char(' '));
        if (lastSpace < 0)
            throw Failure(QStringLiteral("Invalid procedure call or argument"));
        title.truncate(lastSpace);
    } while (title.size() > MaxLength);
    return title;
}
