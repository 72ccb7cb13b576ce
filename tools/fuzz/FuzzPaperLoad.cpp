// Feeds arbitrary bytes to the paper reader and then uses the paper the way the panels do.

#include "paper/uFileHandle.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>

namespace {

std::unique_ptr<TQuestion> EmptyCopyOf(const TQuestion& question) {
    if (dynamic_cast<const TQSingle*>(&question))
        return std::make_unique<TQSingle>();
    if (dynamic_cast<const TQMulti*>(&question))
        return std::make_unique<TQMulti>();
    return std::make_unique<TQMatching>();
}

size_t UsePaper(const TQFileHandle& paper) {
    size_t bytes = static_cast<size_t>(paper.TotalScore() & 1);
    for (int32_t number = 0; number < paper.QuestionCount(); ++number) {
        const TQuestion* question = paper.GetQuestion(number);
        if (!question)
            continue;
        auto copy = EmptyCopyOf(*question);
        copy->Assign(question);
        for (int32_t i = 0; i < copy->OptionCount() && i < 256; ++i)
            bytes += copy->GetOption(static_cast<uint8_t>(i)).size();
        bytes += copy->Stem.size();
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream stream(std::string(reinterpret_cast<const char*>(data), size));
    TQFileHandle paper;
    try {
        paper.LoadFromStream(stream);
    } catch (const platform::Exception&) {
        // A damaged paper is reported, never crashes; what was read before stays usable.
    }
    volatile size_t sink = UsePaper(paper);
    (void)sink;
    return 0;
}
