#include "exam/uFileHandle.h"

#include <cstring>

// ---------------------------------------------------------------------------------------------
// Question model

void TQuestion::Assign(const TQuestion* source) {
    // Copying a question onto itself would first clear the very options it is to copy.
    if (!source || source == this)
        return;
    Clear();
    FullMarks = source->FullMarks;
    AllOrNothing = source->AllOrNothing;
    Stem = source->Stem;
    SeqNo = source->SeqNo;
    // Options are addressed by an 8-bit index: past the 256th the copy wraps round to option 0.
    for (int32_t i = 0; i < source->OptionCount(); ++i)
        AddOption(source->GetOption(static_cast<uint8_t>(i)));
}

void TQuestion::Clear() {
    Options.clear();
    Stem.clear();
    FullMarks = 0;
    AllOrNothing = 0;
}

void TQuestion::AddOption(const std::string& text) {
    Options.emplace_back(text.c_str());
}

int32_t TQuestion::OptionCount() const {
    return static_cast<int32_t>(Options.size());
}

std::string TQuestion::GetOption(uint8_t index) const {
    if (index >= Options.size())
        throw platform::EListError(index);
    return Options[index];
}

void TQSingle::Assign(const TQuestion* source) {
    const auto* single = dynamic_cast<const TQSingle*>(source);
    if (!single)
        return;
    TQuestion::Assign(single);
    Key = single->Key;
}

void TQMulti::Assign(const TQuestion* source) {
    const auto* multi = dynamic_cast<const TQMulti*>(source);
    if (!multi)
        return;
    TQuestion::Assign(multi);
    Answer = multi->Answer;
}

void TQMatching::Assign(const TQuestion* source) {
    const auto* matching = dynamic_cast<const TQMatching*>(source);
    if (!matching)
        return;
    TQuestion::Assign(matching);
    LeftCount = matching->LeftCount;
    Answer = matching->Answer;
}
