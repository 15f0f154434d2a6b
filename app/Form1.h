#pragma once

#include "app/SkinEngine.h"
#include "common/PointerState.h"

#include <QByteArrayView>
#include <QCursor>
#include <QHash>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class ContainingFolder;
class Desktop;
class SettingsStore;
class FolderListActions;
class FolderListModel;
class ResultModel;
class SearchControls;
class SearchRun;
class StepTrap;
enum class TickChange;
class QAction;
class QCheckBox;
class QDragMoveEvent;
class QDropEvent;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTableView;

// What the main window needs from outside: the platform seam, the settings
// store, where the program lies and the start-up dice.
struct Form1Services {
    Desktop& desktop;
    SettingsStore& settings;
    QString programFolder;
    std::function<int()> drawOneToHundred;
};

// The parts of the window whose mouse moves change the pointer state.
enum class HoverTarget {
    Surface,     // the background, a frame, the pattern box, a list
    Button,      // a push button
    StartButton, // PushButton1, which reads "Stop" while a search runs
};

// The pointer state after a mouse move over a target. Over a button the hand
// shows, elsewhere the usual pointer; neither replaces the busy pointer, but
// the Start button does, so the way to stop a search stays plain to see.
constexpr PointerState pointerStateAfterHover(HoverTarget target, PointerState state)
{
    if (target == HoverTarget::StartButton)
        return PointerState::Custom;
    if (state == PointerState::Busy)
        return PointerState::Busy;
    return target == HoverTarget::Button ? PointerState::Custom : PointerState::Default;
}

// "in Scrivlist2021/08/31.Form1.<handler> ": where the error box says a
// handler of this window failed.
QString handlerLocation(const char* handlerName);

// The main window. It builds the controls of the layout table, wires every
// event to a handler named after control and event, and hands the work to
// the subsystems, each with the trap of the handler that called it.
class Form1 : public QWidget {
    Q_OBJECT
public:
    static const QString ProductName;
    static const QString MakerPage;

    explicit Form1(Form1Services services, QWidget* parent = nullptr);
    ~Form1() override;

    void showCentered();

    PointerState pointerState() const { return pointerState_; }
    void setPointerState(PointerState state);
    const std::optional<QCursor>& customPointer() const { return customPointer_; }

    // The check box value: 0 unchecked, 1 checked, 2 greyed.
    int check5Value() const;
    void setCheck5Value(int value);

    FolderListModel& folderList() { return *folderList_; }
    ResultModel& resultList() { return *resultList_; }

    // Handlers.
    void Form_Load();
    void Form_Unload();
    void Check5_Click();
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();
    void Text1_Change();
    // The one mouse-move handler: the pointer rule of the control's hover
    // target. The window itself, the frames, Text1, the lists and the push
    // buttons have one; other controls leave the pointer as it is.
    void Control_MouseMove(QObject* control);
    // The key code with its modifiers, as QKeyCombination::toCombined() gives it.
    void ListView1_KeyDown(int key);
    void ListView1_DblClick();
    void ListView1_DragOver(QDragMoveEvent& event);
    void ListView1_Drop(QDropEvent& event);
    void ListView2_KeyDown(int key);
    void ListView2_DblClick();
    // At a position on the screen.
    void ListView1_ContextMenu(const QPoint& position);
    void ListView2_ContextMenu(const QPoint& position);
    void ListView2Menu_Click(TickChange change);
    void mnuSkipFolder_Click();
    void mnuSkipNamed_Click();
    void mnuOpenFolder_Click();
    void mnuCopyFiles_Click();
    void mnuUndo_Click();
    void mnuRedo_Click();
    void mnuExport_Click();
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

    // The optional skin beside the program.
    void ApplySkin();

signals:
    // Around the walk of a search; the "Done." box comes after the end.
    void searchWalkStarted();
    void searchWalkEnded();

public:
    QPushButton* PushButton1 = nullptr;
    QPushButton* PushButton2 = nullptr;
    QPushButton* PushButton3 = nullptr;
    QPushButton* PushButton4 = nullptr;
    QPushButton* PushButton5 = nullptr;
    QPushButton* PushButton6 = nullptr;
    QPushButton* PushButton7 = nullptr;
    QPushButton* PushButton8 = nullptr;
    QPushButton* PushButton11 = nullptr;
    QPushButton* PushButton17 = nullptr;
    QTableView* ListView1 = nullptr;
    QTableView* ListView2 = nullptr;
    QMenu* ListView1Menu = nullptr;   // "Skip a Folder...", "Skip Folders Named..."
    QMenu* ListView2Menu = nullptr;   // the tick commands, the hand-over to other programs, Undo and Redo, the export
    QAction* mnuOpenFolder = nullptr; // greyed once the selected line is known to name no existing item
    QAction* mnuUndo = nullptr;       // greyed when nothing can be undone, or while the busy pointer shows
    QAction* mnuRedo = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QLineEdit* Text1 = nullptr;
    QCheckBox* Check5 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr;
    QRadioButton* Option4 = nullptr;
    SkinEngine SkinFramework1;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct EventHandlers {
        HoverTarget hover = HoverTarget::Surface;
        std::function<void(int keyCode)> keyDown;
        std::function<void()> doubleClick;
        // At the pointer on the screen; none from the keyboard.
        std::function<void(std::optional<QPoint> pointer)> contextMenu;
    };

    void createControls();
    void wireEvents();
    void createMenus();
    // Undo, Redo and the removal of one result line are refused while the busy
    // pointer shows and while a save or an export holds the list, whatever the
    // pointer shows then.
    bool trimsRefused() const;
    // Greys Open Containing Folder once its line is known to name nothing.
    void settleOpenFolder();
    // The selected result line's bytes; empty when none is selected.
    QByteArrayView selectedResultLine() const;
    // Routes the control's events to this window, its mouse moves by the hover target.
    void routeEvents(QWidget* control, HoverTarget hover);
    void restoreSettings(StepTrap& trap);
    void writeOption(int number);
    // The trap of one of this window's handlers.
    StepTrap trapFor(const char* handlerName);
    // Lets the subsystems set this window's pointer.
    SetPointerState pointerSetter();

    Form1Services services_;
    FolderListModel* folderList_ = nullptr;
    ResultModel* resultList_ = nullptr;
    std::unique_ptr<FolderListActions> folderActions_;
    std::unique_ptr<SearchControls> searchControls_;
    std::unique_ptr<SearchRun> searchRun_;
    QHash<QObject*, EventHandlers> eventHandlers_;
    // The line the result list's menu was opened for, looked up meanwhile.
    std::unique_ptr<ContainingFolder> containingFolder_;
    PointerState pointerState_ = PointerState::Default;
    std::optional<QCursor> customPointer_;
};
