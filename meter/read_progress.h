#pragma once
// How far a journal read has come: frames answered of frames queued, and the time left
// at the pace so far. Shared by the journal pages and the command-line progress line.
#include <QString>
#include <optional>

namespace ormix::meter {

struct ReadProgress {
    int answered = 0;
    int queued = 0;
    int percent = 0;                   // 0..100
    std::optional<qint64> remainingMs; // nullopt until the first answer
};

// `elapsedMs`: time since the requests were queued. Counts are held within 0..queued.
ReadProgress EstimateProgress(int answered, int queued, qint64 elapsedMs);

// "37 из 79 (46 %), осталось 0:12"; "0 из 79 (0 %)" before the first answer.
QString ProgressText(const ReadProgress &progress);

// Minutes and seconds "m:ss", hours in front from one hour on ("1:02:03").
QString DurationText(qint64 ms);

} // namespace ormix::meter
