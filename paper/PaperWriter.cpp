#include "paper/PaperWriter.h"

#include "paper/uFileHandle.h"
#include "platform/AtomicFile.h"

#include <cstring>

namespace paperwriter {

namespace {

int32_t BlockSize(Kind kind) {
    switch (kind) {
    case Kind::Single:
        return field::SingleBlockSize;
    case Kind::Multi:
        return field::MultiBlockSize;
    case Kind::Matching:
        return field::MatchingBlockSize;
    }
    return 0;
}

bool HasBlock(Kind kind) {
    return BlockSize(kind) > 0;
}

int32_t FirstOptionInBlock(Kind kind) {
    switch (kind) {
    case Kind::Single:
        return field::SingleFirstOption;
    case Kind::Multi:
        return field::MultiFirstOption;
    case Kind::Matching:
        return field::MatchingFirstOption;
    }
    return -1;
}

void PutShortText(std::string& bytes, int32_t at, const std::string& text, const char* what) {
    if (text.size() > field::MaxHeaderText)
        throw std::invalid_argument(std::string(what) + " is longer than 255 bytes");
    PatchByte(bytes, at, static_cast<uint8_t>(text.size()));
    bytes.replace(static_cast<size_t>(at) + 1, text.size(), text);
}

void PutAnswer(std::string& bytes, int32_t at, const std::array<uint8_t, 256>& answer) {
    bytes.replace(static_cast<size_t>(at), answer.size(),
                  reinterpret_cast<const char*>(answer.data()), answer.size());
}

std::string Header(const Paper& paper) {
    std::string header(static_cast<size_t>(field::HeaderSize), '\0');
    header.replace(field::HeaderMark, field::PaperMarkSize, field::PaperMark, field::PaperMarkSize);
    PatchInt32(header, field::HeaderFirstRecord, paper.questions.empty() ? -1 : field::HeaderSize);
    PatchInt32(header, field::HeaderTimeLimit, paper.timeLimit);
    PutShortText(header, field::HeaderRules, paper.rules, "the rules");
    PutShortText(header, field::HeaderTitle, paper.title, "the title");
    return header;
}

// One question laid out from `at`: record, type block, option nodes, stem, option texts.
// Returns the offset just behind it.
int32_t AppendQuestion(std::string& bytes, const Question& q, int position, bool last,
                       QuestionLayout& layout) {
    const auto at = static_cast<int32_t>(bytes.size());
    const bool withBlock = HasBlock(q.kind);
    const auto optionCount = withBlock ? static_cast<int32_t>(q.options.size()) : 0;
    layout.record = at;
    layout.block = at + field::RecordSize;
    const int32_t firstNode = layout.block + BlockSize(q.kind);
    layout.stemStart = firstNode + optionCount * field::NodeSize;

    int32_t textAt = layout.stemStart + static_cast<int32_t>(q.stem.size());
    for (int32_t i = 0; i < optionCount; ++i) {
        layout.nodes.push_back(firstNode + i * field::NodeSize);
        layout.optionTexts.push_back(textAt);
        textAt += static_cast<int32_t>(q.options[i].size());
    }
    const int32_t end = textAt;

    bytes.resize(static_cast<size_t>(end), '\0');
    PatchByte(bytes, at + field::RecordSeqNo,
              static_cast<uint8_t>(q.seqNo < 0 ? position : q.seqNo));
    PatchInt32(bytes, at + field::RecordStemStart, layout.stemStart);
    PatchInt32(bytes, at + field::RecordStemEnd,
               layout.stemStart + static_cast<int32_t>(q.stem.size()));
    PatchByte(bytes, at + field::RecordAllOrNothing, q.allOrNothing);
    PatchInt32(bytes, at + field::RecordFullMarks, q.fullMarks);
    bytes.replace(static_cast<size_t>(at + field::RecordMark), field::RecordMarkSize,
                  field::RecordMarkBytes, field::RecordMarkSize);
    PatchByte(bytes, at + field::RecordKind, static_cast<uint8_t>(q.kind));
    PatchInt32(bytes, at + field::RecordNext, last ? -1 : end);

    switch (q.kind) {
    case Kind::Single:
        PatchInt32(bytes, layout.block + field::SingleKey, q.key);
        break;
    case Kind::Multi:
        PutAnswer(bytes, layout.block + field::MultiAnswer, q.answer);
        break;
    case Kind::Matching:
        PatchInt32(bytes, layout.block + field::MatchingLeftCount, q.leftCount);
        PutAnswer(bytes, layout.block + field::MatchingAnswer, q.answer);
        break;
    }
    if (withBlock)
        PatchInt32(bytes, layout.block + FirstOptionInBlock(q.kind),
                   optionCount == 0 ? -1 : firstNode);

    for (int32_t i = 0; i < optionCount; ++i) {
        const int32_t node = layout.nodes[i];
        const int32_t textStart = layout.optionTexts[i];
        PatchInt32(bytes, node + field::NodeNext,
                   i + 1 < optionCount ? node + field::NodeSize : -1);
        PatchInt32(bytes, node + field::NodeTextStart, textStart);
        PatchInt32(bytes, node + field::NodeTextEnd,
                   textStart + static_cast<int32_t>(q.options[i].size()));
        bytes.replace(static_cast<size_t>(textStart), q.options[i].size(), q.options[i]);
    }
    bytes.replace(static_cast<size_t>(layout.stemStart), q.stem.size(), q.stem);
    return end;
}

} // namespace

PaperLayout LayOutPaper(const Paper& paper) {
    PaperLayout layout;
    layout.bytes = Header(paper);
    for (size_t i = 0; i < paper.questions.size(); ++i) {
        QuestionLayout& question = layout.questions.emplace_back();
        AppendQuestion(layout.bytes, paper.questions[i], static_cast<int>(i),
                       i + 1 == paper.questions.size(), question);
    }
    return layout;
}

std::string WritePaper(const Paper& paper) {
    return LayOutPaper(paper).bytes;
}

void WritePaperFile(const Paper& paper, const std::filesystem::path& file) {
    std::error_code failure;
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path(), failure);
    if (failure)
        throw platform::Exception("无法建立文件夹 " + file.parent_path().string() + "：" +
                                  failure.message());
    platform::ReplaceFileAtomically(file, WritePaper(paper));
    TQFileHandle written;
    written.LoadFromFile(file);
    if (written.QuestionCount() != static_cast<int32_t>(paper.questions.size()))
        throw platform::Exception("写出的试卷读回时题数不符：" + file.string());
}

void PatchInt32(std::string& bytes, int32_t at, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        PatchByte(bytes, at + i, static_cast<uint8_t>(bits >> (8 * i)));
}

void PatchByte(std::string& bytes, int32_t at, uint8_t value) {
    bytes.at(static_cast<size_t>(at)) = static_cast<char>(value);
}

} // namespace paperwriter
