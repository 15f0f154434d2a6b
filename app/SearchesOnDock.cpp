#include "app/SearchesOnDock.h"

#include "app/Form1.h"
#include "dock/LauncherBadge.h"
#include "results/ResultModel.h"

#include <QGuiApplication>

void showSearchesOnDock(Form1& form, LauncherBadge& badge)
{
    const ResultModel& results = form.resultList();
    const auto lines = [&results] { return static_cast<qint64>(results.lineCount()); };
    QObject::connect(&form, &Form1::searchWalkStarted, &badge, [&badge, lines] { badge.walkStarted(lines()); });
    QObject::connect(&form, &Form1::searchWalkEnded, &badge, [&badge, lines] {
        badge.walkEnded(lines(), QGuiApplication::applicationState() == Qt::ApplicationActive);
    });
    const auto linesChanged = [&badge, lines] { badge.linesChanged(lines()); };
    QObject::connect(&results, &ResultModel::rowsInserted, &badge, linesChanged);
    QObject::connect(&results, &ResultModel::rowsRemoved, &badge, linesChanged);
    QObject::connect(&results, &ResultModel::modelReset, &badge, linesChanged);
    QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, &badge, [&badge](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            badge.windowActivated();
    });
}
