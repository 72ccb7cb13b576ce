#include "exam/SittingChoice.h"

#include "ui/Fonts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

SittingChoiceResponder& Responder() {
    static SittingChoiceResponder installed;
    return installed;
}

} // namespace

void SetSittingChoiceResponder(SittingChoiceResponder responder) {
    Responder() = std::move(responder);
}

std::optional<int> ChooseSitting(QWidget* owner, const QStringList& entries) {
    if (Responder())
        return Responder()(entries);
    QDialog dialog(owner);
    dialog.setWindowTitle(u"选择考试场次"_qs);
    dialog.setFont(ui::SansFont(12));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(u"您可以参加以下考试，请选择一场:"_qs, &dialog));
    auto* list = new QListWidget(&dialog);
    list->addItems(entries);
    list->setCurrentRow(0);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(u"确定"_qs);
    buttons->button(QDialogButtonBox::Cancel)->setText(u"取消"_qs);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    dialog.resize(420, 260);
    if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0)
        return std::nullopt;
    return list->currentRow();
}
