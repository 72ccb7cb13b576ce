#include "examdb/Verify.h"

#include "records/db/VerificationInput.h"

#include <QStringList>
#include <QTextStream>

namespace examdb {
namespace {

// The time of the row leads its detail, so that the row can be found.
QString FaultLine(const records::Fault& fault) {
    const std::string detail =
        fault.stime.empty() ? fault.detail : fault.stime + " " + fault.detail;
    QStringList fields;
    for (const std::string& field : {std::string(records::FaultKindName(fault.kind)), fault.town,
                                     fault.fac, fault.name, detail})
        fields << QString::fromStdString(field);
    return fields.join(u'\t');
}

} // namespace

QString VerificationText(const records::VerificationReport& report) {
    QString text;
    for (const records::Fault& fault : report.faults)
        text += FaultLine(fault) + u'\n';
    return text + QString::fromStdString(records::SummaryText(report)) + u'\n';
}

int VerifyScores(Database& database, QTextStream& out) {
    records::VerificationReport report;
    try {
        report = records::Verify(records::ReadVerificationInput(database.Connection()));
    } catch (const platform::Exception& error) {
        throw Failure(u"%1：%2"_qs.arg(database.Describe(), QString::fromUtf8(error.what())));
    }
    out << VerificationText(report);
    return report.faults.empty() ? 0 : 1;
}

} // namespace examdb
