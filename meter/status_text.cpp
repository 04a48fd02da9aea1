#include "meter/status_text.h"

#include <QtGlobal>

namespace ormix::meter {

namespace {
// Event codes 1..15 (bits 3..0). In codes 3 and 4 the channel letter is the Latin "B".
const char16_t *const kEventTexts[16] = {
    nullptr,
    u"Канал 0 вышел из класса (0<Ф=В).",
    u"Канал Ф вышел из класса (Ф<0=В).",
    u"Канал B вышел из класса (B>0=Ф).",
    u"Канал B вышел из класса (B<0=Ф).",
    u"Канал Ф вышел из класса (Ф>0=В).",
    u"Канал 0 вышел из класса (0>Ф=В).",
    u"Связь с ДДМ восстановлена.",
    u"Нет связи с ДДМ.",
    u"Есть ток утечки на землю после счетчика.",
    u"Заземление нагрузки со сменой фазы.",
    u"Либо скрытое подключение до счетчика, либо ток утечки на землю до счетчика",
    u"Обрыв, КЗ или шунтирование датчика \"Внешний\".",
    u"Разбаланс каналов (В < Ш.",
    u"Разбаланс каналов (В > Ш.",
    u"Либо скрытое подключение до счетчика, либо ток утечки на землю до счетчика",
};

QStringList Lines(std::uint8_t status, const QString &bit7Text) {
    QStringList lines;
    if (status & 0x80) lines << bit7Text;
    for (int bit = 6; bit >= 4; --bit)
        if (status & (1 << bit)) lines << StatusFlagText(bit);
    if (status & 0x0F) lines << StatusEventText(status & 0x0F);
    return lines;
}
} // namespace

QString StatusFlagText(int bit) {
    switch (bit) {
    case 6:
        return QStringLiteral("Дата и время таймера не установлены.");
    case 5:
        return QStringLiteral("Неисправность таймера календаря.");
    case 4:
        return QStringLiteral("Фиксация нарушения режима потребления.");
    default:
        return {};
    }
}

QString StatusEventText(int code) {
    if (code < 1 || code > 15) return {};
    return QString::fromUtf16(kEventTexts[code]);
}

QString MainStatusBit7Text(int firmwareMajor) {
    return firmwareMajor < 6 ? QStringLiteral("Разряд батареи таймера календаря.")
                             : QStringLiteral("ДДМ не описан");
}

QString DialogStatusBit7Text() {
    return QStringLiteral("ДДМ не описан. (Для ORMIX-1: Разряд батареи таймера календаря.)");
}

QStringList MainStatusLines(std::uint8_t status, int firmwareMajor) {
    if (firmwareMajor >= 6 && status == 0xFF) return {QStringLiteral("Счетчик выключен !!!")};
    return Lines(status, MainStatusBit7Text(firmwareMajor));
}

QStringList DialogStatusLines(int value) {
    value = qBound(0, value, 255);
    if (value == 255) return {QStringLiteral("Счетчик выключен.")};
    return Lines(static_cast<std::uint8_t>(value), DialogStatusBit7Text());
}

std::optional<QStringList> StatusUpdate(std::uint8_t status, int lastStatus, int firmwareMajor) {
    if (status == lastStatus) return std::nullopt;
    return MainStatusLines(status, firmwareMajor);
}

} // namespace ormix::meter
