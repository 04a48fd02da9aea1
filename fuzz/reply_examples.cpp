#include "fuzz/reply_examples.h"

#include "link/commands.h"
#include "link/frame.h"

#include <QList>

namespace ormix::fuzz {

namespace {

using namespace ormix::link;

// The data bytes of each form, in hexadecimal.
QList<const char *> Forms(std::uint8_t code) {
    switch (code) {
    case Cmd::ReadVersion: // minor, major (BCD): 6.12, 10.1, 2.5, 5.12
        return {"12 06", "01 10", "05 02", "12 05"};
    case Cmd::ReadNumber: // 24-bit: 123456, none yet
        return {"40 E2 01", "00 00 00"};
    case Cmd::ReadClock: // the calendar block: 15.03.2011 14:07:09 Tue, summer time; limits;
                         // nonsense
        return {"09 07 14 02 15 03 11 80", "59 59 23 07 31 12 99 00", "99 99 99 09 45 13 11 7F"};
    case Cmd::ReadCorrection: // +5, -5, 0
        return {"25", "05", "20"};
    case Cmd::ReadStatus:
        return {"05", "00", "FF"};
    case Cmd::ReadDisplay:
        return {"05", "0F"};
    case Cmd::ReadEnergyOld: // hundredths, three 17-bit kWh; the long form adds the billing day
        return {"05 32 63 39 30 00 14 00 00 00 00 00",
                "05 32 63 39 30 00 14 00 00 00 00 00 D2 04 00 14 00 00 00 00 01"};
    case Cmd::ReadEnergy: // three quarter-watt-hour counts; the long form adds the billing day
        return {"4E 61 BC 00 40 38 01 00 00 00 00 00",
                "4E 61 BC 00 40 38 01 00 00 00 00 00 FF FF FF FF 01 00 00 00 00 00 00 80"};
    case Cmd::ReadOperatingTime: // 7322 half-minutes, 3 corrections
        return {"9A 1C 00 03", "FF FF FF FF"};
    case Cmd::ReadDdm: // 16-bit below firmware 6, 24-bit from 6
        return {"39 30", "FF FF FF"};
    case Cmd::ReadBilling: // hour, day (BCD)
        return {"12 25", "99 99"};
    case Cmd::ReadLastDdmSession: // an unused byte, seconds since 2000
        return {"00 80 51 01 00", "00 FF FF FF FF"};
    case Cmd::ReadZones: // single tariff; six zones of tariff, hour, minute (BCD)
        return {"", "02 00 00 01 07 00 02 07 00 03 17 00 01 21 00 02 23 00",
                "04 99 99 01 24 00 00 00 00 FF 23 59 03 12 60 02 00 00"};
    case Cmd::ReadDayAttributes: // one mask of day types per zone
        return {"FF 1F E0 1F 1F FF", "00 00 00 00 00 00"};
    case Cmd::ReadHoliday: // an unused byte, day, month (BCD); an unused slot; 30 February
        return {"00 01 01", "00 00 00", "00 30 02"};
    case Cmd::ReadTransfer: // an unused byte, day, month, year - 2000 (BCD), day type
        return {"00 01 11 25 01", "00 00 00 00 00", "00 29 02 23 09"};
    case Cmd::ReadYearlyRecord: // month, BCD year, three counts, operating time
        return {"00 24 4E 61 BC 00 40 38 01 00 00 00 00 00 9A 1C 00",
                "0B 99 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF", "0C"};
    case Cmd::ReadConsumption: // page, record, minute, hour, day, month (BCD), counts, status
        return {"00 01 07 14 05 03 4E 61 BC 00 40 38 01 00 00 00 00 00 05",
                "4E 02 59 23 29 02 FF FF FF FF FF FF FF FF FF FF FF FF FF", "4F"};
    case Cmd::ReadBillingMonthOld: // month, three 17-bit kWh, operating time
        return {"00 D2 04 00 14 00 00 00 00 01 9A 1C 00", "0C FF FF FF FF FF FF FF FF FF FF FF FF"};
    case Cmd::ReadRecordOld: // row, number, date, time (as hex digits), status
        return {"00 01 15 03 14 07 05", "0B FF FF FF FF FF FF", "0C 00 00 00 00 00 00"};
    default: // an acknowledged write (the password frame's included) carries nothing
        return {""};
    }
}

} // namespace

int ExampleReplyCount(std::uint8_t code) {
    return int(Forms(code).size());
}

QByteArray ExampleReply(std::uint8_t code, int variant) {
    const QList<const char *> forms = Forms(code);
    const QByteArray data = QByteArray::fromHex(forms[variant % forms.size()]);
    return MakeFrame(code, data);
}

} // namespace ormix::fuzz
