#pragma once

#include "paper/PaperWriter.h"

namespace paperwriter {

constexpr int BenchQuestionCount = 256;

// A large paper for benchmarks: 256 questions of all three kinds, 8 to 12 options each, long
// GBK stems.
Paper BenchPaper();

} // namespace paperwriter
