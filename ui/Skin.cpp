#include "ui/Skin.h"

#include "ui/Fonts.h"

#include <QCloseEvent>
#include <QEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QStyleOption>
#include <QToolButton>
#include <QWindow>

namespace ui {
namespace {

const QColor BandTop(0x35, 0x64, 0x93);
const QColor BandBottom(0x27, 0x4c, 0x74);
const QColor FrameLine(0x1e, 0x3a, 0x58);
const QColor Ink(0x1f, 0x2d, 0x3d);

// The skin's buttons: a soft vertical gradient with a rounded slate border, darker when hovered,
// pressed or focused. Everything else is drawn by the base style in the skin's palette, so
// every control keeps its metrics.
class SkinStyle final : public QProxyStyle {
public:
    SkinStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element == PE_PanelButtonCommand) {
            DrawButton(*option, *painter);
            return;
        }
        if (element == PE_FrameFocusRect && qobject_cast<const QPushButton*>(widget))
            return; // the border shows the focus
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

private:
    static void DrawButton(const QStyleOption& option, QPainter& painter) {
        const bool enabled = option.state & State_Enabled;
        const bool pressed = option.state & (State_Sunken | State_On);
        const bool hovered = enabled && (option.state & State_MouseOver);
        const bool focused = enabled && (option.state & State_HasFocus);
        QLinearGradient shade(option.rect.topLeft(), option.rect.bottomLeft());
        if (!enabled) {
            shade.setColorAt(0, QColor(0xf1, 0xf3, 0xf6));
            shade.setColorAt(1, QColor(0xe8, 0xec, 0xf0));
        } else if (pressed) {
            shade.setColorAt(0, QColor(0xc3, 0xd6, 0xeb));
            shade.setColorAt(1, QColor(0xd4, 0xe2, 0xf1));
        } else if (hovered) {
            shade.setColorAt(0, QColor(0xf5, 0xf9, 0xff));
            shade.setColorAt(1, QColor(0xd3, 0xe3, 0xf4));
        } else {
            shade.setColorAt(0, Qt::white);
            shade.setColorAt(1, QColor(0xe1, 0xe8, 0xf0));
        }
        const QColor border = !enabled             ? QColor(0xc4, 0xcc, 0xd6)
                              : focused || pressed ? QColor(0x2f, 0x5d, 0x8a)
                              : hovered            ? QColor(0x4d, 0x7b, 0xab)
                                                   : QColor(0x8e, 0xa3, 0xba);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(border);
        painter.setBrush(shade);
        painter.drawRoundedRect(QRectF(option.rect).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        painter.restore();
    }
};

} // namespace

SkinFrame::SkinFrame(QWidget* client)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), client(client) {
    setAttribute(Qt::WA_QuitOnClose);
    client->setParent(this);
    client->move(Border, TitleHeight);
    setFixedSize(client->width() + 2 * Border, client->height() + TitleHeight + Border);
    setWindowTitle(client->windowTitle());
    client->installEventFilter(this);
}

SkinFrame::~SkinFrame() {
    ReleaseClient();
}

void SkinFrame::ReleaseClient() {
    if (!client)
        return;
    client->removeEventFilter(this);
    client->setParent(nullptr);
    client = nullptr;
}

QRect SkinFrame::ClientRect() const {
    return client ? client->geometry() : QRect();
}

void SkinFrame::DrawTitleBand(QPainter& painter, const QRect& band, const QString& caption) {
    QLinearGradient shade(band.topLeft(), band.bottomLeft());
    shade.setColorAt(0, BandTop);
    shade.setColorAt(1, BandBottom);
    painter.fillRect(band, shade);
    // A light accent line under the band separates it from the client area.
    painter.setPen(QColor(0x7f, 0xa7, 0xcf));
    painter.drawLine(band.bottomLeft(), band.bottomRight());
    // A small square mark before the caption, like a stamp on an exam sheet.
    const int markSize = 12;
    const QRect mark(band.left() + 12, band.center().y() - markSize / 2, markSize, markSize);
    painter.fillRect(mark, QColor(0xf2, 0xc1, 0x4e));
    painter.setPen(Qt::white);
    painter.setFont(SongFont(14, true));
    painter.drawText(band.adjusted(mark.right() + 10, 0, -12, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     caption);
}

bool SkinFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client && event->type() == QEvent::WindowTitleChange) {
        setWindowTitle(client->windowTitle());
        update();
    }
    return QWidget::eventFilter(watched, event);
}

void SkinFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    DrawTitleBand(painter, QRect(0, 0, width(), TitleHeight), windowTitle());
    painter.setPen(FrameLine);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void SkinFrame::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && event->position().y() < TitleHeight &&
        windowHandle() && windowHandle()->startSystemMove())
        return;
    QWidget::mousePressEvent(event);
}

void SkinFrame::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!centred)
        CentreOnScreen();
}

void SkinFrame::CentreOnScreen() {
    const QScreen* shown = screen();
    if (!shown)
        return;
    QRect placed = rect();
    placed.moveCenter(shown->availableGeometry().center());
    move(placed.topLeft());
    centred = true;
}

void SkinFrame::closeEvent(QCloseEvent* event) {
    // The client decides; a client that is closing already has agreed.
    if (client && client->isVisible() && !client->close())
        event->ignore();
    else
        event->accept();
}

OwnCaption::OwnCaption(QWidget* window, int titleHeight, int border, bool withCloseButton)
    : QWidget(window), titleHeight(titleHeight), border(border) {
    if (withCloseButton) {
        auto* button = new QToolButton(this);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setText(QStringLiteral("\u2715"));
        button->setToolTip(QStringLiteral("关闭"));
        button->setStyleSheet(
            QStringLiteral("QToolButton { color: white; border: none; font-size: 13px; }"
                           "QToolButton:hover { background: rgba(255, 255, 255, 60); }"));
        connect(button, &QToolButton::clicked, window, &QWidget::close);
        closeButton = button;
    }
    window->installEventFilter(this);
    FollowWindow();
}

bool OwnCaption::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() &&
        (event->type() == QEvent::Resize || event->type() == QEvent::WindowTitleChange ||
         event->type() == QEvent::ChildAdded))
        FollowWindow();
    return QWidget::eventFilter(watched, event);
}

// Covers the window, above its other children, but takes paint and clicks only on the band and
// the border.
void OwnCaption::FollowWindow() {
    const QRect all = parentWidget()->rect();
    setGeometry(all);
    setMask(QRegion(all).subtracted(QRegion(all.adjusted(border, titleHeight, -border, -border))));
    if (closeButton) {
        const int side = titleHeight - 4;
        closeButton->setGeometry(width() - border - side - 2, (titleHeight - side) / 2, side, side);
    }
    raise();
    update();
}

void OwnCaption::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), FrameLine);
    SkinFrame::DrawTitleBand(painter,
                             QRect(border, border, width() - 2 * border, titleHeight - border),
                             parentWidget()->windowTitle());
}

void OwnCaption::mousePressEvent(QMouseEvent* event) {
    QWindow* window = parentWidget()->windowHandle();
    if (event->button() == Qt::LeftButton && window && window->startSystemMove())
        return;
    QWidget::mousePressEvent(event);
}

QPalette SkinPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0xf3, 0xf6, 0xf9));
    palette.setColor(QPalette::WindowText, Ink);
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, QColor(0xee, 0xf2, 0xf7));
    palette.setColor(QPalette::Text, Ink);
    palette.setColor(QPalette::Button, QColor(0xe6, 0xec, 0xf2));
    palette.setColor(QPalette::ButtonText, Ink);
    palette.setColor(QPalette::Highlight, QColor(0x3b, 0x6c, 0x9e));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Light, Qt::white);
    palette.setColor(QPalette::Midlight, QColor(0xdc, 0xe3, 0xeb));
    palette.setColor(QPalette::Mid, QColor(0xb4, 0xc1, 0xcf));
    palette.setColor(QPalette::Dark, QColor(0x8e, 0xa3, 0xba));
    palette.setColor(QPalette::Shadow, QColor(0x5b, 0x6e, 0x82));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x98, 0xa4, 0xb1));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x98, 0xa4, 0xb1));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x98, 0xa4, 0xb1));
    return palette;
}

void ApplySkin(QWidget* client) {
    client->setPalette(SkinPalette());
    client->setAutoFillBackground(true);
    auto* style = new SkinStyle;
    style->setParent(client);
    for (QPushButton* button : client->findChildren<QPushButton*>())
        button->setStyle(style);
}

} // namespace ui
