#pragma once

#include "app/SkinEngine.h"
#include "common/PointerState.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QWidget>

#include <exception>
#include <functional>
#include <memory>

namespace Ui {
class Form1;
}
class Desktop;
class FolderListActions;
class FolderListMenu;
class FolderListModel;
class PointerFeedback;
class QUrl;
class ResultListMenu;
class ResultModel;
class SearchRun;
class SettingsStore;
class StepTrap;
class WindowSearchControls;
class WindowSettings;
enum class TickChange;

// What the main window needs from outside: the platform seam, the settings
// store, where the program lies and the start-up dice.
struct Form1Services {
    Desktop& desktop;
    SettingsStore& settings;
    QString programFolder;
    std::function<int()> drawOneToHundred;
};

// "in Scrivlist2021/08/31.Form1.<handler> ": where the error box says a
// handler of this window failed.
QString handlerLocation(const char* handlerName);

// The main window: the controls of its layout (Form1.ui), the parts that give
// them their behaviour, and the handlers, named after control and event, that
// hand the work to the subsystems, each with the trap of the handler that
// called it. Controls are reached by their object names from outside.
class Form1 : public QWidget {
    Q_OBJECT
public:
    static const QString ProductName;
    static const QString MakerPage;

    explicit Form1(Form1Services services, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up, before the window first shows.
    void Form_Load();
    void showCentered();

    FolderListModel& folderList() { return *folderList_; }
    ResultModel& resultList() { return *resultList_; }
    PointerFeedback& pointer() { return *pointer_; }
    const SkinEngine& skin() const { return skin_; }

signals:
    // Around the walk of a search; the "Done." box comes after the end.
    void searchWalkStarted();
    void searchWalkEnded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void routeEvents();
    void ApplySkin();
    void Form_Unload();
    void ListView1_DblClick();
    void ListView1_Drop(const QList<QUrl>& urls);
    void ListView1_ContextMenu(const QPoint& at);
    void ListView2_DblClick();
    void ListView2_ContextMenu(const QPoint& at);
    void ListView2Menu_Click(TickChange change);
    void mnuSortLines_Click();
    void mnuRemoveDuplicates_Click();
    void mnuSkipFolder_Click();
    void mnuSkipNamed_Click();
    void mnuOpenFolder_Click();
    void mnuCopyFiles_Click();
    void mnuExport_Click();
    // An Undo or a Redo of the list's history that failed.
    void mnuUndoRedo_Failed(bool undoing, const std::exception_ptr& failure);
    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton3_Click();
    void PushButton4_Click();
    void PushButton5_Click();
    void PushButton6_Click();
    void PushButton7_Click();
    void PushButton8_Click();
    void PushButton11_Click();
    void PushButton17_Click();

    // Undo, Redo, the sort, the removal of duplicates and the removal of one
    // result line are refused while the busy pointer shows and while a save, an
    // export, a sort or a removal of duplicates holds the list, whatever the
    // pointer shows then.
    bool trimsRefused() const;
    // The selected result line's bytes; empty when none is selected.
    QByteArrayView selectedResultLine() const;
    // The trap of one of this window's handlers.
    StepTrap trapFor(const char* handlerName);
    // Lets the subsystems set this window's pointer.
    SetPointerState pointerSetter();

    Form1Services services_;
    std::unique_ptr<Ui::Form1> ui_;
    FolderListModel* folderList_ = nullptr;
    ResultModel* resultList_ = nullptr;
    PointerFeedback* pointer_ = nullptr;
    FolderListMenu* folderMenu_ = nullptr;
    ResultListMenu* resultMenu_ = nullptr;
    WindowSettings* settings_ = nullptr;
    WindowSearchControls* searchControls_ = nullptr;
    std::unique_ptr<FolderListActions> folderActions_;
    std::unique_ptr<SearchRun> searchRun_;
    SkinEngine skin_;
};
