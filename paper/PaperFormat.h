#pragma once

#include <cstddef>
#include <cstdint>

// The byte layout of a ".mqe" paper, shared by the reader and the writer. All integers are
// 32-bit little-endian; every offset is absolute from the start of the file, -1 standing for no
// record, no node or the end of a chain. Field offsets are relative to their structure.
namespace paperformat {

// The byte 8 followed by "Tessarin": a length-prefixed text of length 8.
constexpr char PaperMark[] = "\x08Tessarin";
constexpr size_t PaperMarkSize = 9;
// The byte 2 followed by "MQ".
constexpr char RecordMarkBytes[] = "\x02MQ";
constexpr size_t RecordMarkSize = 3;
constexpr int32_t NoOffset = -1;

// Options are addressed by an 8-bit index and answered in 256-entry blocks.
constexpr size_t MaxOptions = 256;
// Sequence numbers are 8 bits wide, so a paper holds at most 256 questions.
constexpr size_t MaxQuestions = 256;
// The header texts are a length byte and at most 255 bytes.
constexpr size_t MaxHeaderText = 255;

constexpr int32_t HeaderSize = 544;
constexpr int32_t HeaderMark = 0;
constexpr int32_t HeaderFirstRecord = 24;
constexpr int32_t HeaderTimeLimit = 28;
constexpr int32_t HeaderRules = 32;
constexpr int32_t HeaderTitle = 288;

constexpr int32_t RecordSize = 28;
constexpr int32_t RecordSeqNo = 0;
constexpr int32_t RecordStemStart = 4;
constexpr int32_t RecordStemEnd = 8;
constexpr int32_t RecordAllOrNothing = 12;
constexpr int32_t RecordFullMarks = 16;
constexpr int32_t RecordMark = 20;
constexpr int32_t RecordKind = 23;
constexpr int32_t RecordNext = 24;

constexpr uint8_t KindSingle = 0;
constexpr uint8_t KindMulti = 1;
constexpr uint8_t KindMatching = 2;

// Each type block follows its record and ends with the offset of its first option node.
constexpr int32_t SingleBlockSize = 8;
constexpr int32_t SingleKey = 0;
constexpr int32_t SingleFirstOption = 4;
constexpr int32_t MultiBlockSize = 260;
constexpr int32_t MultiAnswer = 0;
constexpr int32_t MultiFirstOption = 256;
constexpr int32_t MatchingBlockSize = 264;
constexpr int32_t MatchingLeftCount = 0;
constexpr int32_t MatchingAnswer = 4;
constexpr int32_t MatchingFirstOption = 260;
constexpr int32_t AnswerSize = 256;

constexpr int32_t NodeSize = 12;
constexpr int32_t NodeNext = 0;
constexpr int32_t NodeTextStart = 4;
constexpr int32_t NodeTextEnd = 8;

static_assert(SingleFirstOption + 4 == SingleBlockSize);
static_assert(MultiFirstOption + 4 == MultiBlockSize);
static_assert(MatchingFirstOption + 4 == MatchingBlockSize);

} // namespace paperformat
