#include "link/frame.h"

#include <array>

namespace ormix::link {

namespace {
// CRC-16/MODBUS: polynomial 0x8005 reflected (0xA001), start 0xFFFF, no final xor.
constexpr std::array<std::uint16_t, 256> makeTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t r = static_cast<std::uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            r = (r & 1) ? static_cast<std::uint16_t>((r >> 1) ^ 0xA001)
                        : static_cast<std::uint16_t>(r >> 1);
        table[i] = r;
    }
    return table;
}
constexpr auto kTable = makeTable();
} // namespace

std::uint16_t Crc16(const char *data, qsizetype size) {
    std::uint16_t crc = 0xFFFF;
    for (qsizetype i = 0; i < size; ++i)
        crc = static_cast<std::uint16_t>((crc >> 8) ^
                                         kTable[(crc ^ static_cast<std::uint8_t>(data[i])) & 0xFF]);
    return crc;
}

void AppendCrc(QByteArray &frame) {
    const std::uint16_t crc = Crc16(frame);
    frame.append(static_cast<char>(crc & 0xFF));
    frame.append(static_cast<char>(crc >> 8));
}

bool CheckCrc(const QByteArray &rx) {
    if (rx.size() < 2) return false;
    const std::uint16_t crc = Crc16(rx.constData(), rx.size() - 2);
    return static_cast<std::uint8_t>(rx[rx.size() - 2]) == (crc & 0xFF) &&
           static_cast<std::uint8_t>(rx[rx.size() - 1]) == (crc >> 8);
}

QByteArray MakeFrame(std::uint8_t code, const QByteArray &data) {
    QByteArray frame;
    frame.append(static_cast<char>(code));
    frame.append(static_cast<char>(2 + data.size()));
    frame.append(data);
    AppendCrc(frame);
    return frame;
}

bool IsErrorReply(const QByteArray &rx, const QByteArray &request) {
    if (rx.size() != 5 || request.isEmpty()) return false;
    const int diff = static_cast<std::uint8_t>(rx[0]) - static_cast<std::uint8_t>(request[0]);
    return diff == 0x80 && static_cast<std::uint8_t>(rx[1]) == 3 && CheckCrc(rx);
}

QString ErrorReplyText(int code) {
    switch (code) {
    case 1:
        return QStringLiteral("Ошибка: Неизвестная функция");
    case 2:
        return QStringLiteral("Ошибка: Неверная длина запроса");
    case 3:
        return QStringLiteral("Ошибка: Неверная контрольная сумма");
    case 4:
        return QStringLiteral("Ошибка: Неверные данные запроса");
    case 5:
        return QStringLiteral("Ошибка: Память защищена");
    case 6:
        return QStringLiteral("Ошибка: Доступ запрещен");
    default:
        return QStringLiteral("Неизвестная ошибка");
    }
}

QString HexBytes(const QByteArray &bytes) {
    static const char digits[] = "0123456789ABCDEF";
    QString text;
    text.reserve(bytes.size() * 3);
    for (char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        text.append(QLatin1Char(digits[b >> 4]));
        text.append(QLatin1Char(digits[b & 0x0F]));
        text.append(QLatin1Char(' '));
    }
    return text;
}

} // namespace ormix::link
