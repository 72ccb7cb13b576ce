#pragma once

#include "paper/PaperFormat.h"
#include "platform/RuntimeErrors.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <istream>
#include <memory>
#include <string>
#include <vector>

// Failures of the paper reader, with a short Chinese message.
class EQError final : public platform::Exception {
public:
    using Exception::Exception;
};

// One question of a paper. Texts are GBK bytes exactly as the paper file stores them.
class TQuestion {
public:
    TQuestion() = default;
    virtual ~TQuestion() = default;
    TQuestion(const TQuestion&) = delete;
    TQuestion& operator=(const TQuestion&) = delete;

    virtual void Assign(const TQuestion* source);
    virtual void Clear();

    void AddOption(const std::string& text);
    int32_t OptionCount() const;
    std::string GetOption(uint8_t index) const;

    int32_t FullMarks = 0;
    std::string Stem;
    std::vector<std::string> Options;
    uint8_t AllOrNothing = 0;
    uint8_t SeqNo = 0;
};

class TQSingle : public TQuestion {
public:
    void Assign(const TQuestion* source) override;
    uint8_t Key = 0;
};

class TQMulti : public TQuestion {
public:
    void Assign(const TQuestion* source) override;
    std::array<uint8_t, 256> Answer{};
};

class TQMatching : public TQuestion {
public:
    void Assign(const TQuestion* source) override;
    int32_t LeftCount = 0;
    std::array<uint8_t, 256> Answer{};
};

// The 544-byte header at the start of a paper file, as raw bytes with typed accessors.
struct PaperHeader {
    static constexpr size_t Size = paperformat::HeaderSize;
    std::array<uint8_t, Size> Bytes{};

    int32_t FirstRecord() const;
    int32_t TimeLimit() const;
    std::string PaperRules() const;
    std::string PaperTitle() const;
    // The byte 8 followed by "Tessarin", letter case included.
    bool CarriesPaperMark() const;
};

// One paper in memory: its header texts, its time limit and its questions by kind.
class TQFileHandle {
public:
    TQFileHandle() = default;
    virtual ~TQFileHandle();
    TQFileHandle(const TQFileHandle&) = delete;
    TQFileHandle& operator=(const TQFileHandle&) = delete;

    void Clear();
    // Fills the header from the start of the file without any check; never fails for a missing
    // or short file, and needs no loaded paper.
    static void ReadFileHeader(const std::filesystem::path& fileName, PaperHeader& header);
    void CheckFile(const std::filesystem::path& fileName);
    void LoadFromFile(const std::filesystem::path& fileName);
    void LoadFromStream(std::istream& stream);

    int32_t QuestionCount() const;
    TQuestion* GetQuestion(int32_t number) const;
    int32_t TotalScore() const;

    void ReadTextRange(int32_t start, int32_t end, std::istream& stream, std::string& text);
    void AddSingle(int32_t fullMarks, uint8_t allOrNothing, const std::string& stem, int32_t key,
                   const std::vector<std::string>& options, int32_t number);
    void AddMulti(int32_t fullMarks, uint8_t allOrNothing, const std::string& stem,
                  const std::array<uint8_t, 256>& answer, const std::vector<std::string>& options,
                  int32_t number);
    void AddMatching(int32_t fullMarks, uint8_t allOrNothing, const std::string& stem,
                     int32_t leftCount, const std::array<uint8_t, 256>& answer,
                     const std::vector<std::string>& options, int32_t number);

    std::string PaperRules;
    std::string PaperTitle;
    int32_t TimeLimit = 0;

private:
    // The SeqNo of a new question: a negative number stands for the next position.
    uint8_t NumberFor(int32_t number) const;

    std::vector<std::unique_ptr<TQMatching>> matchingList;
    std::vector<std::unique_ptr<TQSingle>> singleList;
    std::vector<std::unique_ptr<TQMulti>> multiList;
};
