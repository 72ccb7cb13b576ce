#pragma once

#include "exam/ExamSession.h"
#include "records/Sitting.h"

#include <QString>
#include <optional>
#include <string>

class QRandomGenerator;
class QWidget;
class TDataModule2;

// What the login draws for a confirmed examinee.
struct SittingDraw {
    enum class Source {
        ExamFile,  // no sitting open for the examinee, or a database without sittings
        Sitting,   // paper: drawn from the sitting, its bytes checked against their hash
        NotChosen, // several sittings were open and the examinee chose none
    };
    Source source = Source::ExamFile;
    PaperFile paper;
};

// Looks for the sittings open now, by the database's clock, that admit the town and unit
// (trimmed texts); the examinee picks one when there are several, and its paper is drawn at
// random and read from Paper. A database that cannot be reached or has no sitting tables draws
// from "Exam File". A paper that cannot be read or is not the one published throws, in words
// for the examinee: the run does not start.
SittingDraw DrawFromSittings(TDataModule2& data, const QString& town, const QString& unit,
                             QWidget* owner, QRandomGenerator& random);

// The entry of a sitting in the list the examinee picks from: its title and its window.
QString SittingEntry(const records::Sitting& sitting);

// The paper of a sitting from the bytes read for it: they must give the hash it is published
// under. Throws, in words for the examinee, for bytes missing or not matching.
PaperFile CheckedSittingPaper(const std::optional<std::string>& bytes,
                              const records::StoredPaper& published, long long sittingId);
