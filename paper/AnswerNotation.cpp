#include "paper/AnswerNotation.h"

#include "paper/PanelLayout.h"
#include "paper/uFileHandle.h"

namespace answernotation {
namespace {

constexpr char32_t FirstLetter = U'A';
constexpr char OpenItem = '-';

void AppendLetter(std::string& text, int32_t index) {
    const auto code = static_cast<uint32_t>(OptionLetter(index));
    if (code < 0x80) {
        text.push_back(static_cast<char>(code));
        return;
    }
    // The letters of a 256-option question stay below U+0800: two UTF-8 bytes.
    text.push_back(static_cast<char>(0xC0 | (code >> 6)));
    text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
}

// The next character of the text as a code point, or nothing for bytes that are not one of the
// one- or two-byte forms a letter takes.
std::optional<char32_t> NextCharacter(std::string_view text, size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    if ((lead & 0xE0) != 0xC0 || at + 1 >= text.size())
        return std::nullopt;
    const auto trail = static_cast<unsigned char>(text[at + 1]);
    if ((trail & 0xC0) != 0x80)
        return std::nullopt;
    at += 2;
    const char32_t code = (char32_t(lead & 0x1F) << 6) | char32_t(trail & 0x3F);
    return code < 0x80 ? std::nullopt : std::optional<char32_t>(code);
}

// The characters of the text, each a letter index or -1 for the open item mark.
std::optional<std::vector<int32_t>> Characters(std::string_view text, size_t letters) {
    std::vector<int32_t> indexes;
    for (size_t at = 0; at < text.size();) {
        const std::optional<char32_t> code = NextCharacter(text, at);
        if (!code)
            return std::nullopt;
        if (*code == char32_t(OpenItem)) {
            indexes.push_back(-1);
            continue;
        }
        if (*code < FirstLetter || *code - FirstLetter >= letters)
            return std::nullopt;
        indexes.push_back(static_cast<int32_t>(*code - FirstLetter));
    }
    return indexes;
}

std::optional<std::vector<int32_t>> ParseChoice(const std::vector<int32_t>& indexes, size_t rows) {
    std::vector<int32_t> answer(rows, 0);
    int32_t previous = -1;
    for (const int32_t index : indexes) {
        // Letters come in order, each once, and never as the open item mark.
        if (index <= previous || static_cast<size_t>(index) >= rows)
            return std::nullopt;
        answer[static_cast<size_t>(index)] = 1;
        previous = index;
    }
    return answer;
}

} // namespace

char32_t OptionLetter(int32_t index) {
    return FirstLetter + static_cast<char32_t>(index);
}

Kind KindOf(const TQuestion& question) {
    return dynamic_cast<const TQMatching*>(&question) ? Kind::Matching : Kind::Choice;
}

std::vector<int32_t> KeyOf(const TQuestion& question) {
    const auto rows = static_cast<size_t>(panellayout::RowCount(question.OptionCount()));
    if (const auto* single = dynamic_cast<const TQSingle*>(&question)) {
        std::vector<int32_t> key(rows, 0);
        if (single->Key < rows)
            key[single->Key] = 1;
        return key;
    }
    if (const auto* multi = dynamic_cast<const TQMulti*>(&question))
        return std::vector<int32_t>(multi->Answer.begin(), multi->Answer.begin() + rows);
    const auto& matching = dynamic_cast<const TQMatching&>(question);
    const auto items = static_cast<size_t>(
        panellayout::MatchingItemRows(matching.LeftCount, static_cast<int>(rows)));
    return std::vector<int32_t>(matching.Answer.begin(), matching.Answer.begin() + items);
}

std::string Format(Kind kind, const std::vector<int32_t>& answer) {
    std::string text;
    bool answered = false;
    for (size_t row = 0; row < answer.size(); ++row) {
        if (kind == Kind::Choice) {
            if (answer[row] != 0)
                AppendLetter(text, static_cast<int32_t>(row));
            continue;
        }
        if (answer[row] < 0) {
            text.push_back(OpenItem);
            continue;
        }
        AppendLetter(text, answer[row]);
        answered = true;
    }
    return kind == Kind::Matching && !answered ? std::string() : text;
}

std::optional<std::vector<int32_t>> Parse(Kind kind, std::string_view text, size_t rows,
                                          size_t letters) {
    const std::optional<std::vector<int32_t>> indexes = Characters(text, letters);
    if (!indexes)
        return std::nullopt;
    if (kind == Kind::Choice)
        return ParseChoice(*indexes, rows);
    if (indexes->empty())
        return std::vector<int32_t>(rows, -1);
    if (indexes->size() != rows)
        return std::nullopt;
    return indexes;
}

std::optional<std::vector<int32_t>> ParseFor(const TQuestion& question, std::string_view text) {
    const int rows = panellayout::RowCount(question.OptionCount());
    if (const auto* matching = dynamic_cast<const TQMatching*>(&question)) {
        const int items = panellayout::MatchingItemRows(matching->LeftCount, rows);
        return Parse(Kind::Matching, text, static_cast<size_t>(items),
                     static_cast<size_t>(rows - items));
    }
    return Parse(Kind::Choice, text, static_cast<size_t>(rows), static_cast<size_t>(rows));
}

} // namespace answernotation
