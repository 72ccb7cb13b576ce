#include "tallyboard/BasicMdiForm.h"

#include "platform/CodePage.h"
#include "platform/DatabaseConnection.h"
#include "platform/DatabaseQuery.h"
#include "tallyboard/ColumnFile.h"
#include "tallyboard/ColumnFilePlace.h"
#include "tallyboard/ConstUnit.h"
#include "tallyboard/ExportFlow.h"
#include "ui/DataGrid.h"
#include "ui/Fonts.h"
#include "ui/MessageBox.h"
#include "ui/Picture.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QTableView>
#include <QVBoxLayout>
#include <filesystem>

using namespace tallyboard;

namespace {

constexpr int TitleHeight = 52;
constexpr int ToolbarHeight = 30;
constexpr int BottomHeight = 59;
constexpr int CloseSize = 46;
constexpr int CloseTop = 3;
constexpr int CloseRightMargin = 16;
const char* const BottomOffsetProperty = "bottomOffset";

QFrame* CreatePanel(QWidget* parent, const QString& name) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    return panel;
}

void Fill(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// The column file keeps its encoding: texts are decoded and encoded as the file's bytes are.
QString DecodeColumnText(const std::string& bytes, bool utf8) {
    return utf8 ? QString::fromStdString(bytes) : platform::FromGbk(bytes);
}

std::string EncodeColumnText(const QString& text, bool utf8) {
    return utf8 ? text.toStdString() : platform::ToGbk(text);
}

} // namespace

TfrmBasicMid::TfrmBasicMid(const QString& programDirectory, QWidget* parent)
    : TfrmBasicMid(programDirectory, ComponentsOnly{}, parent) {
    FormCreate();
}

TfrmBasicMid::TfrmBasicMid(const QString& programDirectory, ComponentsOnly, QWidget* parent)
    : QWidget(parent), programDir(programDirectory) {
    setWindowTitle(u"窗体标题"_qs);
    resize(DesignWidth, DesignHeight);
    setFont(ui::SongFont(12));
    CreateComponents();
    qApp->installEventFilter(this);
}

TfrmBasicMid::~TfrmBasicMid() {
    qApp->removeEventFilter(this);
    dbgrdData->setDataSet(nullptr);
}

void TfrmBasicMid::CreateComponents() {
    Panel2 = CreatePanel(this, u"Panel2"_qs);
    Fill(Panel2, Qt::white);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Panel2);

    ADOQuery1 = new platform::TADOQuery(this);
    CreateActions();
    CreateTitleBar();
    CreateToolbar();
    dbgrdData = new ui::DataGrid(Panel2);
    dbgrdData->setObjectName(u"dbgrdData"_qs);
    dbgrdData->setDataSet(ADOQuery1);
    CreateBottomBar();
    CreatePopupMenu();

    auto* column = new QVBoxLayout(Panel2);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(pnlTop);
    column->addWidget(pnlToolbar);
    column->addWidget(dbgrdData, 1);
    column->addWidget(pnlBottom);

    connect(dbgrdData, &ui::DataGrid::titleClicked, this, &TfrmBasicMid::dbgrdDataTitleClick);
    // The write-back may raise file errors: it runs in an event of its own, outside the grid.
    connect(dbgrdData, &ui::DataGrid::columnMoved, this, &TfrmBasicMid::dbgrdDataColumnMoved,
            Qt::QueuedConnection);
    connect(dbgrdData, &ui::DataGrid::columnWidthsChanged, this,
            &TfrmBasicMid::dbgrdDataColWidthsChanged, Qt::QueuedConnection);
}

void TfrmBasicMid::CreateTitleBar() {
    pnlTop = CreatePanel(Panel2, u"pnlTop"_qs);
    pnlTop->setFixedHeight(TitleHeight);
    imgTitleLeft = new ui::PictureBox(pnlTop);
    imgTitleLeft->setGeometry(0, 0, 800, TitleHeight);
    imgTitleRight = new ui::PictureBox(pnlTop);
    imgTitleRight->setStretch(true);
    imgTitleRight->setPicture(ui::LoadPicture(u":/tallyboard/pictures/title-right.jpg"_qs));

    const QString hint = u"点击关闭当前窗口"_qs;
    imgUp = new ui::PictureBox(pnlTop);
    imgUp->setPicture(ui::LoadPicture(u":/tallyboard/pictures/close-up.bmp"_qs));
    imgDown = new ui::PictureBox(pnlTop);
    imgDown->setPicture(ui::LoadPicture(u":/tallyboard/pictures/close-down.bmp"_qs));
    btnClose = new ui::PictureBox(pnlTop);
    btnClose->setPicture(imgUp->picture());
    btnClose->setAttribute(Qt::WA_TranslucentBackground);
    btnClose->setCursor(Qt::PointingHandCursor);
    for (ui::PictureBox* picture : {btnClose, imgDown, imgUp}) {
        picture->resize(CloseSize, CloseSize);
        picture->move(DesignWidth - CloseSize - CloseRightMargin, CloseTop);
        picture->setToolTip(hint);
        connect(picture, &ui::PictureBox::clicked, this, &TfrmBasicMid::btnCloseClick);
    }
    imgDown->hide();
    imgUp->hide();
    for (ui::PictureBox* picture : {imgTitleLeft, imgTitleRight, btnClose})
        picture->setMouseTracking(true);
    connect(btnClose, &ui::PictureBox::mouseMoved, this, &TfrmBasicMid::btnCloseMouseMove);
    connect(imgTitleLeft, &ui::PictureBox::mouseMoved, this, &TfrmBasicMid::imgTitleLeftMouseMove);
    connect(imgTitleRight, &ui::PictureBox::mouseMoved, this, &TfrmBasicMid::imgTitleLeftMouseMove);
    pnlTop->installEventFilter(this);
}

void TfrmBasicMid::CreateToolbar() {
    pnlToolbar = CreatePanel(Panel2, u"pnlToolbar"_qs);
    pnlToolbar->setFixedHeight(ToolbarHeight);
    pnlToolbar->setFrameShape(QFrame::StyledPanel);
    pnlToolbar->setFrameShadow(QFrame::Plain);
    Fill(pnlToolbar, palette().color(QPalette::Button));
    btnSearch = CreateButton(pnlToolbar, u"查询(&S)"_qs, 7, actSearch);
    btnSearch->setObjectName(u"btnSearch"_qs);
    btnSearch->setGeometry(429, 4, 79, 22);
    btnSearch->setFont(ui::SongFont(13));
    QPalette red = btnSearch->palette();
    red.setColor(QPalette::ButtonText, Qt::red);
    btnSearch->setPalette(red);
    btnSearch->SetRaisedText(true);
}

void TfrmBasicMid::CreateBottomBar() {
    pnlBottom = CreatePanel(Panel2, u"pnlBottom"_qs);
    pnlBottom->setFixedHeight(BottomHeight);
    Fill(pnlBottom, BottomBarColour);
    Shape1 = CreatePanel(pnlBottom, u"Shape1"_qs);
    Fill(Shape1, BottomBarColour);
    Shape1->setGeometry(0, 0, DesignWidth, BottomHeight);

    rzsprtr1 = new TGradientSeparator(pnlBottom);
    rzsprtr1->setGeometry(4, 24, 658, 2);
    btnAdd = CreateButton(pnlBottom, u"添加(&A)"_qs, 1, actAdd);
    btnAdd->setGeometry(5, 30, 81, 22);
    btnEdit = CreateButton(pnlBottom, u"修改(&M)"_qs, 5, actEdit);
    btnEdit->setGeometry(90, 30, 81, 22);
    btnDel = CreateButton(pnlBottom, u"删除(&D)"_qs, 3, actDel);
    btnDel->setGeometry(174, 30, 81, 22);
    btnExport = CreateButton(pnlBottom, u"导出(&E)"_qs, 0, actExport);
    btnExport->setGeometry(259, 30, 81, 22);
    for (QWidget* control : {static_cast<QWidget*>(rzsprtr1), static_cast<QWidget*>(btnAdd),
                             static_cast<QWidget*>(btnEdit), static_cast<QWidget*>(btnDel),
                             static_cast<QWidget*>(btnExport)})
        KeepAtBottomLeft(control);
    pnlBottom->installEventFilter(this);
}

void TfrmBasicMid::CreateActions() {
    ActionList1 = new QObject(this);
    ActionList1->setObjectName(u"ActionList1"_qs);
    auto action = [this](const QString& caption, int icon) {
        auto* created = new QAction(Il16Icon(icon), caption, ActionList1);
        return created;
    };
    actAdd = action(u"添加记录"_qs, 1);
    actEdit = action(u"编辑记录"_qs, 5);
    actDel = action(u"删除记录"_qs, 3);
    actSearch = action(u"搜索"_qs, 7);
    actExport = action(u"导出数据"_qs, 0);
    connect(actDel, &QAction::triggered, this, &TfrmBasicMid::actDelExecute, Qt::QueuedConnection);
}

void TfrmBasicMid::CreatePopupMenu() {
    pmGrid = new QMenu(this);
    mniAdd = CreateMenuItem(actAdd);
    mniEdit = CreateMenuItem(actEdit);
    mniDel = CreateMenuItem(actDel);
    N1 = pmGrid->addSeparator();
    N2 = CreateMenuItem(actExport);
    dbgrdData->view()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(dbgrdData->view(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { pmGrid->popup(dbgrdData->view()->mapToGlobal(at)); });
}

QAction* TfrmBasicMid::CreateMenuItem(QAction* action) {
    QAction* entry = pmGrid->addAction(action->icon(), action->text());
    connect(entry, &QAction::triggered, action, &QAction::trigger);
    return entry;
}

TStyledButton* TfrmBasicMid::CreateButton(QWidget* parent, const QString& caption, int icon,
                                          QAction* action) {
    auto* button = new TStyledButton(caption, parent);
    QIcon pictures = Il16Icon(icon);
    if (icon == 1 || icon == 7)
        pictures.addPixmap(Il16Icon(8).pixmap(16, 16), QIcon::Disabled);
    button->setIcon(pictures);
    connect(button, &QPushButton::clicked, action, &QAction::trigger);
    return button;
}

// The bottom bar's controls keep their distance from its bottom edge when its height changes.
void TfrmBasicMid::KeepAtBottomLeft(QWidget* control) {
    control->setProperty(BottomOffsetProperty, BottomHeight - control->y());
}

void TfrmBasicMid::PlaceBottomControls() {
    for (QObject* child : pnlBottom->children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (control && control->property(BottomOffsetProperty).isValid())
            control->move(control->x(),
                          pnlBottom->height() - control->property(BottomOffsetProperty).toInt());
    }
    Shape1->setGeometry(pnlBottom->rect());
}

void TfrmBasicMid::FormCreate() {
    gridTitelID.clear();
    gridTitleFile = programDir + ColumnFileName;
    adjustWidth = false;
    tableName.clear();
    showFoodter = true;
}

void TfrmBasicMid::SetGridTitelID(const QString& section) {
    if (section == gridTitelID)
        return;
    gridTitelID = section;
    ReloadColumnsWhenComplete();
}

void TfrmBasicMid::SetGridTitleFile(const QString& file) {
    if (file == gridTitleFile)
        return;
    gridTitleFile = file;
    ReloadColumnsWhenComplete();
}

void TfrmBasicMid::ReloadColumnsWhenComplete() {
    if (!gridTitelID.isEmpty() && !gridTitleFile.isEmpty())
        LoadGridColumns(*dbgrdData, gridTitelID, gridTitleFile);
}

void TfrmBasicMid::LoadGridColumns(ui::DataGrid& grid, const QString& section,
                                   const QString& file) {
    QDir::setCurrent(programDir);
    const std::string bytes =
        ReadColumnFile(ColumnFilePlaceFor(PathOf(file), UserConfigFolder()).read);
    const bool utf8 = IsUtf8ColumnFile(bytes);
    const GridColumnLayout layout = ParseColumnLayout(bytes, EncodeColumnText(section, utf8));
    grid.clearColumns();
    for (const GridColumnInfo& info : layout.columns) {
        ui::GridColumn column;
        column.fieldName = DecodeColumnText(info.fieldName, utf8);
        column.title = DecodeColumnText(info.title, utf8);
        column.displayFormat = DecodeColumnText(info.displayFormat, utf8);
        column.width = info.width;
        column.visible = true;
        column.alignment = Qt::AlignLeft | Qt::AlignVCenter;
        grid.addColumn(column);
    }
    if (layout.error)
        std::rethrow_exception(layout.error);
    // Only columns read from the section count: the grid's stand-in columns for the fields of
    // an open result are rebuilt at the next search and carry no footer.
    if (showFoodter && layout.columns.size() >= 3) {
        grid.setFooter(0,
                       {ui::FooterKind::Text, RecordCountLabel, Qt::AlignRight | Qt::AlignVCenter});
        grid.setFooter(1, {ui::FooterKind::RecordCount, {}, Qt::AlignLeft | Qt::AlignVCenter});
    }
}

void SaveGridColumns(const ui::DataGrid& grid, const QString& section, const QString& file) {
    const ColumnFilePlace place = ColumnFilePlaceFor(PathOf(file), UserConfigFolder());
    const std::string bytes = ReadColumnFile(place.read);
    const bool utf8 = IsUtf8ColumnFile(bytes);
    std::vector<GridColumnInfo> columns;
    for (int index : grid.displayOrder()) {
        columns.push_back({EncodeColumnText(grid.columnFieldName(index), utf8),
                           EncodeColumnText(grid.columnTitle(index), utf8),
                           EncodeColumnText(grid.columnDisplayFormat(index), utf8),
                           grid.columnWidth(index)});
    }
    const std::string text = RewriteColumnLayout(bytes, EncodeColumnText(section, utf8), columns);
    SaveColumnLayoutAt(place, text);
}

bool TfrmBasicMid::ColumnWriteBackOn() const {
    return !gridTitelID.isEmpty() && !gridTitleFile.isEmpty() && adjustWidth;
}

void TfrmBasicMid::dbgrdDataColumnMoved(int, int) {
    if (ColumnWriteBackOn())
        SaveGridColumns(*dbgrdData, gridTitelID, gridTitleFile);
}

void TfrmBasicMid::dbgrdDataColWidthsChanged() {
    if (ColumnWriteBackOn())
        SaveGridColumns(*dbgrdData, gridTitelID, gridTitleFile);
}

// A failed sort (a field the cursor cannot order by) leaves the order as it was, silently.
void TfrmBasicMid::dbgrdDataTitleClick(int column) {
    try {
        platform::TADOQuery* query = dbgrdData->dataSet();
        if (!query || !query->Active())
            return;
        if (dbgrdData->columnTitle(column) == MarkColumnTitle)
            return;
        const QString field = dbgrdData->columnFieldName(column);
        const bool descending = query->Sort().contains(u"DESC"_qs, Qt::CaseSensitive);
        query->SetSort(field + (descending ? u" ASC"_qs : u" DESC"_qs));
    } catch (...) {
    }
}

bool TfrmBasicMid::ExportToExcel(const QString& title) {
    return ExportGridToExcel(*dbgrdData, this, title);
}

void TfrmBasicMid::SetTableName(const QString& name) {
    if (name == tableName)
        return;
    tableName = name;
    if (!conn)
        throw platform::Exception("未设置数据库连接,无法清除表 " + name.toStdString() +
                                  " 的选中标记");
    conn->Execute(u"update "_qs + name + u" set checked=0"_qs);
}

void TfrmBasicMid::actDelExecute() {
    if (tableName.isEmpty())
        return;
    const QString nothingChosen = u"没有数据被选择,请选择后再试!"_qs;
    if (!ADOQuery1->Active() || ADOQuery1->IsEmpty()) {
        ui::MessageBox(this, nothingChosen, NoticeCaption, ui::MB_OK | ui::MB_ICONINFORMATION);
        return;
    }
    const int remembered = ADOQuery1->CurrentRow();
    const int checked = ADOQuery1->FieldIndex(u"checked"_qs);
    if (checked < 0)
        throw platform::EDatabaseError(u"ADOQuery1: 找不到字段 'checked'"_qs);
    int found = -1;
    for (int row = 0; row < ADOQuery1->RecordCount() && found < 0; ++row) {
        const QVariant value = ADOQuery1->Value(row, checked);
        if (!value.isNull() && value.toBool() && value.toLongLong() == 1)
            found = row;
    }
    if (found < 0) {
        ui::MessageBox(this, nothingChosen, NoticeCaption, ui::MB_OK | ui::MB_ICONINFORMATION);
        ADOQuery1->SetCurrentRow(remembered);
        return;
    }
    ADOQuery1->SetCurrentRow(found);
    if (ui::MessageBox(this, u"您确定要删除选中的数据吗？"_qs, QuestionCaption,
                       ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES)
        return;
    if (!conn)
        throw platform::Exception("未设置数据库连接,无法删除选中的数据");
    ADOQuery1->UpdateBatch();
    conn->Execute(u"UPDATE "_qs + tableName + u" SET DEL_FLAG=1 WHERE CHECKED=1"_qs);
    conn->Execute(u"UPDATE "_qs + tableName + u" SET CHECKED=0"_qs);
}

void TfrmBasicMid::FormKeyDown(int key, Qt::KeyboardModifiers) {
    QWidget* focused = QApplication::focusWidget();
    if (!focused || !isAncestorOf(focused) || qobject_cast<QPushButton*>(focused))
        return;
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    if (focused->property("tag").toInt() == KeepFocusOnEnterTag)
        return;
    focusNextChild();
}

void TfrmBasicMid::btnCloseClick() {
    close();
}

void TfrmBasicMid::btnCloseMouseMove() {
    if (closeHot)
        return;
    btnClose->setPicture(imgDown->picture().copy());
    closeHot = true;
}

void TfrmBasicMid::imgTitleLeftMouseMove() {
    if (!closeHot)
        return;
    btnClose->setPicture(imgUp->picture().copy());
    closeHot = false;
}

void TfrmBasicMid::pnlTopResize() {
    btnClose->move(frameGeometry().width() - btnClose->width() - CloseRightMargin, CloseTop);
    imgTitleRight->setGeometry(imgTitleLeft->width(), 0,
                               std::max(0, pnlTop->width() - imgTitleLeft->width()),
                               pnlTop->height());
}

// The host hears of the closing through a posted event carrying the message's parameters;
// without a host nothing is posted.
TCloseAction TfrmBasicMid::FormClose() {
    if (HostHandle != 0) {
        if (QWidget* host = QWidget::find(HostHandle))
            QCoreApplication::postEvent(host, new THostCloseEvent(winId()));
    }
    return TCloseAction::caFree;
}

void TfrmBasicMid::closeEvent(QCloseEvent* event) {
    const TCloseAction action = FormClose();
    if (action == TCloseAction::caNone) {
        event->ignore();
        return;
    }
    setAttribute(Qt::WA_DeleteOnClose, action == TCloseAction::caFree);
    event->accept();
}

bool TfrmBasicMid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched == QApplication::focusWidget() &&
        isAncestorOf(QApplication::focusWidget())) {
        const auto* key = static_cast<QKeyEvent*>(event);
        FormKeyDown(key->key(), key->modifiers());
    } else if (event->type() == QEvent::Resize && watched == pnlTop) {
        pnlTopResize();
    } else if (event->type() == QEvent::Resize && watched == pnlBottom) {
        PlaceBottomControls();
    }
    return QWidget::eventFilter(watched, event);
}
