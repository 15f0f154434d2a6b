#include "app/Form1.h"

#include "app/AppTitle.h"
#include "app/CursorFile.h"
#include "app/Form1Layout.h"
#include "app/SettingsStore.h"
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
#include "results/ResultExport.h"
#include "results/ResultFilters.h"
#include "results/ResultModel.h"
#include "search/SearchRun.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>

#include <algorithm>
#include <limits>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

// The icon lives in this static library; its resources need a nudge to link.
static void initAppResources()
{
    Q_INIT_RESOURCE(app);
}

const QString Form1::ProductName = QStringLiteral("Scrivlist Software");
const QString Form1::MakerPage = QStringLiteral("https://www.quillmark.example/");

namespace {

// A click never produces the greyed state; only a restored value does.
class SubfolderCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override
    {
        const Qt::CheckState next = checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked;
        setTristate(false);
        setCheckState(next);
    }
};

// Rendered sizes of the icon, so no SVG plugin is needed to show it (some releases ship that plugin apart).
QIcon applicationIcon()
{
    const QDir sizes(QStringLiteral(":/icons"), QStringLiteral("*.png"));
    QIcon icon;
    for (const QString& name : sizes.entryList())
        icon.addFile(sizes.filePath(name));
    return icon;
}

QFont arialBold(qreal pointSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(pointSize);
    font.setBold(true);
    return font;
}

QRect pixelRect(const ControlPlacement& placement)
{
    return {twipsToPixels(placement.left), twipsToPixels(placement.top), twipsToPixels(placement.width),
            twipsToPixels(placement.height)};
}

void configureReportView(QTableView* view)
{
    view->setFont(arialBold(9));
    view->setShowGrid(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    QHeaderView* header = view->horizontalHeader();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    view->setToolTip(QString::fromLatin1(ListToolTip));
    view->viewport()->setToolTip(QString::fromLatin1(ListToolTip));
}

// Hover selection: the line under the pointer becomes the selected one, so
// the highlight follows the pointer and the Delete key acts on that line.
void selectLineUnderPointer(QAbstractItemView& view, const QPoint& position)
{
    const QModelIndex line = view.indexAt(position);
    if (line.isValid() && line != view.currentIndex())
        view.selectionModel()->setCurrentIndex(line, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// Takes a drag that brings a file or folder of this machine, as a copy or a
// link: a move would let the file manager delete what was dragged. Which of
// them are folders is settled on the drop, off the window's thread.
bool acceptFolderDrag(QDropEvent& event)
{
    const Qt::DropActions offered = event.possibleActions();
    const Qt::DropAction action = offered.testFlag(Qt::CopyAction)   ? Qt::CopyAction
                                  : offered.testFlag(Qt::LinkAction) ? Qt::LinkAction
                                                                     : Qt::IgnoreAction;
    if (action == Qt::IgnoreAction || event.mimeData() == nullptr || !holdsLocalItem(event.mimeData()->urls())) {
        event.ignore();
        return false;
    }
    event.setDropAction(action);
    event.accept();
    return true;
}

// The result list's own keys for Undo and Redo, whatever the desktop's usual ones.
constexpr QKeyCombination UndoKey(Qt::ControlModifier, Qt::Key_Z);
const QList<QKeySequence> RedoKeys{QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z),
                                   QKeyCombination(Qt::ControlModifier, Qt::Key_Y)};

int keyWithoutModifiers(int key)
{
    return key & ~static_cast<int>(Qt::KeyboardModifierMask);
}

// The Menu key and Shift+F10 open a list's menu.
bool isMenuKey(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Menu || (key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier);
}

// Where a menu opened from the keyboard appears: below the current line, or
// at the top of an empty list.
QPoint keyboardMenuPosition(const QAbstractItemView& list)
{
    const QRect line = list.visualRect(list.currentIndex());
    return list.viewport()->mapToGlobal(line.isValid() ? line.bottomLeft() : QPoint(0, 0));
}

// The control and, for a list, its viewport and header: the parts its events come from.
std::vector<QWidget*> partsOf(QWidget* control)
{
    std::vector<QWidget*> parts{control};
    if (auto* view = qobject_cast<QTableView*>(control)) {
        parts.push_back(view->viewport());
        parts.push_back(view->horizontalHeader());
    }
    return parts;
}

// One maker per kind of control; the slot's type picks it.
QWidget* makeControl(QPushButton*& slot, const QString& caption, QWidget* container)
{
    slot = new QPushButton(caption, container);
    slot->setAutoDefault(false);
    slot->setFont(arialBold(11.25));
    QPalette palette = container->palette();
    palette.setColor(QPalette::Button, Qt::white);
    slot->setPalette(palette);
    return slot;
}

QWidget* makeControl(QTableView*& slot, const QString&, QWidget* container)
{
    slot = new QTableView(container);
    configureReportView(slot);
    return slot;
}

QWidget* makeControl(QGroupBox*& slot, const QString& caption, QWidget* container)
{
    return slot = new QGroupBox(caption, container);
}

QWidget* makeControl(QLineEdit*& slot, const QString& caption, QWidget* container)
{
    return slot = new QLineEdit(caption, container);
}

// Controls without a pointer rule of their own keep the pointer as it is;
// their moves must not reach the frame around them.
QWidget* makeControl(QCheckBox*& slot, const QString& caption, QWidget* container)
{
    slot = new SubfolderCheckBox(caption, container);
    slot->setAttribute(Qt::WA_NoMousePropagation);
    return slot;
}

QWidget* makeControl(QRadioButton*& slot, const QString& caption, QWidget* container)
{
    slot = new QRadioButton(caption, container);
    slot->setAttribute(Qt::WA_NoMousePropagation);
    return slot;
}

// What a search run reads and sets, on this window's controls.
class WindowSearchControls : public SearchControls {
public:
    explicit WindowSearchControls(Form1& form) : form_(form) {}

    QString phrase() const override { return form_.Text1->text(); }
    ResultForm resultForm() const override
    {
        const QRadioButton* const options[] = {form_.Option1, form_.Option2, form_.Option3, form_.Option4};
        for (int number = 1; number <= 4; ++number)
            if (options[number - 1]->isChecked())
                return static_cast<ResultForm>(number);
        return ResultForm::None;
    }
    int includeSubfolders() const override { return form_.check5Value(); }
    QString startCaption() const override { return form_.PushButton1->text(); }
    void setStartCaption(const QString& caption) override { form_.PushButton1->setText(caption); }
    void setPointer(PointerState state) override { form_.setPointerState(state); }
    void walkStarted() override { emit form_.searchWalkStarted(); }
    void walkEnded() override { emit form_.searchWalkEnded(); }

private:
    Form1& form_;
};

} // namespace

QString handlerLocation(const char* handlerName)
{
    return QStringLiteral("in Scrivlist2021/08/31.Form1.") + QLatin1String(handlerName) + QLatin1Char(' ');
}

Form1::Form1(Form1Services services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      services_(std::move(services))
{
    initAppResources();
    setObjectName(QStringLiteral("Form1"));
    folderList_ = new FolderListModel(this);
    resultList_ = new ResultModel(this);
    createControls();
    wireEvents();

    SettingsStore& settings = services_.settings;
    folderActions_ = std::make_unique<FolderListActions>(
        services_.desktop, *folderList_, services_.programFolder,
        FolderListHooks{[&settings] { return settings.read(QStringLiteral("LastFolder"), QString()); },
                        [&settings](const QString& folder) { settings.write(QStringLiteral("LastFolder"), folder); },
                        pointerSetter(), [this](const QString& phrase) { Text1->setText(phrase); }});
    searchControls_ = std::make_unique<WindowSearchControls>(*this);
    searchRun_ = std::make_unique<SearchRun>(services_.desktop, *folderList_, *resultList_, *searchControls_);
}

Form1::~Form1() = default;

void Form1::createControls()
{
    setFixedSize(twipsToPixels(ClientWidthTwips), twipsToPixels(ClientHeightTwips));
    setFont(arialBold(9));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    std::vector<std::pair<int, QWidget*>> tabStops;
    for (const ControlPlacement& placement : Form1Controls) {
        QWidget* container = placement.container ? this->*placement.container : static_cast<QWidget*>(this);
        const QString caption = QString::fromLatin1(placement.caption);
        QWidget* control =
            std::visit([&](auto slot) { return makeControl(this->*slot, caption, container); }, placement.slot);
        control->setObjectName(QLatin1String(placement.name));
        control->setGeometry(pixelRect(placement));
        if (control->focusPolicy() != Qt::NoFocus)
            tabStops.emplace_back(placement.tabIndex, control);
    }

    ListView1->setModel(folderList_);
    ListView2->setModel(resultList_);
    ListView1->setAcceptDrops(true);
    // Lines leave the list as copies; nothing can be dropped on it.
    ListView2->setDragDropMode(QAbstractItemView::DragOnly);
    ListView2->setDefaultDropAction(Qt::CopyAction);
    createMenus();
    Check5->setCheckState(Qt::Checked);
    Text1->setMaxLength(std::numeric_limits<int>::max()); // the toolkit's 32767 would cut a stored phrase

    std::sort(tabStops.begin(), tabStops.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 1; i < tabStops.size(); ++i)
        setTabOrder(tabStops[i - 1].second, tabStops[i].second);
}

void Form1::routeEvents(QWidget* control, HoverTarget hover)
{
    for (QWidget* part : partsOf(control)) {
        // Each control answers for the pointer over itself alone.
        part->setMouseTracking(true);
        part->setAttribute(Qt::WA_NoMousePropagation);
        part->installEventFilter(this);
        eventHandlers_[part].hover = hover;
    }
}

void Form1::wireEvents()
{
    // Every change of the state counts, the greyed one too; Qt 6.7 renamed the signal that says so.
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    connect(Check5, &QCheckBox::checkStateChanged, this, [this] { Check5_Click(); });
#else
    connect(Check5, &QCheckBox::stateChanged, this, [this] { Check5_Click(); });
#endif
    // An option's click is its selection; the one that loses it says nothing.
    const std::pair<QRadioButton*, void (Form1::*)()> options[] = {
        {Option1, &Form1::Option1_Click},
        {Option2, &Form1::Option2_Click},
        {Option3, &Form1::Option3_Click},
        {Option4, &Form1::Option4_Click},
    };
    for (const auto& [option, handler] : options) {
        connect(option, &QRadioButton::toggled, this, [this, handler = handler](bool on) {
            if (on)
                (this->*handler)();
        });
    }
    connect(Text1, &QLineEdit::textChanged, this, [this] { Text1_Change(); });

    const std::pair<QPushButton*, void (Form1::*)()> clicks[] = {
        {PushButton1, &Form1::PushButton1_Click},   {PushButton2, &Form1::PushButton2_Click},
        {PushButton3, &Form1::PushButton3_Click},   {PushButton4, &Form1::PushButton4_Click},
        {PushButton5, &Form1::PushButton5_Click},   {PushButton6, &Form1::PushButton6_Click},
        {PushButton7, &Form1::PushButton7_Click},   {PushButton8, &Form1::PushButton8_Click},
        {PushButton11, &Form1::PushButton11_Click}, {PushButton17, &Form1::PushButton17_Click},
    };
    for (const auto& [button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, handler);

    const std::pair<QWidget*, HoverTarget> hovers[] = {
        {this, HoverTarget::Surface},        {Frame1, HoverTarget::Surface},
        {Frame2, HoverTarget::Surface},      {Frame3, HoverTarget::Surface},
        {Text1, HoverTarget::Surface},       {ListView1, HoverTarget::Surface},
        {ListView2, HoverTarget::Surface},   {PushButton1, HoverTarget::StartButton},
        {PushButton2, HoverTarget::Button},  {PushButton3, HoverTarget::Button},
        {PushButton4, HoverTarget::Button},  {PushButton5, HoverTarget::Button},
        {PushButton6, HoverTarget::Button},  {PushButton7, HoverTarget::Button},
        {PushButton8, HoverTarget::Button},  {PushButton11, HoverTarget::Button},
        {PushButton17, HoverTarget::Button},
    };
    for (const auto& [control, target] : hovers)
        routeEvents(control, target);

    const std::tuple<QTableView*, void (Form1::*)(int), void (Form1::*)(), void (Form1::*)(const QPoint&)> lists[] = {
        {ListView1, &Form1::ListView1_KeyDown, &Form1::ListView1_DblClick, &Form1::ListView1_ContextMenu},
        {ListView2, &Form1::ListView2_KeyDown, &Form1::ListView2_DblClick, &Form1::ListView2_ContextMenu},
    };
    for (const auto& [list, keyDown, doubleClick, contextMenu] : lists)
        for (QWidget* part : partsOf(list)) {
            EventHandlers& handlers = eventHandlers_[part];
            handlers.keyDown = [this, keyDown = keyDown](int key) { (this->*keyDown)(key); };
            handlers.doubleClick = [this, doubleClick = doubleClick] { (this->*doubleClick)(); };
            handlers.contextMenu = [this, list = list, contextMenu = contextMenu](std::optional<QPoint> pointer) {
                (this->*contextMenu)(pointer.value_or(keyboardMenuPosition(*list)));
            };
        }
}

void Form1::createMenus()
{
    const auto addCommand = [this](QMenu* menu, const char* caption, auto handler) {
        QAction* action = menu->addAction(QString::fromLatin1(caption));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    ListView1Menu = new QMenu(ListView1);
    addCommand(ListView1Menu, "Skip a Folder...", [this] { mnuSkipFolder_Click(); });
    addCommand(ListView1Menu, "Skip Folders Named...", [this] { mnuSkipNamed_Click(); });

    ListView2Menu = new QMenu(ListView2);
    const std::pair<const char*, TickChange> tickCommands[] = {
        {"Tick All", TickChange::TickAll},
        {"Untick All", TickChange::UntickAll},
        {"Invert Ticks", TickChange::InvertTicks},
    };
    for (const auto& [caption, change] : tickCommands)
        addCommand(ListView2Menu, caption, [this, change = change] { ListView2Menu_Click(change); });
    ListView2Menu->addSeparator();
    mnuOpenFolder = addCommand(ListView2Menu, "Open Containing Folder", [this] { mnuOpenFolder_Click(); });
    addCommand(ListView2Menu, "Copy Ticked as Files", [this] { mnuCopyFiles_Click(); });
    ListView2Menu->addSeparator();
    mnuUndo = addCommand(ListView2Menu, "Undo", [this] { mnuUndo_Click(); });
    mnuRedo = addCommand(ListView2Menu, "Redo", [this] { mnuRedo_Click(); });
    // Shown in the menu and taken there; over the list itself its key handler has them.
    mnuUndo->setShortcut(UndoKey);
    mnuRedo->setShortcuts(RedoKeys);
    for (QAction* action : {mnuUndo, mnuRedo})
        action->setShortcutContext(Qt::WidgetShortcut);
    ListView2Menu->addSeparator();
    addCommand(ListView2Menu, "Export List...", [this] { mnuExport_Click(); });
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    const auto found = eventHandlers_.constFind(watched);
    if (found == eventHandlers_.constEnd())
        return QWidget::eventFilter(watched, event);
    const EventHandlers& handlers = found.value();
    switch (event->type()) {
    case QEvent::MouseMove:
        // While a button is held the line under the pointer may be on its way out as a drag.
        if (watched == ListView2->viewport() && static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton)
            selectLineUnderPointer(*ListView2, static_cast<QMouseEvent*>(event)->position().toPoint());
        Control_MouseMove(watched);
        break;
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (handlers.contextMenu && isMenuKey(*key)) {
            handlers.contextMenu(std::nullopt);
            return true;
        }
        if (handlers.keyDown)
            handlers.keyDown(key->keyCombination().toCombined());
        break;
    }
    // From the keyboard the menu opens at the current line, not at the pointer.
    case QEvent::ContextMenu:
        if (handlers.contextMenu) {
            const auto* request = static_cast<QContextMenuEvent*>(event);
            handlers.contextMenu(request->reason() == QContextMenuEvent::Keyboard
                                     ? std::nullopt
                                     : std::optional<QPoint>(request->globalPos()));
            return true;
        }
        break;
    case QEvent::MouseButtonDblClick:
        if (handlers.doubleClick)
            handlers.doubleClick();
        break;
    // Drops land on the viewport, or on the view itself over its header.
    case QEvent::DragEnter:
    case QEvent::DragMove:
        if (watched == ListView1 || watched == ListView1->viewport()) {
            ListView1_DragOver(*static_cast<QDragMoveEvent*>(event));
            return true;
        }
        break;
    case QEvent::Drop:
        if (watched == ListView1 || watched == ListView1->viewport()) {
            ListView1_Drop(*static_cast<QDropEvent*>(event));
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::showCentered()
{
    // Wayland leaves placement to the compositor and ignores a move.
    const bool placedByCompositor = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr && !placedByCompositor)
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    show();
    ListView1->setFocus();
}

void Form1::setPointerState(PointerState state)
{
    if (state == pointerState_)
        return;
    pointerState_ = state;
    std::vector<QWidget*> surfaces{this};
    for (QWidget* child : findChildren<QWidget*>())
        if (child->window() == this)
            surfaces.push_back(child);
    if (state == PointerState::Default) {
        for (QWidget* surface : surfaces)
            surface->unsetCursor();
        Text1->setCursor(Qt::IBeamCursor);
        return;
    }
    QCursor cursor(Qt::ArrowCursor);
    if (state == PointerState::Busy)
        cursor = QCursor(Qt::WaitCursor);
    else if (state == PointerState::Custom)
        cursor = customPointer_.value_or(QCursor(Qt::PointingHandCursor));
    for (QWidget* surface : surfaces)
        surface->setCursor(cursor);
}

int Form1::check5Value() const
{
    switch (Check5->checkState()) {
    case Qt::Unchecked:
        return 0;
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    }
    return 0;
}

void Form1::setCheck5Value(int value)
{
    Check5->setCheckState(value == 0 ? Qt::Unchecked : value == 1 ? Qt::Checked : Qt::PartiallyChecked);
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
        trap.step(108, [&] { customPointer_ = loadCursorFile(cursorPath); });
    trap.step(110, [&] {
        if (services_.drawOneToHundred() == 7 && !services_.desktop.openExternally(MakerPage))
            throw Failure(QStringLiteral("The web page could not be opened: ") + MakerPage);
    });
    trap.step(128, [&] { folderList_->setHeaderText(QStringLiteral("Folder(s)")); });
    trap.step(130, [&] { ListView1->horizontalHeader()->resizeSection(0, twipsToPixels(ListColumnWidthTwips)); });
    trap.step(132, [&] { resultList_->setHeaderText(QStringLiteral("Results")); });
    trap.step(134, [&] { ListView2->horizontalHeader()->resizeSection(0, twipsToPixels(ListColumnWidthTwips)); });
    restoreSettings(trap);
}

void Form1::restoreSettings(StepTrap& trap)
{
    SettingsStore& settings = services_.settings;
    trap.step(136, [&] {
        setCheck5Value(checkBoxSettingValue(settings.read(QStringLiteral("Check5"), QStringLiteral("1"))));
    });
    trap.step(138, [&] { Text1->setText(settings.read(QStringLiteral("Text1"), QString())); });
    QString option;
    trap.step(140, [&] { option = settings.read(QStringLiteral("Option"), QStringLiteral("1")); });
    if (trap.test(142, [&] { return numericSettingValue(option) == 1; }))
        trap.step(144, [&] { Option1->setChecked(true); });
    else if (trap.test(146, [&] { return numericSettingValue(option) == 2; }))
        trap.step(148, [&] { Option2->setChecked(true); });
    else if (trap.test(150, [&] { return numericSettingValue(option) == 3; }))
        trap.step(152, [&] { Option3->setChecked(true); });
    else
        trap.step(154, [&] { Option4->setChecked(true); });
}

void Form1::ApplySkin()
{
    SkinFramework1.skinIfPresent(*this, services_.programFolder + QStringLiteral("/x/o.cjs"));
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

void Form1::Check5_Click()
{
    services_.settings.write(QStringLiteral("Check5"), QString::number(check5Value()));
}

void Form1::writeOption(int number)
{
    services_.settings.write(QStringLiteral("Option"), QString::number(number));
}

void Form1::Option1_Click()
{
    writeOption(1);
}

void Form1::Option2_Click()
{
    writeOption(2);
}

void Form1::Option3_Click()
{
    writeOption(3);
}

void Form1::Option4_Click()
{
    writeOption(4);
}

void Form1::Text1_Change()
{
    services_.settings.write(QStringLiteral("Text1"), Text1->text());
}

void Form1::Control_MouseMove(QObject* control)
{
    const auto found = eventHandlers_.constFind(control);
    if (found != eventHandlers_.constEnd())
        setPointerState(pointerStateAfterHover(found->hover, pointerState_));
}

void Form1::ListView1_DblClick()
{
    removeSelectedRow(ListView1->selectionModel(), pointerState_ == PointerState::Busy,
                      [this](int row) { folderList_->removeEntry(row); });
}

void Form1::ListView1_DragOver(QDragMoveEvent& event)
{
    acceptFolderDrag(event);
}

void Form1::ListView1_Drop(QDropEvent& event)
{
    if (!acceptFolderDrag(event))
        return;
    StepTrap trap = trapFor("ListView1_Drop");
    folderActions_->addDroppedFolders(trap, event.mimeData()->urls());
}

void Form1::ListView2_DblClick()
{
    removeSelectedRow(ListView2->selectionModel(), trimsRefused(), [this](int row) { resultList_->removeLine(row); });
}

bool Form1::trimsRefused() const
{
    return pointerState_ == PointerState::Busy || resultList_->isHeld();
}

void Form1::ListView1_ContextMenu(const QPoint& position)
{
    ListView1Menu->popup(position);
}

void Form1::ListView2_ContextMenu(const QPoint& position)
{
    containingFolder_ = std::make_unique<ContainingFolder>(selectedResultLine());
    settleOpenFolder();
    mnuUndo->setEnabled(!trimsRefused() && resultList_->canUndo());
    mnuRedo->setEnabled(!trimsRefused() && resultList_->canRedo());
    ListView2Menu->popup(position);
}

void Form1::settleOpenFolder()
{
    mnuOpenFolder->setEnabled(containingFolder_->offered());
    // The lookup's answer comes to this thread; a lookup replaced meanwhile never answers.
    containingFolder_->whenSettled(this, [this] {
        if (containingFolder_)
            mnuOpenFolder->setEnabled(containingFolder_->offered());
    });
}

QByteArrayView Form1::selectedResultLine() const
{
    const QModelIndexList selected = ListView2->selectionModel()->selectedRows();
    return selected.isEmpty() ? QByteArrayView() : resultList_->lineBytes(selected.constFirst().row());
}

void Form1::ListView2Menu_Click(TickChange change)
{
    resultList_->changeAllTicks(change);
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
    if (const std::unique_ptr<ContainingFolder> chosen = std::move(containingFolder_))
        chosen->open(services_.desktop);
}

void Form1::mnuCopyFiles_Click()
{
    StepTrap trap = trapFor("mnuCopyFiles_Click");
    copyTickedAsFiles(trap, services_.desktop, *resultList_);
}

void Form1::mnuUndo_Click()
{
    if (trimsRefused())
        return;
    StepTrap trap = trapFor("mnuUndo_Click");
    trap.step(100, [&] { resultList_->undo(); });
}

void Form1::mnuRedo_Click()
{
    if (trimsRefused())
        return;
    StepTrap trap = trapFor("mnuRedo_Click");
    trap.step(100, [&] { resultList_->redo(); });
}

void Form1::mnuExport_Click()
{
    StepTrap trap = trapFor("mnuExport_Click");
    exportList(trap, services_.desktop, *resultList_, pointerSetter());
}

void Form1::PushButton1_Click()
{
    StepTrap trap = trapFor("PushButton1_Click");
    searchRun_->click(trap);
}

StepTrap Form1::trapFor(const char* handlerName)
{
    return StepTrap(services_.desktop, handlerLocation(handlerName));
}

SetPointerState Form1::pointerSetter()
{
    return [this](PointerState state) { setPointerState(state); };
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

// Delete removes as a double-click does, with any modifier.
void Form1::ListView1_KeyDown(int key)
{
    if (keyWithoutModifiers(key) == Qt::Key_Delete)
        ListView1_DblClick();
}

void Form1::ListView2_KeyDown(int key)
{
    if (keyWithoutModifiers(key) == Qt::Key_Delete)
        ListView2_DblClick();
    const QKeySequence pressed(QKeyCombination::fromCombined(key & ~static_cast<int>(Qt::KeypadModifier)));
    if (pressed == QKeySequence(UndoKey))
        mnuUndo_Click();
    else if (RedoKeys.contains(pressed))
        mnuRedo_Click();
}
