#include "meter/journal_requests.h"

#include "link/commands.h"
#include "link/frame.h"

using namespace ormix::link;

namespace ormix::meter {

namespace {
// One request of `code` per index 0..count-1, the index as its only data byte.
QList<QByteArray> IndexedRequests(std::uint8_t code, int count) {
    QList<QByteArray> frames;
    frames.reserve(count);
    for (int i = 0; i < count; ++i)
        frames.append(MakeFrame(code, QByteArray(1, static_cast<char>(i))));
    return frames;
}
} // namespace

QList<QByteArray> YearlyJournalRequests() {
    return IndexedRequests(Cmd::ReadYearlyRecord, kYearlyRecordCount);
}

QList<QByteArray> ConsumptionJournalRequests() {
    return IndexedRequests(Cmd::ReadConsumption, kConsumptionRecordCount);
}

QList<QByteArray> OldJournalRequests() {
    return IndexedRequests(Cmd::ReadBillingMonthOld, kOldTableRows) +
           IndexedRequests(Cmd::ReadRecordOld, kOldTableRows);
}

} // namespace ormix::meter
