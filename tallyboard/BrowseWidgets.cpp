#include "tallyboard/BrowseWidgets.h"

#include "ui/Fonts.h"
#include "ui/Picture.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLinearGradient>
#include <QPainter>
#include <QTableView>

using tallyboard::BottomBarColour;

namespace {

const QColor ButtonFace(244, 244, 240);
const QColor ButtonFrame(0, 60, 116);
const QColor ButtonHotFace(255, 250, 222);

} // namespace

QIcon Il16Icon(int index) {
    static const QImage strip = ui::LoadPicture(u":/tallyboard/pictures/icons16.png"_qs);
    return QIcon(QPixmap::fromImage(strip.copy(index * 16, 0, 16, 16)));
}

TStyledButton::TStyledButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    setAutoDefault(true);
    setAttribute(Qt::WA_Hover);
    setIconSize({16, 16});
}

void TStyledButton::SetRaisedText(bool raised) {
    raisedText = raised;
    update();
}

void TStyledButton::enterEvent(QEnterEvent* event) {
    hot = true;
    update();
    QPushButton::enterEvent(event);
}

void TStyledButton::leaveEvent(QEvent* event) {
    hot = false;
    update();
    QPushButton::leaveEvent(event);
}

void TStyledButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(rect(), isDown() ? ButtonFace.darker(110) : hot ? ButtonHotFace : ButtonFace);
    painter.setPen(ButtonFrame);
    painter.drawRect(frame);
    if (hasFocus())
        painter.drawRect(frame.adjusted(1, 1, -1, -1));

    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    const QPixmap picture = icon().pixmap(iconSize(), mode);
    const QFontMetrics metrics(font());
    const int textWidth = metrics.horizontalAdvance(QString(text()).remove(QLatin1Char('&')));
    const int gap = picture.isNull() ? 0 : 4;
    const int contentWidth = (picture.isNull() ? 0 : iconSize().width()) + gap + textWidth;
    int x = (width() - contentWidth) / 2 + (isDown() ? 1 : 0);
    const int shift = isDown() ? 1 : 0;
    if (!picture.isNull()) {
        painter.drawPixmap(x, (height() - iconSize().height()) / 2 + shift, picture);
        x += iconSize().width() + gap;
    }
    const QRect textRect(x, shift, textWidth + 2, height());
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic;
    if (raisedText) {
        painter.setPen(Qt::white);
        painter.drawText(textRect.translated(-1, -1), flags, text());
    }
    QColor ink = palette().color(QPalette::ButtonText);
    if (!isEnabled())
        ink = palette().color(QPalette::Disabled, QPalette::ButtonText);
    painter.setPen(ink);
    painter.drawText(textRect, flags, text());
}

TGradientSeparator::TGradientSeparator(QWidget* parent) : QWidget(parent) {
    setFixedHeight(2);
}

void TGradientSeparator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient line(0, 0, width(), 0);
    line.setColorAt(0, ButtonFrame);
    line.setColorAt(1, BottomBarColour);
    painter.fillRect(0, 0, width(), 1, line);
    QLinearGradient light(0, 0, width(), 0);
    light.setColorAt(0, Qt::white);
    light.setColorAt(1, BottomBarColour);
    painter.fillRect(0, 1, width(), 1, light);
}

TBusyCursor::TBusyCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

TBusyCursor::~TBusyCursor() {
    QApplication::restoreOverrideCursor();
}

QTableView* CreateFigureTable(QWidget* parent) {
    auto* table = new QTableView(parent);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(22);
    table->horizontalHeader()->setHighlightSections(false);
    return table;
}

void SetUpFigureWindow(QWidget* window, const QString& caption, QSize size) {
    window->setWindowTitle(caption);
    window->setFont(ui::SongFont(13));
    window->resize(size);
}

CommandBar CreateCommandBar(QWidget* window, std::initializer_list<QPushButton*> commands) {
    auto* close = new TStyledButton(u"关闭(&C)"_qs, window);
    auto* bar = new QHBoxLayout;
    for (QPushButton* command : commands) {
        command->setMinimumSize(96, 24);
        bar->addWidget(command);
    }
    bar->addStretch(1);
    close->setMinimumSize(96, 24);
    bar->addWidget(close);
    QObject::connect(close, &QPushButton::clicked, window, &QWidget::close);
    return {bar, close};
}

TStyledButton* CreateExportButton(QWidget* parent) {
    auto* button = new TStyledButton(u"导出表格(&X)"_qs, parent);
    button->setIcon(Il16Icon(0));
    return button;
}
