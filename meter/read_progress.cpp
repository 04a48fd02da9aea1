#include "meter/read_progress.h"

#include <QtGlobal>

namespace ormix::meter {

ReadProgress EstimateProgress(int answered, int queued, qint64 elapsedMs) {
    ReadProgress p;
    p.queued = qMax(queued, 0);
    p.answered = qBound(0, answered, p.queued);
    if (p.queued > 0) p.percent = int(qint64(p.answered) * 100 / p.queued);
    if (p.answered > 0) {
        const qint64 perFrame = qMax<qint64>(elapsedMs, 0) / p.answered;
        p.remainingMs = perFrame * (p.queued - p.answered);
    }
    return p;
}

QString ProgressText(const ReadProgress &p) {
    QString text = QStringLiteral("%1 из %2 (%3 %)").arg(p.answered).arg(p.queued).arg(p.percent);
    if (p.remainingMs) text += QStringLiteral(", осталось ") + DurationText(*p.remainingMs);
    return text;
}

QString DurationText(qint64 ms) {
    // Rounded up, so the last frames never show "0:00" while they are still awaited.
    const qint64 seconds = (qMax<qint64>(ms, 0) + 999) / 1000;
    const qint64 h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    const QString ss = QStringLiteral("%1").arg(s, 2, 10, QLatin1Char('0'));
    if (h == 0) return QStringLiteral("%1:%2").arg(m).arg(ss);
    return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(ss);
}

} // namespace ormix::meter
