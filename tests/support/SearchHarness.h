#pragma once

#include "common/StepTrap.h"
#include "folders/FolderListModel.h"
#include "results/ResultModel.h"
#include "search/SearchRun.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/ResultLists.h"

#include <QByteArrayList>
#include <QStringList>

#include <memory>

// Where the harness's handler says it failed.
inline const QString SearchLocation = QStringLiteral("in Tests.Start ");

inline QString trapText(const QString& description, int line)
{
    return StepTrap::composeText(description, SearchLocation, line);
}

// A search run over plain values standing in for the window's controls,
// reading the folders through the given kind of reader.
template <typename Reader>
struct SearchHarness : SearchControls {
    SearchHarness()
    {
        QObject::connect(&folders, &FolderListModel::headerDataChanged, [this] { headers << folders.headerText(); });
    }

    QString phrase() const override { return phraseBox; }
    ResultForm resultForm() const override { return option; }
    int includeSubfolders() const override { return check5; }
    QString startCaption() const override { return caption; }
    void setStartCaption(const QString& text) override { caption = text; }
    void setPointer(PointerState state) override { pointer = state; }

    // A click of the toggle button, with a trap of its own.
    void click()
    {
        StepTrap trap(desktop, SearchLocation);
        run.click(trap);
    }

    // One run over one folder, ending with "Done.".
    void search(const QString& folder)
    {
        folders.append(folder);
        desktop.expectMessage(QStringLiteral("Done."));
        click();
    }

    // Clicks Stop in the yield before the file that would add this line.
    void stopAtLine(qsizetype line)
    {
        desktop.onYield = [this, line, stopped = false](long long) mutable {
            if (!stopped && results.lineCount() == line) {
                stopped = true;
                click();
            }
        };
    }

    QByteArrayList lines() const
    {
        QByteArrayList all;
        for (qsizetype line = 0; line < results.lineCount(); ++line)
            all << results.lineBytes(line).toByteArray();
        return all;
    }

    QStringList sortedLines() const
    {
        QStringList all = lineTexts(results);
        all.sort();
        return all;
    }

    FakeDesktop desktop;
    FolderListModel folders;
    ResultModel results;
    QString caption = QStringLiteral("Start Searching");
    QString phraseBox = QStringLiteral("*");
    int check5 = 1;
    ResultForm option = ResultForm::JustFilename;
    PointerState pointer = PointerState::Default;
    QStringList headers;
    std::shared_ptr<Reader> reader = std::make_shared<Reader>();
    SearchRun run{desktop, folders, results, *this, reader};
};
