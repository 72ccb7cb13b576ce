#include "tallyboard/AttemptReview.h"

#include "paper/AnswerNotation.h"
#include "paper/uObjectHandle.h"
#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/RuntimeErrors.h"
#include "tallyboard/BrowseWidgets.h"
#include "tallyboard/ExportFlow.h"
#include "ui/Fonts.h"

#include <QBuffer>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <sstream>

using namespace tallyboard;

namespace {

constexpr int PaperWidth = 720;
constexpr int MarksWidth = 200;
constexpr int PdfMargin = 36; // points

QString AnswerShown(const std::string& notation) {
    return notation.empty() ? u"未作答"_qs : QString::fromStdString(notation);
}

// Nothing a reviewer does may change the answers shown.
void MakeReadOnly(QWidget* widget) {
    for (QWidget* child : widget->findChildren<QWidget*>()) {
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
        child->setFocusPolicy(Qt::NoFocus);
    }
}

} // namespace

QString EndingText(const QString& ending) {
    if (ending == u"handin"_qs)
        return u"交卷"_qs;
    if (ending == u"timeout"_qs)
        return u"超时"_qs;
    if (ending == u"abandon"_qs)
        return u"放弃"_qs;
    return ending;
}

QString DurationText(long long seconds) {
    return u"%1分%2秒"_qs.arg(seconds / 60).arg(seconds % 60, 2, 10, QChar(u'0'));
}

TfrmAttemptReview::TfrmAttemptReview(const AttemptRecord& attempt, const QByteArray& paperFile,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window), examinee(attempt.name) {
    SetUpFigureWindow(this, u"答卷详情"_qs, {PaperWidth + MarksWidth + 60, 720});

    sheet = new QWidget;
    sheet->setAutoFillBackground(true);
    sheet->setPalette(QPalette(Qt::white));
    pnlPaper = new TParentPanel(sheet);
    std::istringstream stream(paperFile.toStdString());
    pnlPaper->Paper.LoadFromStream(stream);
    lblHeader = new QLabel(this);
    lblHeader->setTextFormat(Qt::RichText);
    lblHeader->setText(HeaderText(attempt));
    BuildSheet(attempt);

    scrAnswers = new QScrollArea(this);
    scrAnswers->setWidget(sheet);
    scrAnswers->setWidgetResizable(false);
    btnPdf = new TStyledButton(u"导出PDF"_qs, this);
    const CommandBar bottom = CreateCommandBar(this, {btnPdf});
    btnClose = bottom.close;
    auto* column = new QVBoxLayout(this);
    column->addWidget(lblHeader);
    column->addWidget(scrAnswers, 1);
    column->addLayout(bottom.layout);
    // The export may raise file errors: it runs in an event of its own, outside the button.
    connect(btnPdf, &QPushButton::clicked, this, &TfrmAttemptReview::ExportPdf,
            Qt::QueuedConnection);
}

QString TfrmAttemptReview::HeaderText(const AttemptRecord& attempt) const {
    auto field = [](const QString& title, const QString& value) {
        return u"<b>%1</b>：%2"_qs.arg(title, value.toHtmlEscaped());
    };
    const QString gap = u"　　"_qs;
    return field(u"考生"_qs, attempt.town + u' ' + attempt.unit + u' ' + attempt.name) + gap +
           field(u"试卷"_qs, platform::FromGbk(pnlPaper->Paper.PaperTitle)) + u"<br>"_qs +
           field(u"开始"_qs, attempt.started) + gap + field(u"结束"_qs, attempt.ended) + gap +
           field(u"结束方式"_qs, EndingText(attempt.ending)) + u"<br>"_qs +
           field(u"用时"_qs, DurationText(attempt.elapsed)) + gap +
           field(u"续考"_qs, u"%1次"_qs.arg(attempt.resumes)) + gap +
           field(u"离开"_qs, DurationText(attempt.awaySeconds)) + gap +
           field(u"得分"_qs, u"%1 / %2"_qs.arg(attempt.score).arg(pnlPaper->Paper.TotalScore()));
}

void TfrmAttemptReview::BuildSheet(const AttemptRecord& attempt) {
    pnlPaper->setGeometry(0, 0, PaperWidth, 0);
    pnlPaper->BuildPanels();
    std::vector<const AttemptAnswerRecord*> answerOf(
        static_cast<std::size_t>(pnlPaper->Panels.size()));
    for (const AttemptAnswerRecord& answer : attempt.answers) {
        if (answer.question >= 0 && answer.question < pnlPaper->Panels.size())
            answerOf[static_cast<std::size_t>(answer.question)] = &answer;
    }
    for (int at = 0; at < pnlPaper->Panels.size(); ++at) {
        TQuestionPanel* panel = pnlPaper->Panels[at];
        const TQuestion& question = *pnlPaper->Paper.GetQuestion(at);
        const answernotation::Kind kind = answernotation::KindOf(question);
        const std::vector<int32_t> key = answernotation::KeyOf(question);
        const std::size_t rows = panel->Answer().size();
        const std::size_t letters = kind == answernotation::Kind::Choice
                                        ? rows
                                        : static_cast<std::size_t>(question.OptionCount()) - rows;
        const AttemptAnswerRecord* record = answerOf[static_cast<std::size_t>(at)];
        const std::string given = record ? record->answer.toStdString() : std::string();
        if (const auto answer = answernotation::Parse(kind, given, rows, letters))
            panel->RestoreAnswer(*answer);
        const int marks = record ? record->marks : 0;
        auto* label = new QLabel(sheet);
        label->setTextFormat(Qt::RichText);
        label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
        const QString colour = marks >= question.FullMarks ? u"#207020"_qs
                               : marks > 0                 ? u"#a06000"_qs
                                                           : u"#b02020"_qs;
        label->setText(
            u"<span style='color:%1'><b>得分 %2 / %3</b></span><br>正确答案：%4<br>作答：%5"_qs
                .arg(colour)
                .arg(marks)
                .arg(question.FullMarks)
                .arg(QString::fromStdString(answernotation::Format(kind, key)),
                     AnswerShown(given).toHtmlEscaped()));
        label->setGeometry(PaperWidth + 12, panel->y() + 8, MarksWidth - 16, 72);
        lblMarks << label;
    }
    MakeReadOnly(pnlPaper);
    sheet->resize(PaperWidth + MarksWidth, std::max(pnlPaper->height(), 1));
}

void TfrmAttemptReview::ExportPdf() {
    const QString file = AskPdfFile(this, windowTitle() + examinee, Today());
    if (file.isEmpty() || !MayReplaceExportFile(this, file))
        return;
    WritePdf(file);
    ShowExportDone();
}

void TfrmAttemptReview::WritePdf(const QString& file) {
    // Written in memory first and put in place in one step, as every export is.
    QByteArray document;
    QBuffer buffer(&document);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setTitle(windowTitle() + u" - "_qs + examinee);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(PdfMargin, PdfMargin, PdfMargin, PdfMargin), QPageLayout::Point);
    pdf.setResolution(96);
    QPainter painter;
    if (!painter.begin(&pdf))
        throw platform::Exception("无法生成PDF文件。");
    const QRect page = pdf.pageLayout().paintRectPixels(pdf.resolution());
    const double scale = std::min(1.0, page.width() / double(sheet->width()));
    const double pageHeight = page.height() / scale;
    painter.scale(scale, scale);
    lblHeader->render(&painter, QPoint(0, 0), QRegion(), QWidget::DrawChildren);
    double top = lblHeader->height() + 12;
    for (int at = 0; at < pnlPaper->Panels.size(); ++at) {
        const QRect block(0, pnlPaper->Panels[at]->y(), sheet->width(),
                          pnlPaper->Panels[at]->height());
        if (top + block.height() > pageHeight && top > 0) {
            pdf.newPage();
            top = 0;
        }
        sheet->render(&painter, QPoint(0, static_cast<int>(top)), QRegion(block),
                      QWidget::DrawChildren);
        top += block.height();
    }
    painter.end();
    platform::ReplaceFileAtomically(PathOf(file),
                                    std::string_view(document.constData(), document.size()));
}
