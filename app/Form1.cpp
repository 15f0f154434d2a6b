#include "Form1.h"

#include "AppTitle.h"
#include "CursorFile.h"
#include "Desktop.h"
#include "Failure.h"
#include "FileExists.h"
#include "Form1Layout.h"
#include "SettingsStore.h"
#include "StepTrap.h"
#include "folders/FolderListActions.h"
#include "folders/FolderListModel.h"
#include "folders/ListRemoval.h"
#include "help/HelpLinks.h"
#include "results/ClipboardCopy.h"
#include "results/ResultExport.h"
#include "results/ResultFilters.h"
#include "results/ResultModel.h"
#include "search/SearchRun.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
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
#include <cmath>
#include <limits>
#include <utility>
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

// The numeric value of a stored text, as a conversion to a number reads it.
double numericValue(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw Failure(QStringLiteral("Type mismatch"));
    return value;
}

int checkBoxValue(const QString& text)
{
    const double value = std::nearbyint(numericValue(text));
    if (value < 0 || value > 2)
        throw Failure(QStringLiteral("Invalid property value"));
    return static_cast<int>(value);
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

// Takes a drag that brings a folder of this machine, as a copy or a link: a
// move would let the file manager delete what was dragged.
bool acceptFolderDrag(QDropEvent& event)
{
    const Qt::DropActions offered = event.possibleActions();
    const Qt::DropAction action = offered.testFlag(Qt::CopyAction)   ? Qt::CopyAction
                                  : offered.testFlag(Qt::LinkAction) ? Qt::LinkAction
                                                                     : Qt::IgnoreAction;
    if (action == Qt::IgnoreAction || event.mimeData() == nullptr || !holdsLocalFolder(event.mimeData()->urls())) {
        event.ignore();
        return false;
    }
    event.setDropAction(action);
    event.accept();
    return true;
}

} // namespace

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
    const QRadioButton* const options[] = {Option1, Option2, Option3, Option4};
    searchRun_ = std::make_unique<SearchRun>(
        services_.desktop, *folderList_, *resultList_,
        SearchControls{[this] { return PushButton1->text(); },
                       [this](const QString& caption) { PushButton1->setText(caption); },
                       [this] { return Text1->text(); }, [this] { return check5Value(); },
                       [options](int number) { return options[number - 1]->isChecked(); }, pointerSetter()});
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

    QPalette buttonPalette = palette();
    buttonPalette.setColor(QPalette::Button, Qt::white);

    std::vector<std::pair<int, QWidget*>> tabStops;
    for (const ControlPlacement& placement : Form1Controls) {
        QWidget* container = placement.container ? findChild<QWidget*>(QLatin1String(placement.container)) : this;
        const QString caption = QString::fromLatin1(placement.caption);
        QWidget* control = nullptr;
        switch (placement.kind) {
        case ControlKind::PushButton: {
            auto* button = new QPushButton(caption, container);
            button->setAutoDefault(false);
            button->setFont(arialBold(11.25));
            button->setPalette(buttonPalette);
            control = button;
            break;
        }
        case ControlKind::ListView: {
            auto* view = new QTableView(container);
            configureReportView(view);
            control = view;
            break;
        }
        case ControlKind::Frame:
            control = new QGroupBox(caption, container);
            break;
        case ControlKind::TextBox:
            control = new QLineEdit(caption, container);
            break;
        case ControlKind::CheckBox:
            control = new SubfolderCheckBox(caption, container);
            break;
        case ControlKind::OptionButton:
            control = new QRadioButton(caption, container);
            break;
        }
        control->setObjectName(QLatin1String(placement.name));
        control->setGeometry(pixelRect(placement));
        // Controls without a pointer rule of their own keep the pointer as it is;
        // their moves must not reach the frame around them.
        if (placement.kind == ControlKind::CheckBox || placement.kind == ControlKind::OptionButton)
            control->setAttribute(Qt::WA_NoMousePropagation);
        if (control->focusPolicy() != Qt::NoFocus)
            tabStops.emplace_back(placement.tabIndex, control);
    }

    PushButton1 = findChild<QPushButton*>(QStringLiteral("PushButton1"));
    PushButton2 = findChild<QPushButton*>(QStringLiteral("PushButton2"));
    PushButton3 = findChild<QPushButton*>(QStringLiteral("PushButton3"));
    PushButton4 = findChild<QPushButton*>(QStringLiteral("PushButton4"));
    PushButton5 = findChild<QPushButton*>(QStringLiteral("PushButton5"));
    PushButton6 = findChild<QPushButton*>(QStringLiteral("PushButton6"));
    PushButton7 = findChild<QPushButton*>(QStringLiteral("PushButton7"));
    PushButton8 = findChild<QPushButton*>(QStringLiteral("PushButton8"));
    PushButton11 = findChild<QPushButton*>(QStringLiteral("PushButton11"));
    PushButton17 = findChild<QPushButton*>(QStringLiteral("PushButton17"));
    ListView1 = findChild<QTableView*>(QStringLiteral("ListView1"));
    ListView2 = findChild<QTableView*>(QStringLiteral("ListView2"));
    Frame1 = findChild<QGroupBox*>(QStringLiteral("Frame1"));
    Frame2 = findChild<QGroupBox*>(QStringLiteral("Frame2"));
    Frame3 = findChild<QGroupBox*>(QStringLiteral("Frame3"));
    Text1 = findChild<QLineEdit*>(QStringLiteral("Text1"));
    Check5 = findChild<QCheckBox*>(QStringLiteral("Check5"));
    Option1 = findChild<QRadioButton*>(QStringLiteral("Option1"));
    Option2 = findChild<QRadioButton*>(QStringLiteral("Option2"));
    Option3 = findChild<QRadioButton*>(QStringLiteral("Option3"));
    Option4 = findChild<QRadioButton*>(QStringLiteral("Option4"));

    ListView1->setModel(folderList_);
    ListView2->setModel(resultList_);
    ListView1->setAcceptDrops(true);
    ListView2Menu = new QMenu(ListView2);
    Check5->setCheckState(Qt::Checked);
    Text1->setMaxLength(std::numeric_limits<int>::max()); // the toolkit's 32767 would cut a stored phrase

    std::sort(tabStops.begin(), tabStops.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 1; i < tabStops.size(); ++i)
        setTabOrder(tabStops[i - 1].second, tabStops[i].second);
}

void Form1::routeEvents(QWidget* control, const EventHandlers& handlers)
{
    std::vector<QWidget*> parts{control};
    if (auto* view = qobject_cast<QAbstractItemView*>(control)) {
        parts.push_back(view->viewport());
        if (auto* table = qobject_cast<QTableView*>(view))
            parts.push_back(table->horizontalHeader());
    }
    for (QWidget* part : parts) {
        // Each control answers for the pointer over itself alone.
        part->setMouseTracking(true);
        part->setAttribute(Qt::WA_NoMousePropagation);
        part->installEventFilter(this);
        eventHandlers_.insert(part, handlers);
    }
}

void Form1::wireEvents()
{
    connect(Check5, &QCheckBox::stateChanged, this, [this] { Check5_Click(); });
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

    const std::pair<QWidget*, void (Form1::*)()> moves[] = {
        {this, &Form1::Form_MouseMove},
        {Frame1, &Form1::Frame1_MouseMove},
        {Frame2, &Form1::Frame2_MouseMove},
        {Frame3, &Form1::Frame3_MouseMove},
        {Text1, &Form1::Text1_MouseMove},
        {PushButton1, &Form1::PushButton1_MouseMove},
        {PushButton2, &Form1::PushButton2_MouseMove},
        {PushButton3, &Form1::PushButton3_MouseMove},
        {PushButton4, &Form1::PushButton4_MouseMove},
        {PushButton5, &Form1::PushButton5_MouseMove},
        {PushButton6, &Form1::PushButton6_MouseMove},
        {PushButton7, &Form1::PushButton7_MouseMove},
        {PushButton8, &Form1::PushButton8_MouseMove},
        {PushButton11, &Form1::PushButton11_MouseMove},
        {PushButton17, &Form1::PushButton17_MouseMove},
    };
    for (const auto& [control, handler] : moves)
        routeEvents(control, {[this, handler = handler] { (this->*handler)(); }, {}, {}});
    routeEvents(ListView1, {[this] { ListView1_MouseMove(); }, [this](int key) { ListView1_KeyDown(key); },
                            [this] { ListView1_DblClick(); }});
    routeEvents(ListView2, {[this] { ListView2_MouseMove(); }, [this](int key) { ListView2_KeyDown(key); },
                            [this] { ListView2_DblClick(); }});

    ListView2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView2, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& position) { ListView2_ContextMenu(position); });
    const std::pair<const char*, TickChange> tickCommands[] = {
        {"Tick All", TickChange::TickAll},
        {"Untick All", TickChange::UntickAll},
        {"Invert Ticks", TickChange::InvertTicks},
    };
    for (const auto& [caption, change] : tickCommands) {
        const QAction* action = ListView2Menu->addAction(QString::fromLatin1(caption));
        connect(action, &QAction::triggered, this, [this, change = change] { ListView2Menu_Click(change); });
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    const auto found = eventHandlers_.constFind(watched);
    if (found == eventHandlers_.constEnd())
        return QWidget::eventFilter(watched, event);
    const EventHandlers& handlers = found.value();
    switch (event->type()) {
    case QEvent::MouseMove:
        if (watched == ListView2->viewport())
            selectLineUnderPointer(*ListView2, static_cast<QMouseEvent*>(event)->position().toPoint());
        if (handlers.mouseMove)
            handlers.mouseMove();
        break;
    case QEvent::KeyPress:
        if (handlers.keyDown)
            handlers.keyDown(static_cast<QKeyEvent*>(event)->key());
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
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    show();
    ListView1->setFocus();
}

void Form1::setPointerState(int state)
{
    if (state == pointerState_)
        return;
    pointerState_ = state;
    std::vector<QWidget*> surfaces{this};
    for (QWidget* child : findChildren<QWidget*>())
        if (child->window() == this)
            surfaces.push_back(child);
    if (state == PointerDefault) {
        for (QWidget* surface : surfaces)
            surface->unsetCursor();
        Text1->setCursor(Qt::IBeamCursor);
        return;
    }
    QCursor cursor(Qt::ArrowCursor);
    if (state == PointerBusy)
        cursor = QCursor(Qt::WaitCursor);
    else if (state == PointerCustom)
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
    StepTrap trap(services_.desktop, handlerLocation("Form_Load"));
    trap.step(100, [&] { ApplySkin(); });
    trap.step(104, [&] { setWindowTitle(ProductName); });
    trap.step(104, [&] { setWindowIcon(QIcon(QStringLiteral(":/icons/scrivlist.svg"))); });
    trap.step(104, [&] { QCoreApplication::setApplicationName(deriveAppTitle(ProductName)); });
    const QString cursorPath = services_.programFolder + QStringLiteral("/HAND-M.CUR");
    if (trap.test(106, [&] { return FileExists(cursorPath); }))
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
    trap.step(136,
              [&] { setCheck5Value(checkBoxValue(settings.read(QStringLiteral("Check5"), QStringLiteral("1")))); });
    trap.step(138, [&] { Text1->setText(settings.read(QStringLiteral("Text1"), QString())); });
    QString option;
    trap.step(140, [&] { option = settings.read(QStringLiteral("Option"), QStringLiteral("1")); });
    if (trap.test(142, [&] { return numericValue(option) == 1; }))
        trap.step(144, [&] { Option1->setChecked(true); });
    else if (trap.test(146, [&] { return numericValue(option) == 2; }))
        trap.step(148, [&] { Option2->setChecked(true); });
    else if (trap.test(150, [&] { return numericValue(option) == 3; }))
        trap.step(152, [&] { Option3->setChecked(true); });
    else
        trap.step(154, [&] { Option4->setChecked(true); });
}

void Form1::ApplySkin()
{
    const QString skinPath = services_.programFolder + QStringLiteral("/x/o.cjs");
    if (!skinFileIsPresent(skinPath))
        return;
    recolourForSkin(*this);
    SkinFramework1.load(skinPath);
    SkinFramework1.setOptions(SkinFramework1.options() | SkinEngine::Active);
    SkinFramework1.setKeepsLayout(true);
    SkinFramework1.setStyledBackground(true);
    SkinFramework1.apply(*this);
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

void Form1::Form_MouseMove()
{
    setPointerState(pointerStateAfterHover(HoverTarget::Surface, pointerState_));
}

void Form1::Frame1_MouseMove()
{
    setPointerState(pointerStateAfterHover(HoverTarget::Surface, pointerState_));
}

void Form1::Frame2_MouseMove()
{
    setPointerState(pointerStateAfterHover(HoverTarget::Surface, pointerState_));
}

void Form1::Frame3_MouseMove()
{
    setPointerState(pointerStateAfterHover(HoverTarget::Surface, pointerState_));
}

void Form1::Text1_MouseMove()
{
    setPointerState(pointerStateAfterHover(HoverTarget::Surface, pointerState_));
}

void Form1::ListView1_DblClick()
{
    removeSelectedRow(ListView1->selectionModel(), pointerState_ == PointerBusy,
                      [this](int row) { folderList_->removeEntry(row); });
}

void Form1::ListView1_MouseMove()
{
    setPointerState(pointerStateAfterHover(HoverTarget::Surface, pointerState_));
}

void Form1::ListView1_DragOver(QDragMoveEvent& event)
{
    acceptFolderDrag(event);
}

void Form1::ListView1_Drop(QDropEvent& event)
{
    if (acceptFolderDrag(event))
        folderActions_->addDroppedFolders(event.mimeData()->urls());
}

void Form1::ListView2_DblClick()
{
    removeSelectedRow(ListView2->selectionModel(), pointerState_ == PointerBusy,
                      [this](int row) { resultList_->removeLine(row); });
}

void Form1::ListView2_MouseMove()
{
    setPointerState(pointerStateAfterHover(HoverTarget::Surface, pointerState_));
}

void Form1::ListView2_ContextMenu(const QPoint& position)
{
    ListView2Menu->popup(ListView2->viewport()->mapToGlobal(position));
}

void Form1::ListView2Menu_Click(TickChange change)
{
    resultList_->changeAllTicks(change);
}

void Form1::PushButton1_Click()
{
    searchRun_->click();
}

SetPointerState Form1::pointerSetter()
{
    return [this](PointerState state) { setPointerState(state); };
}

void Form1::PushButton2_Click()
{
    saveResultsAsTextFile(services_.desktop, *resultList_, pointerSetter());
}

void Form1::PushButton3_Click()
{
    folderActions_->addPickedFolder();
}

void Form1::PushButton4_Click()
{
    copyResultsToClipboard(services_.desktop, *resultList_);
}

void Form1::PushButton5_Click()
{
    StepTrap trap(services_.desktop, handlerLocation("PushButton5_Click"));
    trap.step(100, [&] { openCompanionToolPage(services_.desktop); });
}

void Form1::PushButton6_Click()
{
    StepTrap trap(services_.desktop, handlerLocation("PushButton6_Click"));
    trap.step(100, [&] { resultList_->clear(); });
}

void Form1::PushButton7_Click()
{
    StepTrap trap(services_.desktop, handlerLocation("PushButton7_Click"));
    trap.step(100, [&] { showHelp(services_.desktop); });
}

void Form1::PushButton8_Click()
{
    folderActions_->addSampleFolder();
}

void Form1::PushButton11_Click()
{
    runPhraseFilter(services_.desktop, *resultList_, RemoveNotContainingFilter, pointerSetter());
}

void Form1::PushButton17_Click()
{
    runPhraseFilter(services_.desktop, *resultList_, RemoveContainingFilter, pointerSetter());
}

void Form1::PushButton1_MouseMove()
{
    setPointerState(pointerStateAfterHover(HoverTarget::StartButton, pointerState_));
}

void Form1::PushButton2_MouseMove()
{
    setPointerState(pointerStateAfterHover(HoverTarget::Button, pointerState_));
}

void Form1::PushButton3_MouseMove()
{
    setPointerState(pointerStateAfterHover(HoverTarget::Button, pointerState_));
}

void Form1::PushButton4_MouseMove()
{
    setPointerState(pointerStateAfterHover(HoverTarget::Button, pointerState_));
}

void Form1::PushButton5_MouseMove()
{
    setPointerState(pointerStateAfterHover(HoverTarget::Button, pointerState_));
}

void Form1::PushButton6_MouseMove()
{
    setPointerState(pointerStateAfterHover(HoverTarget::Button, pointerState_));
}

void Form1::PushButton7_MouseMove()
{
    setPointerState(pointerStateAfterHover(HoverTarget::Button, pointerState_));
}

void Form1::PushButton8_MouseMove()
{
    setPointerState(pointerStateAfterHover(HoverTarget::Button, pointerState_));
}

void Form1::PushButton11_MouseMove()
{
    setPointerState(pointerStateAfterHover(HoverTarget::Button, pointerState_));
}

void Form1::PushButton17_MouseMove()
{
    setPointerState(pointerStateAfterHover(HoverTarget::Button, pointerState_));
}

// Delete removes as a double-click does, with any modifier.
void Form1::ListView1_KeyDown(int key)
{
    if (key == Qt::Key_Delete)
        ListView1_DblClick();
}

void Form1::ListView2_KeyDown(int key)
{
    if (key == Qt::Key_Delete)
        ListView2_DblClick();
}
