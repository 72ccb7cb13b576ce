#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

// The list in which an examinee admitted to several open sittings picks one. Returns the
// position of the chosen entry, or nothing when the examinee cancelled.
std::optional<int> ChooseSitting(QWidget* owner, const QStringList& entries);

// Tests answer the list through a responder instead of a modal dialog: while one is installed it
// gets the entries and its answer is taken; no window is shown.
using SittingChoiceResponder = std::function<std::optional<int>(const QStringList& entries)>;
void SetSittingChoiceResponder(SittingChoiceResponder responder);
