// A length taken from a damaged file must never turn into an allocation of that size. The test
// replaces the global allocation functions of this test program to record the largest request.

#include "tests/paper/core/PaperTestSupport.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<size_t> largestRequest{0};
} // namespace

void* operator new(size_t size) {
    size_t largest = largestRequest.load();
    while (size > largest && !largestRequest.compare_exchange_weak(largest, size)) {
    }
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

// GCC takes the free() in a replacement operator delete for a mismatch; here it is the pair of
// the malloc() above.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, size_t) noexcept {
    std::free(block);
}
#pragma GCC diagnostic pop

namespace {

using namespace papertest;
using namespace paperwriter;

TEST(PaperReaderAllocation, HugeRangesFailBeforeAnythingIsAllocatedForThem) {
    const Paper source = PaperOf({Single("stem", {"a", "b"}, 0)});
    const PaperLayout good = LayOutPaper(source);
    const QuestionLayout& q = good.questions[0];
    for (int32_t at : {q.record + field::RecordStemEnd, q.nodes[1] + field::NodeTextEnd}) {
        std::string bytes = good.bytes;
        PatchInt32(bytes, at, INT32_MAX);
        TQFileHandle paper;
        largestRequest = 0;
        EXPECT_THROW(Load(paper, bytes), platform::EReadError);
        EXPECT_LT(largestRequest.load(), size_t{1} << 20);
    }
}

// Overlapping ranges let a small file name far more text than it holds: 256 options that all
// point at the same 300 KB would make 75 MB of one question.
TEST(PaperReaderAllocation, OverlappingRangesCannotMultiplyTheText) {
    const Paper source = PaperOf({Multi("stem", std::vector<std::string>(256, "x"), {0})});
    PaperLayout layout = LayOutPaper(source);
    const auto fillerStart = static_cast<int32_t>(layout.bytes.size());
    layout.bytes.append(300 * 1024, 'y');
    const auto fillerEnd = static_cast<int32_t>(layout.bytes.size());
    for (int32_t node : layout.questions[0].nodes) {
        PatchInt32(layout.bytes, node + field::NodeTextStart, fillerStart);
        PatchInt32(layout.bytes, node + field::NodeTextEnd, fillerEnd);
    }
    TQFileHandle paper;
    EXPECT_EQ(QErrorOf([&] { Load(paper, layout.bytes); }), "文件已经损坏.");
    EXPECT_EQ(paper.QuestionCount(), 0);

    // The same text shared by a few options is fine.
    for (size_t i = 64; i < layout.questions[0].nodes.size(); ++i)
        PatchInt32(layout.bytes, layout.questions[0].nodes[i] + field::NodeTextEnd, fillerStart);
    Load(paper, layout.bytes);
    ASSERT_EQ(paper.QuestionCount(), 1);
    EXPECT_EQ(paper.GetQuestion(0)->GetOption(63).size(), 300u * 1024);
    EXPECT_EQ(paper.GetQuestion(0)->GetOption(64), "");
}

} // namespace
