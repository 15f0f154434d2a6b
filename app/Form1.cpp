#include "app/Form1.h"

#include "app/AppTitle.h"
#include "app/CursorFile.h"
#include "app/FolderListMenu.h"
#include "app/FolderListView.h"
#include "app/PointerFeedback.h"
#include "app/ResultListMenu.h"
#include "app/ResultListView.h"
#include "app/SettingsStore.h"
#include "app/WindowSearchControls.h"
#include "app/WindowSettings.h"
#include "common/Desktop.h"
#include "common/Failure.h"
#include "common/StepTrap.h"
#include "folders/FolderListActions.h"
#include "folders/FolderListModel.h"
#include "folders/ListRemoval.h"
#include "help/HelpLinks.h"
#include "io/Lookup.h"
#include "results/ClipboardCopy.h"
#include "results/ContainingFolder.h"
#include "results/FileHandover.h"
#include "results/ListTidying.h"
#include "results/ResultExport.h"
#include "results/ResultFilters.h"
#include "results/ResultModel.h"
#include "search/SearchRun.h"
#include "ui_Form1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QScreen>

#include <tuple>
#include <utility>

// The icon lives in this static library; its resources need a nudge to link.
static void initAppResources()
{
    Q_INIT_RESOURCE(app);
}

const QString Form1::ProductName = QStringLiteral("Scrivlist Software");
const QString Form1::MakerPage = QStringLiteral("https://www.quillmark.example/");

namespace {

// The lists' one column: the layout's 7000 twips.
constexpr int ListColumnWidth = 467;

// Rendered sizes of the icon, so no SVG plugin is needed to show it (some releases ship that plugin apart).
QIcon applicationIcon()
{
    const QDir sizes(QStringLiteral(":/icons"), QStringLiteral("*.png"));
    QIcon icon;
    for (const QString& name : sizes.entryList())
        icon.addFile(sizes.filePath(name));
    return icon;
}

} // namespace

QString handlerLocation(const char* handlerName)
{
    return QStringLiteral("in Scrivlist2021/08/31.Form1.") + QLatin1String(handlerName) + QLatin1Char(' ');
}

Form1::Form1(Form1Services services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      services_(std::move(services)),
      ui_(std::make_unique<Ui::Form1>())
{
    initAppResources();
    ui_->setupUi(this);
    folderList_ = new FolderListModel(this);
    resultList_ = new ResultModel(this);
    ui_->ListView1->setModel(folderList_);
    ui_->ListView2->setModel(resultList_);
    pointer_ = new PointerFeedback(*this);
    folderMenu_ = new FolderListMenu(ui_->ListView1);
    resultMenu_ = new ResultListMenu(resultList_->history().stack(), ui_->ListView2);
    const QList<QRadioButton*> resultForms{ui_->Option1, ui_->Option2, ui_->Option3, ui_->Option4};
    settings_ = new WindowSettings(services_.settings, *ui_->Check5, *ui_->Text1, resultForms, this);
    searchControls_ =
        new WindowSearchControls(*ui_->Text1, resultForms, *ui_->Check5, *ui_->PushButton1, *pointer_, this);
    folderActions_ = std::make_unique<FolderListActions>(
        services_.desktop, *folderList_, services_.programFolder,
        FolderListHooks{[this] { return settings_->lastFolder(); },
                        [this](const QString& folder) { settings_->setLastFolder(folder); }, pointerSetter(),
                        [this](const QString& phrase) { ui_->Text1->setText(phrase); }});
    searchRun_ = std::make_unique<SearchRun>(services_.desktop, *folderList_, *resultList_, *searchControls_);
    routeEvents();
}

Form1::~Form1() = default;

void Form1::routeEvents()
{
    // Each button's click and the pointer over it.
    const std::tuple<QPushButton*, void (Form1::*)(), HoverTarget> buttons[] = {
        {ui_->PushButton1, &Form1::PushButton1_Click, HoverTarget::StartButton},
        {ui_->PushButton2, &Form1::PushButton2_Click, HoverTarget::Button},
        {ui_->PushButton3, &Form1::PushButton3_Click, HoverTarget::Button},
        {ui_->PushButton4, &Form1::PushButton4_Click, HoverTarget::Button},
        {ui_->PushButton5, &Form1::PushButton5_Click, HoverTarget::Button},
        {ui_->PushButton6, &Form1::PushButton6_Click, HoverTarget::Button},
        {ui_->PushButton7, &Form1::PushButton7_Click, HoverTarget::Button},
        {ui_->PushButton8, &Form1::PushButton8_Click, HoverTarget::Button},
        {ui_->PushButton11, &Form1::PushButton11_Click, HoverTarget::Button},
        {ui_->PushButton17, &Form1::PushButton17_Click, HoverTarget::Button},
    };
    for (const auto& [button, handler, hover] : buttons) {
        connect(button, &QPushButton::clicked, this, handler);
        pointer_->follow(*button, hover);
    }
    for (QWidget* surface : std::initializer_list<QWidget*>{this, ui_->Frame1, ui_->Frame2, ui_->Frame3, ui_->Text1,
                                                            ui_->ListView1, ui_->ListView2})
        pointer_->follow(*surface, HoverTarget::Surface);
    for (QWidget* control :
         std::initializer_list<QWidget*>{ui_->Check5, ui_->Option1, ui_->Option2, ui_->Option3, ui_->Option4})
        PointerFeedback::passOver(*control);

    // Delete removes as a double-click does.
    connect(ui_->ListView1, &QAbstractItemView::doubleClicked, this, &Form1::ListView1_DblClick);
    connect(ui_->ListView1, &ReportView::removeRequested, this, &Form1::ListView1_DblClick);
    connect(ui_->ListView1, &ReportView::menuRequested, this, &Form1::ListView1_ContextMenu);
    connect(ui_->ListView1, &FolderListView::foldersDropped, this, &Form1::ListView1_Drop);
    connect(ui_->ListView2, &QAbstractItemView::doubleClicked, this, &Form1::ListView2_DblClick);
    connect(ui_->ListView2, &ReportView::removeRequested, this, &Form1::ListView2_DblClick);
    connect(ui_->ListView2, &ReportView::menuRequested, this, &Form1::ListView2_ContextMenu);

    connect(folderMenu_, &FolderListMenu::skipFolderChosen, this, &Form1::mnuSkipFolder_Click);
    connect(folderMenu_, &FolderListMenu::skipNamedChosen, this, &Form1::mnuSkipNamed_Click);
    connect(resultMenu_, &ResultListMenu::ticksChosen, this, &Form1::ListView2Menu_Click);
    connect(resultMenu_, &ResultListMenu::sortChosen, this, &Form1::mnuSortLines_Click);
    connect(resultMenu_, &ResultListMenu::removeDuplicatesChosen, this, &Form1::mnuRemoveDuplicates_Click);
    connect(resultMenu_, &ResultListMenu::openFolderChosen, this, &Form1::mnuOpenFolder_Click);
    connect(resultMenu_, &ResultListMenu::copyFilesChosen, this, &Form1::mnuCopyFiles_Click);
    connect(resultMenu_, &ResultListMenu::exportChosen, this, &Form1::mnuExport_Click);
    const auto refuseTrims = [this] { resultMenu_->refuseTrims(trimsRefused()); };
    connect(pointer_, &PointerFeedback::stateChanged, this, refuseTrims);
    connect(resultList_, &ResultModel::heldChanged, this, refuseTrims);
    // Reported once the history is done with the step it gave up.
    connect(resultList_, &ResultModel::stepFailed, this, &Form1::mnuUndoRedo_Failed, Qt::QueuedConnection);

    connect(searchControls_, &WindowSearchControls::searchWalkStarted, this, &Form1::searchWalkStarted);
    connect(searchControls_, &WindowSearchControls::searchWalkEnded, this, &Form1::searchWalkEnded);
}

void Form1::showCentered()
{
    // Wayland leaves placement to the compositor and ignores a move.
    const bool placedByCompositor = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr && !placedByCompositor)
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    show();
    ui_->ListView1->setFocus();
}

void Form1::Form_Load()
{
    StepTrap trap = trapFor("Form_Load");
    trap.step(100, [&] { ApplySkin(); });
    trap.step(104, [&] { setWindowTitle(ProductName); });
    trap.step(104, [&] { setWindowIcon(applicationIcon()); });
    trap.step(104, [&] { QCoreApplication::setApplicationName(deriveAppTitle(ProductName)); });
    const QString cursorPath = services_.programFolder + QStringLiteral("/HAND-M.CUR");
    if (trap.test(106, [&] { return statFinds(QFile::encodeName(cursorPath)); }))
        trap.step(108, [&] { pointer_->setCustomImage(loadCursorFile(cursorPath)); });
    trap.step(110, [&] {
        if (services_.drawOneToHundred() == 7 && !services_.desktop.openExternally(MakerPage))
            throw Failure(QStringLiteral("The web page could not be opened: ") + MakerPage);
    });
    trap.step(128, [&] { folderList_->setHeaderText(QStringLiteral("Folder(s)")); });
    trap.step(130, [&] { ui_->ListView1->horizontalHeader()->resizeSection(0, ListColumnWidth); });
    trap.step(132, [&] { resultList_->setHeaderText(QStringLiteral("Results")); });
    trap.step(134, [&] { ui_->ListView2->horizontalHeader()->resizeSection(0, ListColumnWidth); });
    settings_->restore(trap);
}

void Form1::ApplySkin()
{
    skin_.skinIfPresent(*this, services_.programFolder + QStringLiteral("/x/o.cjs"));
}

void Form1::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void Form1::Form_Unload()
{
    services_.desktop.endProgram();
}

void Form1::ListView1_DblClick()
{
    removeSelectedRow(ui_->ListView1->selectionModel(), pointer_->state() == PointerState::Busy,
                      [this](int row) { folderList_->removeEntry(row); });
}

void Form1::ListView1_Drop(const QList<QUrl>& urls)
{
    StepTrap trap = trapFor("ListView1_Drop");
    folderActions_->addDroppedFolders(trap, urls);
}

void Form1::ListView1_ContextMenu(const QPoint& at)
{
    folderMenu_->popup(at);
}

void Form1::ListView2_DblClick()
{
    removeSelectedRow(ui_->ListView2->selectionModel(), trimsRefused(),
                      [this](int row) { resultList_->removeLine(row); });
}

bool Form1::trimsRefused() const
{
    return pointer_->state() == PointerState::Busy || resultList_->isHeld();
}

void Form1::ListView2_ContextMenu(const QPoint& at)
{
    resultMenu_->openFor(selectedResultLine(), at);
}

QByteArrayView Form1::selectedResultLine() const
{
    const QModelIndexList selected = ui_->ListView2->selectionModel()->selectedRows();
    return selected.isEmpty() ? QByteArrayView() : resultList_->lineBytes(selected.constFirst().row());
}

void Form1::ListView2Menu_Click(TickChange change)
{
    resultList_->changeAllTicks(change);
}

void Form1::mnuSortLines_Click()
{
    if (trimsRefused())
        return;
    StepTrap trap = trapFor("mnuSortLines_Click");
    sortResultLines(trap, services_.desktop, *resultList_, pointerSetter());
}

void Form1::mnuRemoveDuplicates_Click()
{
    if (trimsRefused())
        return;
    StepTrap trap = trapFor("mnuRemoveDuplicates_Click");
    removeDuplicateResultLines(trap, services_.desktop, *resultList_, pointerSetter());
}

void Form1::mnuSkipFolder_Click()
{
    StepTrap trap = trapFor("mnuSkipFolder_Click");
    folderActions_->addSkippedFolder(trap);
}

void Form1::mnuSkipNamed_Click()
{
    StepTrap trap = trapFor("mnuSkipNamed_Click");
    folderActions_->addSkippedName(trap);
}

void Form1::mnuOpenFolder_Click()
{
    // The menu may open again while this waits, with a line of its own.
    if (const std::unique_ptr<ContainingFolder> chosen = resultMenu_->takeContainingFolder())
        chosen->open(services_.desktop);
}

void Form1::mnuCopyFiles_Click()
{
    StepTrap trap = trapFor("mnuCopyFiles_Click");
    copyTickedAsFiles(trap, services_.desktop, *resultList_);
}

void Form1::mnuExport_Click()
{
    StepTrap trap = trapFor("mnuExport_Click");
    exportList(trap, services_.desktop, *resultList_, pointerSetter());
}

void Form1::mnuUndoRedo_Failed(bool undoing, const std::exception_ptr& failure)
{
    StepTrap trap = trapFor(undoing ? "mnuUndo_Click" : "mnuRedo_Click");
    trap.step(100, [&] { std::rethrow_exception(failure); });
}

void Form1::PushButton1_Click()
{
    StepTrap trap = trapFor("PushButton1_Click");
    searchRun_->click(trap);
}

void Form1::PushButton2_Click()
{
    StepTrap trap = trapFor("PushButton2_Click");
    saveResultsAsTextFile(trap, services_.desktop, *resultList_, pointerSetter());
}

void Form1::PushButton3_Click()
{
    StepTrap trap = trapFor("PushButton3_Click");
    folderActions_->addPickedFolder(trap);
}

void Form1::PushButton4_Click()
{
    StepTrap trap = trapFor("PushButton4_Click");
    copyResultsToClipboard(trap, services_.desktop, *resultList_);
}

void Form1::PushButton5_Click()
{
    StepTrap trap = trapFor("PushButton5_Click");
    trap.step(100, [&] { openCompanionToolPage(services_.desktop); });
}

void Form1::PushButton6_Click()
{
    StepTrap trap = trapFor("PushButton6_Click");
    trap.step(100, [&] { resultList_->clear(); });
}

void Form1::PushButton7_Click()
{
    StepTrap trap = trapFor("PushButton7_Click");
    trap.step(100, [&] { showHelp(services_.desktop); });
}

void Form1::PushButton8_Click()
{
    StepTrap trap = trapFor("PushButton8_Click");
    folderActions_->addSampleFolder(trap);
}

void Form1::PushButton11_Click()
{
    StepTrap trap = trapFor("PushButton11_Click");
    runPhraseFilter(trap, services_.desktop, *resultList_, RemoveNotContainingFilter, pointerSetter());
}

void Form1::PushButton17_Click()
{
    StepTrap trap = trapFor("PushButton17_Click");
    runPhraseFilter(trap, services_.desktop, *resultList_, RemoveContainingFilter, pointerSetter());
}

StepTrap Form1::trapFor(const char* handlerName)
{
    return StepTrap(services_.desktop, handlerLocation(handlerName));
}

SetPointerState Form1::pointerSetter()
{
    return [this](PointerState state) { pointer_->setState(state); };
}
