#include "exam/SittingDraw.h"

#include "common/FuncUnit.h"
#include "exam/SittingChoice.h"
#include "exam/Unit2.h"
#include "platform/RuntimeErrors.h"
#include "records/db/SittingStore.h"

#include <QRandomGenerator>
#include <QStringList>

namespace {

// The sitting the examinee takes among those open: the only one, or the one picked.
std::optional<records::StoredSitting> PickSitting(std::vector<records::StoredSitting> open,
                                                  QWidget* owner) {
    if (open.size() == 1)
        return std::move(open.front());
    QStringList entries;
    for (const records::StoredSitting& stored : open)
        entries << SittingEntry(stored.sitting);
    const std::optional<int> chosen = ChooseSitting(owner, entries);
    if (!chosen || *chosen < 0 || *chosen >= entries.size())
        return std::nullopt;
    return std::move(open[static_cast<size_t>(*chosen)]);
}

PaperFile DrawPaper(const QSqlDatabase& database, const records::StoredSitting& stored,
                    QRandomGenerator& random) {
    if (stored.papers.empty())
        throw platform::Exception(
            u"考试场次【%1】没有试卷,请联系管理员"_qs.arg(Utf8Text(stored.sitting.title))
                .toStdString());
    const records::StoredPaper& drawn =
        stored.papers[random.bounded(static_cast<quint32>(stored.papers.size()))];
    return CheckedSittingPaper(records::ReadPaperBytes(database, drawn.sha256), drawn,
                               stored.sitting.id);
}

} // namespace

QString SittingEntry(const records::Sitting& sitting) {
    return u"%1  (%2 至 %3)"_qs.arg(Utf8Text(sitting.title), Utf8Text(sitting.opensAt),
                                    Utf8Text(sitting.closesAt));
}

PaperFile CheckedSittingPaper(const std::optional<std::string>& bytes,
                              const records::StoredPaper& published, long long sittingId) {
    const QString title = Utf8Text(published.title.empty() ? published.sha256 : published.title);
    if (!bytes)
        throw platform::Exception(
            u"试卷【%1】无法从数据库读取,考试不能开始,请联系管理员"_qs.arg(title).toStdString());
    PaperFile paper;
    paper.bytes = *bytes;
    paper.sha256 = PaperSha256(paper.bytes);
    if (paper.sha256 != published.sha256)
        throw platform::Exception(
            u"试卷【%1】与发布时的不一致,可能已损坏或被改动,不能用于考试,请联系管理员"_qs.arg(title)
                .toStdString());
    paper.title = published.title;
    paper.sittingId = sittingId;
    return paper;
}

SittingDraw DrawFromSittings(TDataModule2& data, const QString& town, const QString& unit,
                             QWidget* owner, QRandomGenerator& random) {
    if (data.KeepsSittings() != true)
        return {};
    const QSqlDatabase database = data.con1.Database();
    std::vector<records::StoredSitting> open;
    try {
        open = records::ReadOpenSittings(database, town.toStdString(), unit.toStdString());
    } catch (const records::StoreError& error) {
        throw platform::Exception(std::string("无法读取考试场次:") + error.what());
    }
    if (open.empty())
        return {};
    const std::optional<records::StoredSitting> chosen = PickSitting(std::move(open), owner);
    if (!chosen)
        return {SittingDraw::Source::NotChosen, {}};
    try {
        return {SittingDraw::Source::Sitting, DrawPaper(database, *chosen, random)};
    } catch (const records::StoreError& error) {
        throw platform::Exception(std::string("无法读取考试场次的试卷:") + error.what());
    }
}
