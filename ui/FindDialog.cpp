#include "ui/FindDialog.h"

#include "ui/DataGrid.h"
#include "ui/MessageBox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace ui {

FindDialog::FindDialog(DataGrid* owner)
    : QDialog(owner), grid(owner), edit(new QLineEdit(this)),
      nextButton(new QPushButton(u"查找下一个"_qs, this)) {
    setWindowTitle(u"查找"_qs);
    setModal(false);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(new QLabel(u"查找内容:"_qs, this));
    layout->addWidget(edit, 1);
    layout->addWidget(nextButton);
    nextButton->setDefault(true);
    connect(nextButton, &QPushButton::clicked, this, &FindDialog::findNext);
    connect(edit, &QLineEdit::returnPressed, this, &FindDialog::findNext);
}

FindDialog::~FindDialog() = default;

bool FindDialog::findNext() {
    const QString text = edit->text();
    if (text.isEmpty())
        return false;
    if (grid->findNext(text))
        return true;
    MessageBox(this, u"找不到“%1”。"_qs.arg(text), u"提示"_qs, MB_OK | MB_ICONINFORMATION);
    return false;
}

} // namespace ui
