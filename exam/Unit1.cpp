#include "exam/Unit1.h"

#include "common/FuncUnit.h"
#include "exam/SittingDraw.h"
#include "exam/Unit2.h"
#include "exam/uMainform.h"
#include "paper/uObjectHandle.h"
#include "records/db/SittingStore.h"
#include "ui/ErrorBox.h"
#include "ui/Fonts.h"
#include "ui/MessageBox.h"
#include "ui/Picture.h"
#include "ui/Skin.h"

#include <QCloseEvent>
#include <QCompleter>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QStringListModel>
#include <QTimer>
#include <algorithm>

namespace {

const QString Caption = QStringLiteral("提示");
const QString PleaseChoose = QStringLiteral("请选择");

// The buttons of the login: a light face with a blue frame, a deeper blue when the mouse is over
// them or they are pressed, grey when disabled.
const char* const ButtonStyle = R"(
QPushButton {
    color: #17396b;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #d9e6f6);
    border: 1px solid #6f96cc;
    border-radius: 3px;
    padding: 0 4px;
}
QPushButton:default { border: 1px solid #184e96; }
QPushButton:hover {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4f9ff, stop:1 #bcd4f2);
}
QPushButton:pressed {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #a9c6ec, stop:1 #d3e2f6);
}
QPushButton:focus { border: 1px solid #184e96; }
QPushButton:disabled { color: #8c8c8c; background: #e8e8e8; border: 1px solid #b4b4b4; }
)";

// The pictures of the two buttons: a tick in a green disc for the login, a cross in a red one
// for quitting.
QIcon ButtonPicture(bool login) {
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(login ? QColor(38, 150, 72) : QColor(204, 62, 52));
    painter.drawEllipse(QRectF(1, 1, 14, 14));
    painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (login) {
        QPainterPath tick;
        tick.moveTo(4.5, 8.5);
        tick.lineTo(7, 11);
        tick.lineTo(11.5, 5.5);
        painter.drawPath(tick);
    } else {
        painter.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
        painter.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
    }
    painter.end();
    return QIcon(picture);
}

QLabel* CreateLabel(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setFont(ui::SongFont(12));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QPushButton* CreateButton(QWidget* parent, const QString& text, bool login, const QRect& geometry) {
    auto* button = new QPushButton(ButtonPicture(login), text, parent);
    button->setGeometry(geometry);
    button->setStyleSheet(QString::fromLatin1(ButtonStyle));
    return button;
}

void Notice(QWidget* owner, const QString& text) {
    ui::MessageBox(owner, text, Caption, ui::MB_OK | ui::MB_ICONINFORMATION);
}

} // namespace

int DrawPaperIndex(int paperCount, QRandomGenerator& generator) {
    const int drawable = std::min(DrawablePapers, paperCount);
    return drawable <= 0 ? 0 : static_cast<int>(generator.bounded(drawable));
}

QString ConfirmationText(const QString& town, const QString& unit, const QString& name) {
    return u"请确认考生信息:\r\n\r\n所在乡镇 【"_qs + town + u"】"_qs + u"\r\n\r\n"_qs +
           u"所在单位 【"_qs + unit + u"】"_qs + u"\r\n\r\n"_qs + u"考生名称 【"_qs + name +
           u"】"_qs + u",是否正确?"_qs;
}

QString ExamineeLine(const QString& town, const QString& unit, const QString& name) {
    return u"【考生资料】:所在乡镇  "_qs + town + u"  所在单位  "_qs + unit + u" 考生姓名 "_qs +
           name;
}

QString DrawnPaperText(int32_t timeLimitSeconds) {
    if (timeLimitSeconds <= 0)
        return u"试题抽取成功"_qs;
    const qint64 minutes = (static_cast<qint64>(timeLimitSeconds) + 59) / 60;
    return u"试题抽取成功,考试时间为%1分钟"_qs.arg(minutes);
}

void TDropDownComboBox::showPopup() {
    if (DropDown) {
        try {
            DropDown();
        } catch (const std::exception& error) {
            ui::ShowException(error);
        } catch (...) {
            ui::ShowUnknownException();
        }
    }
    QComboBox::showPopup();
}

TForm1::TForm1(TMainForm& mainForm, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), MainForm(mainForm) {
    setWindowTitle(u"Quillon考试系统"_qs);
    setFont(ui::SansFont(12));
    setFixedSize(ClientWidth + 2 * FrameWidth, ClientHeight + CaptionHeight + 2 * FrameWidth);
    ClientArea = new QWidget(this);
    ClientArea->setGeometry(FrameWidth, FrameWidth + CaptionHeight, ClientWidth, ClientHeight);
    CreateComponents();
    new ui::OwnCaption(this, FrameWidth + CaptionHeight, FrameWidth, false);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TForm1::~TForm1() = default;

void TForm1::CreateComponents() {
    img1 = new ui::PictureBox(ClientArea);
    img1->setGeometry(ClientArea->rect());
    img1->setPicture(ui::LoadPicture(u":/exam/pictures/login.jpg"_qs));
    // The client area is a little larger than the picture: the strip beside and below it takes
    // the picture's own background colour.
    if (!img1->picture().isNull()) {
        QPalette background = palette();
        background.setColor(
            QPalette::Window,
            img1->picture().pixelColor(img1->picture().width() - 1, img1->picture().height() - 1));
        setPalette(background);
        setAutoFillBackground(true);
    }

    lbl1 = CreateLabel(ClientArea, u"所属乡镇"_qs, {57, 66, 48, 12});
    cbb1 = new QComboBox(ClientArea);
    cbb1->setGeometry(113, 63, 145, 21);

    rb1 = new QRadioButton(u"事业单位"_qs, ClientArea);
    rb1->setGeometry(56, 88, 73, 17);
    rb1->setChecked(true);
    rb2 = new QRadioButton(u"行政村"_qs, ClientArea);
    rb2->setGeometry(136, 88, 65, 17);

    lbl2 = CreateLabel(ClientArea, u"单位名称"_qs, {57, 112, 48, 12});
    cbb2 = new TDropDownComboBox(ClientArea);
    cbb2->setGeometry(114, 107, 145, 21);
    cbb2->DropDown = [this] {
        LoadUnits();
    };

    lbl4 = CreateLabel(ClientArea, u"考生姓名"_qs, {57, 140, 48, 12});
    edt1 = new QLineEdit(ClientArea);
    edt1->setGeometry(113, 133, 145, 21);
    NameCompleter = new QCompleter(new QStringListModel(this), this);
    NameCompleter->setCaseSensitivity(Qt::CaseInsensitive);
    NameCompleter->setFilterMode(Qt::MatchContains);
    edt1->setCompleter(NameCompleter);
    connect(cbb1, &QComboBox::currentIndexChanged, this, &TForm1::OfferRosterNames);
    connect(cbb2, &QComboBox::currentIndexChanged, this, &TForm1::OfferRosterNames);

    lbl3 = CreateLabel(ClientArea, u"正在随机抽取考题，请稍后..."_qs, {80, 158, 162, 12});
    lbl3->hide();

    rzbtbtn1 = CreateButton(ClientArea, u"登陆考试"_qs, true, {72, 184, 89, 25});
    rzbtbtn1->setDefault(true);
    rzbtbtn2 = CreateButton(ClientArea, u"退出"_qs, false, {176, 184, 75, 25});
    connect(rzbtbtn1, &QPushButton::clicked, this, &TForm1::rzbtbtn1Click);
    connect(rzbtbtn2, &QPushButton::clicked, this, &TForm1::rzbtbtn2Click);

    setTabOrder(cbb1, cbb2);
    setTabOrder(cbb2, edt1);
    setTabOrder(edt1, rzbtbtn1);
    setTabOrder(rzbtbtn1, rzbtbtn2);
    setTabOrder(rzbtbtn2, rb1);
    setTabOrder(rb1, rb2);
    cbb1->setFocus();
}

void TForm1::SetDataModule(TDataModule2* module) {
    dataModule = module;
}

void TForm1::SetPauses(int drawingMs, int drawnMs) {
    drawingPause = drawingMs;
    drawnPause = drawnMs;
}

void TForm1::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shownOnce)
        return;
    shownOnce = true;
    try {
        FormShow();
    } catch (const std::exception& error) {
        ui::ShowException(error);
    } catch (...) {
        ui::ShowUnknownException();
    }
    emit shown();
}

void TForm1::FormShow() {
    FillList(cbb1, u"select name,id from town"_qs);
    LoadUnits();
}

void TForm1::LoadUnits() {
    cbb2->clear();
    QString sql = u"select name,id from Fac where 1=1"_qs;
    if (cbb1->currentIndex() > 0)
        sql += u" and Belong="_qs + SqlQuote(TrimText(cbb1->currentText()));
    if (rb1->isChecked())
        sql += u" and type=false"_qs;
    else if (rb2->isChecked())
        sql += u" and type=true"_qs;
    FillList(cbb2, sql);
    AdjustDropDownWidth(cbb2);
}

// "请选择" and then the first column of every row, in the database's order. A statement that
// fails has been reported by OpenQuery; reading its result then fails, and the list stays empty.
void TForm1::FillList(QComboBox* box, const QString& sql) {
    platform::TADOQuery& query = dataModule->qry1;
    OpenQuery(query, sql, true);
    query.First();
    box->clear();
    box->addItem(PleaseChoose);
    const int rows = query.RecordCount();
    for (int row = 0; row < rows; ++row) {
        box->addItem(query.FieldValue(0).toString());
        query.Next();
    }
    box->setCurrentIndex(0);
}

// The roster's people of the chosen unit, as completions of the name; the name stays free. A
// roster that cannot be read offers none: the completions are a help, never a condition.
void TForm1::OfferRosterNames() {
    QStringList names;
    const QString town = TrimText(cbb1->currentText());
    const QString unit = TrimText(cbb2->currentText());
    if (dataModule && cbb1->currentIndex() > 0 && cbb2->currentIndex() > 0 &&
        dataModule->KeepsSittings() == true) {
        try {
            for (const std::string& name : records::ReadRosterNames(
                     dataModule->con1.Database(), town.toStdString(), unit.toStdString()))
                names << Utf8Text(name);
        } catch (const records::StoreError&) {
            names.clear();
        }
    }
    static_cast<QStringListModel*>(NameCompleter->model())->setStringList(names);
}

void TForm1::rzbtbtn1Click() {
    if (busy || quitRequested || !CheckEntries())
        return;
    const QString town = TrimText(cbb1->currentText());
    const QString unit = TrimText(cbb2->currentText());
    const QString name = TrimText(edt1->text());
    if (ui::MessageBox(this, ConfirmationText(town, unit, name), Caption,
                       ui::MB_YESNO | ui::MB_ICONINFORMATION) != ui::IDYES)
        return;

    busy = true;
    rzbtbtn1->setEnabled(false);
    try {
        const SittingDraw draw = dataModule ? DrawFromSittings(*dataModule, town, unit, this,
                                                               *QRandomGenerator::global())
                                            : SittingDraw{};
        if (draw.source == SittingDraw::Source::NotChosen) {
            busy = false;
            rzbtbtn1->setEnabled(true);
            return;
        }
        HandOver(town, unit, name);
        if (draw.source == SittingDraw::Source::Sitting)
            MainForm.StartDrawnExam(draw.paper);
        else
            DrawAndStart();
        lbl3->show();
        Delay(drawingPause);
        ShowDrawnPaperText(DrawnPaperText(MainForm.PaperPanel->Paper.TimeLimit));
        Delay(drawnPause);
    } catch (const std::exception& error) {
        ui::ShowException(error);
    } catch (...) {
        ui::ShowUnknownException();
    }
    busy = false;
    CloseAfterLogin();
}

// The second text is longer than the label's design width: the label grows to the right, within
// the window, so that the examinee reads the whole time.
void TForm1::ShowDrawnPaperText(const QString& text) {
    lbl3->setText(text);
    const int fitting = lbl3->fontMetrics().horizontalAdvance(text);
    lbl3->resize(std::clamp(fitting, lbl3->width(), ClientArea->width() - lbl3->x()),
                 lbl3->height());
}

bool TForm1::CheckEntries() {
    if (cbb1->currentIndex() <= 0) {
        Notice(this, u"请您选择所属乡镇!"_qs);
        cbb1->setFocus();
        return false;
    }
    const QString unit = TrimText(cbb2->currentText());
    if (unit.isEmpty() || unit == PleaseChoose) {
        Notice(this, u"请您选择单位名称!"_qs);
        cbb2->setFocus();
        return false;
    }
    if (TrimText(edt1->text()).isEmpty()) {
        Notice(this, u"请您填写考生姓名!"_qs);
        edt1->setFocus();
        return false;
    }
    return true;
}

void TForm1::HandOver(const QString& town, const QString& unit, const QString& name) {
    MainForm.SetExamineeLine(ExamineeLine(town, unit, name));
    MainForm.ExamineeName = name;
    MainForm.ExamineeTown = town;
    MainForm.ExamineeUnit = unit;
    MainForm.ShowAtStart = true;
}

void TForm1::DrawAndStart() {
    const int paperCount = static_cast<int>(MainForm.PaperFiles.size());
    MainForm.SelectPaper(DrawPaperIndex(paperCount, *QRandomGenerator::global()));
    MainForm.btn1Click();
}

void TForm1::CloseAfterLogin() {
    if (quitRequested)
        reject();
    else
        accept();
}

void TForm1::rzbtbtn2Click() {
    quitRequested = true;
    if (!busy)
        reject();
}

// Waits in an event loop of its own, woken by a timer, so that the exam clock ticks and the
// window answers while it waits. A timer may fire a little early, so it waits again for the rest.
void TForm1::Delay(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    for (qint64 rest = milliseconds; rest > 0; rest = milliseconds - clock.elapsed()) {
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(rest), Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

// The window has no close button; a close by the window system all the same means "退出".
// While the paper is being drawn the window stays until the pauses are over.
void TForm1::closeEvent(QCloseEvent* event) {
    rzbtbtn2Click();
    if (busy)
        event->ignore();
    else
        event->accept();
}

// The window has no cancel button: Escape does not close it.
void TForm1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
