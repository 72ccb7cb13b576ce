#pragma once

#include "examdb/Database.h"
#include "records/db/SittingStore.h"

namespace examdb {

// Runs a reader or writer of the sitting tables on the database, its fault turned into a
// Failure that says what was being done.
template <class Work> auto StoreCall(Database& database, const QString& doing, Work work) {
    try {
        return work(database.Connection().Database());
    } catch (const records::StoreError& e) {
        throw Failure(
            u"%1：%2失败：%3"_qs.arg(database.Describe(), doing, QString::fromUtf8(e.what())));
    }
}

} // namespace examdb
