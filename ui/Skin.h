#pragma once

#include <QPalette>
#include <QWidget>

class QPainter;

namespace ui {

// The skin of exam's main window: a calm exam screen in slate blue and white.
//
// SkinFrame is the window's non-client area. It is a frameless top-level window that paints a
// title band with the client's caption and a thin border around one client widget, which keeps
// its own geometry: the client area is exactly the client widget. The frame has no caption
// buttons and no system menu; the band moves the window when dragged. Its caption is the
// client's window title as it stands, so nothing is appended to it, as the window system would
// with the application's display name. A close request to the frame is a close request to the
// client: the frame closes only when the client does.
class SkinFrame final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SkinFrame)

public:
    static constexpr int TitleHeight = 30;
    static constexpr int Border = 1;

    // Takes the client as its child at (Border, TitleHeight) and sizes itself around it. The
    // frame does not own the client: ReleaseClient before the frame is destroyed.
    explicit SkinFrame(QWidget* client);
    ~SkinFrame() override;

    QWidget* Client() const { return client; }
    void ReleaseClient();

    // The client area within the frame.
    QRect ClientRect() const;
    // Draws the title band on any painter.
    static void DrawTitleBand(QPainter& painter, const QRect& band, const QString& caption);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CentreOnScreen();

    QWidget* client;
    bool centred = false;
};

// A caption of the program's own for a frameless top-level window that keeps its own layout: a
// title band across the top with the window's title as it stands, a close button if asked for,
// and a thin border; dragging the band moves the window. The window system draws no frame around
// such a window, so it adds no button, no menu and no text of its own to the caption. The window
// keeps the room free, with its contents margins or by placing its children below the band.
class OwnCaption final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OwnCaption)

public:
    OwnCaption(QWidget* window, int titleHeight, int border, bool closeButton);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void FollowWindow();

    int titleHeight;
    int border;
    QWidget* closeButton = nullptr;
};

// The colours of the skin.
QPalette SkinPalette();

// Gives the client widget and its children the skin's palette, and its buttons the skin's
// style. Sizes, positions and fonts stay as they are.
void ApplySkin(QWidget* client);

} // namespace ui
