#pragma once

#include "paperbuilder/Bank.h"

namespace paperbuilder {

// Aiken: a question of one or more lines, its options one per line as "A. text" or "A) text",
// then "ANSWER: X". Every question is a single choice; marks and scoring take the defaults.
Bank ParseAiken(const QString& file, const QString& text);

// GIFT: questions separated by blank lines, answers in braces. Read are single choice
// ({=right ~wrong}), multiple answers (~%50%right ~%-100%wrong) and matching
// ({=item -> choice}); titles, comments, categories, format tags and feedback are read and
// ignored. Other question types are reported as faults of their question.
Bank ParseGift(const QString& file, const QString& text);

} // namespace paperbuilder
