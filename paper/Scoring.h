#pragma once

#include <cstdint>
#include <vector>

class TQuestion;

// The marks an answer earns, by the question panels' rules, for anyone who has the answer
// without the panel: the exam's panels score through it, and the verification of recorded
// attempts re-scores with it.
namespace scoring {

// The answer is in the form of TQuestionPanel::Answer: one entry per option row of a choice
// question (non-zero for a ticked option), the chosen letter index or -1 per item of a matching
// question. Entries past the question's rows are ignored and missing ones count as unticked or
// open. A single choice earns its full marks when its first ticked option is the key. A multiple
// choice or matching question earns its full marks when every row agrees with the key, and
// otherwise, unless it is all-or-nothing, its full marks shared out per row (rounded half to
// even) for each row that agrees.
int32_t Score(const TQuestion& question, const std::vector<int32_t>& answer);

} // namespace scoring
