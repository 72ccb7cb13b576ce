#include "paper/uFileHandle.h"

#include "paper/PaperFormat.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <limits>
#include <set>
#include <unistd.h>

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

// ---------------------------------------------------------------------------------------------
// Paper header

namespace {

using namespace paperformat;

// Far more text than any paper holds; a load that reads more is going round in overlapping ranges.
constexpr size_t PaperTextBudget = 64 * 1024 * 1024;

int32_t Int32At(const uint8_t* bytes) {
    const uint32_t bits = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                          static_cast<uint32_t>(bytes[2]) << 16 |
                          static_cast<uint32_t>(bytes[3]) << 24;
    return static_cast<int32_t>(bits);
}

std::string ShortTextAt(const uint8_t* bytes) {
    return std::string(reinterpret_cast<const char*>(bytes) + 1, bytes[0]);
}

void PutShortText(uint8_t* bytes, const char* text) {
    const size_t length = std::strlen(text);
    bytes[0] = static_cast<uint8_t>(length);
    std::memcpy(bytes + 1, text, length);
}

void PutDefaults(PaperHeader& header) {
    header.Bytes.fill(0);
    PutShortText(header.Bytes.data(), "None");
    PutShortText(header.Bytes.data() + HeaderRules, "None");
    PutShortText(header.Bytes.data() + HeaderTitle, "None");
    std::memset(header.Bytes.data() + HeaderFirstRecord, 0xFF, 4); // -1: no questions
}

// Blanks and control characters (codes 0 to 32) around a file name are not part of it.
std::filesystem::path TrimmedName(const std::filesystem::path& fileName) {
    const std::string name = fileName.string();
    size_t first = 0;
    size_t last = name.size();
    while (first < last && static_cast<unsigned char>(name[first]) <= 32)
        ++first;
    while (last > first && static_cast<unsigned char>(name[last - 1]) <= 32)
        --last;
    return name.substr(first, last - first);
}

bool FileExists(const std::filesystem::path& fileName) {
    std::error_code ignored;
    return std::filesystem::exists(fileName, ignored) &&
           !std::filesystem::is_directory(fileName, ignored);
}

std::ifstream OpenForReading(const std::filesystem::path& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    if (!file.is_open())
        throw platform::EFOpenError(fileName.string(), platform::lastSystemError());
    return file;
}

// Reads a paper from a stream whose size is known, so that no offset or length taken from the
// file can lead past its end: such a read fails before anything is allocated for it. The small
// records and texts of a paper lie close together, so they are served from a window of the
// stream instead of one seek and read of the stream for each.
class PaperStream final {
public:
    // textBudget: the most text bytes all ranges read through this object may hold together.
    explicit PaperStream(std::istream& stream,
                         size_t textBudget = std::numeric_limits<size_t>::max())
        : stream(stream), textBudget(textBudget) {
        stream.clear();
        stream.seekg(0, std::ios::end);
        size = static_cast<int64_t>(stream.tellg());
        if (!stream || size < 0)
            throw platform::EReadError();
    }

    void SeekTo(int64_t offset) {
        if (offset < 0 || offset > size)
            throw platform::EReadError();
        cursor = offset;
    }

    // Reads at the cursor and moves it on.
    void ReadExactly(uint8_t* buffer, size_t count) {
        ReadAt(cursor, buffer, count);
        cursor += static_cast<int64_t>(count);
    }

    // Reads the text range [start, end); the cursor stays where it is.
    std::string ReadRange(int32_t start, int32_t end) {
        if (end <= start)
            return {};
        const auto length = static_cast<size_t>(static_cast<int64_t>(end) - start);
        std::string text;
        CheckInside(start, length);
        // Ranges may overlap, so a small damaged file could otherwise ask for gigabytes of text.
        if (length > textBudget)
            throw EQError("文件已经损坏.");
        textBudget -= length;
        text.resize(length);
        ReadAt(start, reinterpret_cast<uint8_t*>(text.data()), length);
        return text;
    }

private:
    static constexpr size_t WindowSize = 64 * 1024;

    void CheckInside(int64_t offset, size_t count) const {
        if (offset < 0 || offset > size || count > static_cast<uint64_t>(size - offset))
            throw platform::EReadError();
    }

    void ReadAt(int64_t offset, uint8_t* buffer, size_t count) {
        CheckInside(offset, count);
        if (count > WindowSize) {
            ReadFromStream(offset, buffer, count);
            return;
        }
        if (offset < windowStart || offset + static_cast<int64_t>(count) >
                                        windowStart + static_cast<int64_t>(window.size()))
            FillWindow(offset);
        std::memcpy(buffer, window.data() + (offset - windowStart), count);
    }

    void FillWindow(int64_t offset) {
        window.resize(static_cast<size_t>(std::min<int64_t>(WindowSize, size - offset)));
        windowStart = offset;
        ReadFromStream(offset, reinterpret_cast<uint8_t*>(window.data()), window.size());
    }

    void ReadFromStream(int64_t offset, uint8_t* buffer, size_t count) {
        stream.clear();
        stream.seekg(offset);
        stream.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(count));
        if (!stream || static_cast<size_t>(stream.gcount()) != count) {
            window.clear();
            throw platform::EReadError();
        }
    }

    std::istream& stream;
    size_t textBudget;
    int64_t size = 0;
    int64_t cursor = 0;
    int64_t windowStart = 0;
    std::string window;
};

// A record or node met again would make the chain go round for ever.
void MarkVisited(std::set<int32_t>& visited, int32_t offset) {
    if (!visited.insert(offset).second)
        throw EQError("文件已经损坏.");
}

std::vector<std::string> ReadOptions(PaperStream& stream, int32_t firstOption) {
    std::vector<std::string> options;
    std::set<int32_t> visited;
    for (int32_t node = firstOption; node != NoOffset;) {
        MarkVisited(visited, node);
        if (options.size() == MaxOptions)
            throw EQError("文件已经损坏.");
        uint8_t bytes[NodeSize];
        stream.SeekTo(node);
        stream.ReadExactly(bytes, NodeSize);
        options.push_back(
            stream.ReadRange(Int32At(bytes + NodeTextStart), Int32At(bytes + NodeTextEnd)));
        node = Int32At(bytes + NodeNext);
    }
    return options;
}

// The options of a type block, whose last field points at the first node.
template <size_t BlockSize>
std::vector<std::string> ReadOptionsOf(PaperStream& stream, const uint8_t (&block)[BlockSize]) {
    return ReadOptions(stream, Int32At(block + BlockSize - 4));
}

std::array<uint8_t, 256> AnswerAt(const uint8_t* bytes) {
    std::array<uint8_t, 256> answer;
    std::memcpy(answer.data(), bytes, answer.size());
    return answer;
}

} // namespace

int32_t PaperHeader::FirstRecord() const {
    return Int32At(Bytes.data() + HeaderFirstRecord);
}

int32_t PaperHeader::TimeLimit() const {
    return Int32At(Bytes.data() + HeaderTimeLimit);
}

std::string PaperHeader::PaperRules() const {
    return ShortTextAt(Bytes.data() + HeaderRules);
}

std::string PaperHeader::PaperTitle() const {
    return ShortTextAt(Bytes.data() + HeaderTitle);
}

bool PaperHeader::CarriesPaperMark() const {
    return std::memcmp(Bytes.data(), PaperMark, PaperMarkSize) == 0;
}

// ---------------------------------------------------------------------------------------------
// Paper

TQFileHandle::~TQFileHandle() {
    Clear();
}

void TQFileHandle::Clear() {
    singleList.clear();
    multiList.clear();
    matchingList.clear();
    PaperTitle.clear();
    PaperRules.clear();
    TimeLimit = 0;
}

void TQFileHandle::ReadFileHeader(const std::filesystem::path& fileName, PaperHeader& header) {
    PutDefaults(header);
    const std::filesystem::path name = TrimmedName(fileName);
    // The catalogue probes every file of a folder tree, so this is one open and one read, with
    // no stream object and no separate existence check; a FIFO of that name must not block it.
    const int file = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (file < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return;
        throw platform::EFOpenError(name.string(), platform::lastSystemError());
    }
    size_t filled = 0;
    while (filled < PaperHeader::Size) {
        const ssize_t got = ::read(file, header.Bytes.data() + filled, PaperHeader::Size - filled);
        if (got > 0)
            filled += static_cast<size_t>(got);
        else if (got == 0 || errno != EINTR)
            break; // end of file, or a folder: the rest keeps its defaults
    }
    ::close(file);
}

void TQFileHandle::CheckFile(const std::filesystem::path& fileName) {
    if (!FileExists(fileName))
        throw EQError("文件不存在.");
    std::ifstream file = OpenForReading(fileName);
    PaperHeader header;
    file.read(reinterpret_cast<char*>(header.Bytes.data()), PaperHeader::Size);
    if (static_cast<size_t>(file.gcount()) != PaperHeader::Size)
        throw platform::EReadError();
    if (!header.CarriesPaperMark())
        throw EQError("找不到文件标志信息.");
}

void TQFileHandle::LoadFromFile(const std::filesystem::path& fileName) {
    CheckFile(fileName);
    std::ifstream file = OpenForReading(fileName);
    LoadFromStream(file);
}

void TQFileHandle::LoadFromStream(std::istream& stream) {
    Clear();
    PaperStream paper(stream, PaperTextBudget);
    PaperHeader header;
    paper.SeekTo(0);
    paper.ReadExactly(header.Bytes.data(), PaperHeader::Size);
    if (!header.CarriesPaperMark())
        throw EQError("未知类型的文件.");
    PaperTitle = header.PaperTitle();
    PaperRules = header.PaperRules();
    TimeLimit = header.TimeLimit();

    std::set<int32_t> visited;
    for (int32_t offset = header.FirstRecord(); offset != NoOffset;) {
        MarkVisited(visited, offset);
        uint8_t record[RecordSize];
        paper.SeekTo(offset);
        paper.ReadExactly(record, RecordSize);
        if (std::memcmp(record + RecordMark, RecordMarkBytes, RecordMarkSize) != 0)
            throw EQError("文件已经损坏.");
        // Taken before the kind is looked at, so that a skipped record keeps the chain.
        offset = Int32At(record + RecordNext);

        const uint8_t seqNo = record[RecordSeqNo];
        const uint8_t allOrNothing = record[RecordAllOrNothing];
        const int32_t fullMarks = Int32At(record + RecordFullMarks);
        const std::string stem =
            paper.ReadRange(Int32At(record + RecordStemStart), Int32At(record + RecordStemEnd));
        switch (record[RecordKind]) {
        case KindSingle: {
            uint8_t block[SingleBlockSize];
            paper.ReadExactly(block, sizeof block);
            const auto options = ReadOptionsOf(paper, block);
            AddSingle(fullMarks, allOrNothing, stem, Int32At(block + SingleKey), options, seqNo);
            break;
        }
        case KindMulti: {
            uint8_t block[MultiBlockSize];
            paper.ReadExactly(block, sizeof block);
            const auto options = ReadOptionsOf(paper, block);
            AddMulti(fullMarks, allOrNothing, stem, AnswerAt(block + MultiAnswer), options, seqNo);
            break;
        }
        case KindMatching: {
            uint8_t block[MatchingBlockSize];
            paper.ReadExactly(block, sizeof block);
            const auto options = ReadOptionsOf(paper, block);
            AddMatching(fullMarks, allOrNothing, stem, Int32At(block + MatchingLeftCount),
                        AnswerAt(block + MatchingAnswer), options, seqNo);
            break;
        }
        default: // a kind this reader does not know: the record is skipped
            break;
        }
    }
}

int32_t TQFileHandle::QuestionCount() const {
    return static_cast<int32_t>(singleList.size() + multiList.size() + matchingList.size());
}

TQuestion* TQFileHandle::GetQuestion(int32_t number) const {
    if (number >= QuestionCount())
        return nullptr;
    const auto carriesNumber = [number](const auto& question) {
        return question->SeqNo == number;
    };
    // A matching question wins over a multiple-choice one, which wins over a single-choice one.
    if (auto it = std::ranges::find_if(matchingList, carriesNumber); it != matchingList.end())
        return it->get();
    if (auto it = std::ranges::find_if(multiList, carriesNumber); it != multiList.end())
        return it->get();
    if (auto it = std::ranges::find_if(singleList, carriesNumber); it != singleList.end())
        return it->get();
    return nullptr;
}

int32_t TQFileHandle::TotalScore() const {
    // Summed as the 32-bit runtime does: absurd marks wrap round instead of overflowing.
    uint32_t total = 0;
    const auto add = [&total](const auto& list) {
        for (const auto& question : list)
            total += static_cast<uint32_t>(question->FullMarks);
    };
    add(singleList);
    add(multiList);
    add(matchingList);
    return static_cast<int32_t>(total);
}

void TQFileHandle::ReadTextRange(int32_t start, int32_t end, std::istream& stream,
                                 std::string& text) {
    text.clear();
    if (end <= start)
        return;
    const auto position = stream.tellg();
    PaperStream paper(stream);
    text = paper.ReadRange(start, end);
    stream.clear();
    stream.seekg(position);
}

uint8_t TQFileHandle::NumberFor(int32_t number) const {
    return static_cast<uint8_t>(number < 0 ? QuestionCount() : number);
}

void TQFileHandle::AddSingle(int32_t fullMarks, uint8_t allOrNothing, const std::string& stem,
                             int32_t key, const std::vector<std::string>& options, int32_t number) {
    if (key > 255 || key < 0)
        throw EQError("Key 参数超出 Byte 边界.");
    auto question = std::make_unique<TQSingle>();
    question->SeqNo = NumberFor(number);
    question->FullMarks = fullMarks;
    question->AllOrNothing = allOrNothing;
    question->Key = static_cast<uint8_t>(key);
    question->Stem = stem;
    for (const auto& option : options)
        question->AddOption(option);
    singleList.push_back(std::move(question));
}

void TQFileHandle::AddMulti(int32_t fullMarks, uint8_t allOrNothing, const std::string& stem,
                            const std::array<uint8_t, 256>& answer,
                            const std::vector<std::string>& options, int32_t number) {
    auto question = std::make_unique<TQMulti>();
    question->AllOrNothing = allOrNothing;
    question->FullMarks = fullMarks;
    question->Stem = stem;
    question->SeqNo = NumberFor(number);
    question->Answer = answer;
    for (const auto& option : options)
        question->AddOption(option);
    multiList.push_back(std::move(question));
}

void TQFileHandle::AddMatching(int32_t fullMarks, uint8_t allOrNothing, const std::string& stem,
                               int32_t leftCount, const std::array<uint8_t, 256>& answer,
                               const std::vector<std::string>& options, int32_t number) {
    auto question = std::make_unique<TQMatching>();
    question->AllOrNothing = allOrNothing;
    question->SeqNo = NumberFor(number);
    question->FullMarks = fullMarks;
    question->Stem = stem;
    question->Answer = answer;
    question->LeftCount = leftCount;
    for (const auto& option : options)
        question->AddOption(option);
    matchingList.push_back(std::move(question));
}
