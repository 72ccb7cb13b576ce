#pragma once

#include "tallyboard/BrowseWidgets.h"
#include "tallyboard/ConstUnit.h"

#include <QEvent>
#include <QString>
#include <QWidget>

class QAction;
class QActionGroup;
class QFrame;
class QMenu;
class QProgressDialog;

namespace platform {
class TADOConnection;
class TADOQuery;
} // namespace platform

namespace ui {
class DataGrid;
class PictureBox;
} // namespace ui

// The notice a host window receives when a browse window closes, with the parameters of the
// message it stands for: wParam 1 and lParam the closed window's handle.
class THostCloseEvent final : public QEvent {
public:
    static constexpr QEvent::Type Kind =
        static_cast<QEvent::Type>(QEvent::User + tallyboard::HostCloseMessage);
    explicit THostCloseEvent(WId window) : QEvent(Kind), lParam(window) {}

    const int wParam = 1;
    const WId lParam;
};

// What a window does with itself once it has been closed.
enum class TCloseAction { caNone, caHide, caFree };

// The generic browse window: a picture title bar with its own close image, a toolbar for search
// fields, a data grid over one query and a bottom bar of command buttons. A derived window gives
// the query a connection, supplies the search and export commands and names its section of the
// column-properties file.
class TfrmBasicMid : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmBasicMid)
    Q_PROPERTY(QString TableName READ TableName WRITE SetTableName)
    Q_PROPERTY(QString GridTitleFile READ GridTitleFile WRITE SetGridTitleFile)
    Q_PROPERTY(QString GridTitelID READ GridTitelID WRITE SetGridTitelID)
    Q_PROPERTY(bool AdjustWidth READ AdjustWidth WRITE SetAdjustWidth)
    Q_PROPERTY(bool ShowFoodter READ ShowFoodter WRITE SetShowFoodter)

public:
    // The design size of the window.
    static constexpr int DesignWidth = 850;
    static constexpr int DesignHeight = 581;

    // Builds the window and runs FormCreate. programDirectory (with its trailing separator) is
    // where the column-properties file lies.
    explicit TfrmBasicMid(const QString& programDirectory, QWidget* parent = nullptr);
    ~TfrmBasicMid() override;

    // Published properties.
    platform::TADOConnection* Conn() const { return conn; }
    void SetConn(platform::TADOConnection* connection) { conn = connection; }
    const QString& TableName() const { return tableName; }
    void SetTableName(const QString& name);
    const QString& GridTitleFile() const { return gridTitleFile; }
    void SetGridTitleFile(const QString& file);
    const QString& GridTitelID() const { return gridTitelID; }
    void SetGridTitelID(const QString& section);
    bool AdjustWidth() const { return adjustWidth; }
    void SetAdjustWidth(bool on) { adjustWidth = on; }
    bool ShowFoodter() const { return showFoodter; }
    void SetShowFoodter(bool on) { showFoodter = on; }

    // The host window told when this window closes; nothing sets it in tallyboard.
    WId HostHandle = 0;

    // Operations.
    void FormCreate();
    // Rebuilds the grid's columns from the section of the column-properties file.
    void LoadGridColumns(ui::DataGrid& grid, const QString& section, const QString& file);
    // Exports the grid to an .xls file the user chooses; true when the file exists afterwards.
    bool ExportToExcel(const QString& title);
    void actDelExecute();
    void dbgrdDataTitleClick(int column);
    void dbgrdDataColumnMoved(int fromPosition, int toPosition);
    void dbgrdDataColWidthsChanged();
    void FormKeyDown(int key, Qt::KeyboardModifiers shift);
    void btnCloseClick();
    void btnCloseMouseMove();
    void imgTitleLeftMouseMove();
    void pnlTopResize();
    TCloseAction FormClose();
    // Whether btnClose shows its hover picture.
    bool CloseImageHot() const { return closeHot; }
    const QString& ProgramDirectory() const { return programDir; }

    // Components.
    QFrame* Panel2 = nullptr;
    QFrame* pnlTop = nullptr;
    ui::PictureBox* imgTitleLeft = nullptr;
    ui::PictureBox* imgTitleRight = nullptr;
    ui::PictureBox* btnClose = nullptr;
    ui::PictureBox* imgDown = nullptr;
    ui::PictureBox* imgUp = nullptr;
    QFrame* pnlToolbar = nullptr;
    TStyledButton* btnSearch = nullptr;
    ui::DataGrid* dbgrdData = nullptr;
    QFrame* pnlBottom = nullptr;
    QFrame* Shape1 = nullptr;
    TGradientSeparator* rzsprtr1 = nullptr;
    TStyledButton* btnAdd = nullptr;
    TStyledButton* btnEdit = nullptr;
    TStyledButton* btnDel = nullptr;
    TStyledButton* btnExport = nullptr;
    QObject* ActionList1 = nullptr;
    QAction* actAdd = nullptr;
    QAction* actEdit = nullptr;
    QAction* actDel = nullptr;
    QAction* actSearch = nullptr;
    QAction* actExport = nullptr;
    QMenu* pmGrid = nullptr;
    QAction* mniAdd = nullptr;
    QAction* mniEdit = nullptr;
    QAction* mniDel = nullptr;
    QAction* N1 = nullptr;
    QAction* N2 = nullptr;
    platform::TADOQuery* ADOQuery1 = nullptr;

protected:
    // For a derived window: builds the components only; its own creation handler runs
    // TfrmBasicMid::FormCreate among its steps.
    struct ComponentsOnly {};
    TfrmBasicMid(const QString& programDirectory, ComponentsOnly, QWidget* parent);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    // A styled button that runs the action, with icon `icon` of il16.
    TStyledButton* CreateButton(QWidget* parent, const QString& caption, int icon, QAction* action);
    // A bottom-bar control that keeps its distance from the bar's bottom edge.
    void KeepAtBottomLeft(QWidget* control);
    // An item of pmGrid at its end that shows the action's caption and icon and runs it.
    QAction* CreateMenuItem(QAction* action);

private:
    void CreateComponents();
    void CreateTitleBar();
    void CreateToolbar();
    void CreateBottomBar();
    void CreateActions();
    void CreatePopupMenu();
    void PlaceBottomControls();
    void ReloadColumnsWhenComplete();
    bool ColumnWriteBackOn() const;

    QString programDir;
    platform::TADOConnection* conn = nullptr;
    QString tableName;
    QString gridTitleFile;
    QString gridTitelID;
    bool adjustWidth = false;
    bool showFoodter = true;
    bool closeHot = false;
};

// Writes the grid's current columns (display order, titles, formats, widths) back into the
// section of the column-properties file, in the file's own encoding, replacing it in one step.
void SaveGridColumns(const ui::DataGrid& grid, const QString& section, const QString& file);
