#include "tools/ormix_cli/cli_messages.h"

#include <QFile>
#include <QRegularExpression>

namespace ormix::cli {

CliArguments CliArgumentsFromBytes(const QList<QByteArray> &raw) {
    CliArguments r;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QString arg = QFile::decodeName(raw[i]);
        if (QFile::encodeName(arg) != raw[i]) {
            r.error = QStringLiteral("argument %1 (\"%2\") is not text in the system's encoding: "
                                     "a file of that name cannot be opened exactly as given")
                          .arg(i + 1)
                          .arg(QString::fromLatin1(raw[i].toPercentEncoding("/.-_ ")));
            r.args.clear();
            return r;
        }
        r.args.append(arg);
    }
    return r;
}

QString DeviceNameForPath(const QString &path) {
    QString out = path;
    return out.replace(QLatin1Char('%'), QStringLiteral("%%"));
}

QString ExchangeFailureText(const QString &port, const QByteArray &request,
                            const QString &protocolLine) {
    // "hh:mm:ss:zzz Timeout." is the protocol's line for a request left without a reply.
    static const QRegularExpression timeout(
        QStringLiteral("^\\d\\d:\\d\\d:\\d\\d:\\d{3} Timeout\\.$"));
    const QString what = timeout.match(protocolLine).hasMatch()
                             ? QStringLiteral("нет ответа (%1)").arg(protocolLine)
                             : protocolLine;
    const QString code = request.isEmpty() ? QStringLiteral("—")
                                           : QStringLiteral("0x%1").arg(std::uint8_t(request[0]), 2,
                                                                        16, QLatin1Char('0'));
    return QStringLiteral("порт %1, запрос %2: %3").arg(port, code, what);
}

QString WrittenText(const meter::WriteChoices &w) {
    QStringList parts;
    if (w.checkTime)
        parts << QStringLiteral("время %1 %2%3")
                     .arg(w.date.toString(Qt::ISODate), w.time.toString(QStringLiteral("hh:mm:ss")),
                          w.summerTime ? QStringLiteral(" (летнее)") : QString());
    if (w.checkPassword) parts << QStringLiteral("пароль");
    if (w.factoryNumberMarked) parts << QStringLiteral("номер %1").arg(w.factoryNumber);
    if (w.checkCorrect) parts << QStringLiteral("коррекция %1").arg(w.correction);
    if (w.checkStatus) parts << QStringLiteral("сброс статуса");
    if (w.checkSchedule)
        parts << QStringLiteral("расчётный день %1, час %2").arg(w.billingDay).arg(w.billingHour);
    if (w.checkIndi) parts << QStringLiteral("индикация %1").arg(w.display);
    if (w.checkDdm && w.ddmEnabled) parts << QStringLiteral("ДДМ %1").arg(w.ddmNumber);
    if (w.checkReset) parts << QStringLiteral("сброс расчётных данных");
    if (w.checkResetTariff) parts << QStringLiteral("сброс тарифного расписания");
    return parts.isEmpty() ? QStringLiteral("записано: только пароль доступа")
                           : QStringLiteral("записано: ") + parts.join(QStringLiteral(", "));
}

} // namespace ormix::cli
