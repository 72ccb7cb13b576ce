#pragma once

#include <QColor>
#include <QIcon>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <initializer_list>

class QHBoxLayout;
class QTableView;

// The general-purpose widgets of the browse windows and their look.
namespace tallyboard {

// The colour of a browse window's bottom bar.
inline const QColor BottomBarColour(122, 161, 230);

} // namespace tallyboard

// A push button of the browse windows: a light face with a dark blue frame that lights up under
// the mouse, a 16-pixel icon before the caption, and optionally the caption drawn raised. Enter
// on a focused button clicks it, as on the desktop the windows were designed for.
class TStyledButton final : public QPushButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TStyledButton)

public:
    explicit TStyledButton(const QString& caption, QWidget* parent = nullptr);
    void SetRaisedText(bool raised);
    bool Hot() const { return hot; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool hot = false;
    bool raisedText = false;
};

// A thin horizontal line that fades from the dark frame colour to the bar's colour.
class TGradientSeparator final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TGradientSeparator)

public:
    explicit TGradientSeparator(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Shows the busy cursor while it lives. The cursor is changed at once; work that ends within a
// few hundred milliseconds finishes before the window system draws it.
class TBusyCursor final {
public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// One icon of the window's 16-pixel image list il16.
QIcon Il16Icon(int index);

// A read-only table of figures: whole rows selected one at a time, no row numbers, 22-pixel rows.
QTableView* CreateFigureTable(QWidget* parent);

// The caption, font and first size of a window of figures.
void SetUpFigureWindow(QWidget* window, const QString& caption, QSize size);

// The bar at the bottom of a window of figures: its command buttons on the left and 关闭(&C),
// which closes the window, on the right; every button at least 96 by 24 pixels.
struct CommandBar {
    QHBoxLayout* layout;
    TStyledButton* close;
};
CommandBar CreateCommandBar(QWidget* window, std::initializer_list<QPushButton*> commands);

// The export button of a window of figures: 导出表格(&X) with the export icon.
TStyledButton* CreateExportButton(QWidget* parent);
