#include "records/server_clock.h"

#include "platform/platform.h"
#include "records/production_queries.h"
#include "records/records_log.h"
#include "records/sql_statement.h"

namespace ormix::records {

ClockSync ServerClock::Sync(ProductionConnection &connection) {
    ClockSync s;
    if (!connection.Open(&s.error)) return s;
    SqlStatement q(connection, queries::QueryTime());
    if (!q.Exec(&s.error)) return s;
    const QVariant value = q.Scalar();
    s.serverTime = value.toDateTime();
    if (!s.serverTime.isValid()) {
        s.error =
            QStringLiteral("Сервер БД вернул время «%1», а не дату и время").arg(value.toString());
        return s;
    }
    s.serverTime.setTimeSpec(Qt::LocalTime); // getdate() is the server's local time
    s.ok = true;
    s.clockSet =
        connection.Settings().setClock && platform::CurrentPlatform().SetLocalClock(s.serverTime);
    notSet_ = !s.clockSet;
    offsetMs_ = s.clockSet ? 0 : QDateTime::currentDateTime().msecsTo(s.serverTime);
    qCDebug(lcRecords) << "server time" << s.serverTime << "clock set" << s.clockSet;
    return s;
}

QDateTime ServerClock::Now() const {
    return QDateTime::currentDateTime().addMSecs(offsetMs_);
}

bool ServerClock::TakeNotSetNotice() {
    if (!notSet_ || noticeGiven_) return false;
    noticeGiven_ = true;
    return true;
}

QString ServerClock::NotSetNotice() {
    return QStringLiteral("Часы компьютера не установлены по серверу БД (нет прав на установку "
                          "времени); время берётся с сервера.");
}

} // namespace ormix::records
