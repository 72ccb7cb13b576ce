#include "paperbuilder/Bank.h"

#include "paper/AnswerNotation.h"

namespace paperbuilder {

QChar OptionLetter(int index) {
    return QChar(answernotation::OptionLetter(index));
}

} // namespace paperbuilder
