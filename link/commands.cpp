#include "link/commands.h"

#include <array>

namespace ormix::link {
namespace {

using K = CommandInfo::Kind;
constexpr int kAll = kEveryFirmware;

// Firmware 3 brought the DDM number, 6 the 32-bit energy reply, the billing day and the
// yearly and consumption journals (in place of 0x0F, 0x12 and 0x13), 10 the holidays,
// transfers, day types and the last DDM session.
constexpr std::array kCommands{
    CommandInfo{Cmd::ReadVersion, K::Read, 0, kAll, true},
    CommandInfo{Cmd::ReadNumber, K::Read, 0, kAll, true},
    CommandInfo{Cmd::WriteNumber, K::Write, 0, kAll, false},
    CommandInfo{Cmd::ReadClock, K::Read, 0, kAll, true},
    CommandInfo{Cmd::WriteClock, K::Write, 0, kAll, false},
    CommandInfo{Cmd::ReadCorrection, K::Read, 0, kAll, true},
    CommandInfo{Cmd::WriteCorrection, K::Write, 0, kAll, false},
    CommandInfo{Cmd::ReadZones, K::Read, 0, kAll, true},
    CommandInfo{Cmd::WriteZones, K::Write, 0, kAll, false},
    CommandInfo{Cmd::ReadStatus, K::Read, 0, kAll, true},
    CommandInfo{Cmd::ResetStatus, K::Write, 0, kAll, false},
    CommandInfo{Cmd::ReadDisplay, K::Read, 0, kAll, true},
    CommandInfo{Cmd::WriteDisplay, K::Write, 0, kAll, false},
    CommandInfo{Cmd::ReadEnergyOld, K::Read, 0, 6, true},
    CommandInfo{Cmd::ReadOperatingTime, K::Read, 0, kAll, true},
    CommandInfo{Cmd::ReadBillingMonthOld, K::Read, 0, 6, true},
    CommandInfo{Cmd::ReadRecordOld, K::Read, 0, 6, true},
    // A password frame opens the meter, or sets a new password while it is open; its
    // acknowledgement has a branch of its own (the access password field follows it).
    CommandInfo{Cmd::Password, K::Write, 0, kAll, true},
    CommandInfo{Cmd::ReadDdm, K::Read, 3, kAll, true},
    CommandInfo{Cmd::WriteDdm, K::Write, 3, kAll, false},
    CommandInfo{Cmd::ReadEnergy, K::Read, 6, kAll, true},
    CommandInfo{Cmd::ReadYearlyRecord, K::Read, 6, kAll, true},
    CommandInfo{Cmd::ReadConsumption, K::Read, 6, kAll, true},
    CommandInfo{Cmd::ReadBilling, K::Read, 6, kAll, true},
    CommandInfo{Cmd::WriteBilling, K::Write, 6, kAll, false},
    CommandInfo{Cmd::ResetBillingReadings, K::Write, 6, kAll, false},
    CommandInfo{Cmd::ReadHoliday, K::Read, 10, kAll, true},
    CommandInfo{Cmd::WriteHoliday, K::Write, 10, kAll, false},
    CommandInfo{Cmd::ReadTransfer, K::Read, 10, kAll, true},
    CommandInfo{Cmd::WriteTransfer, K::Write, 10, kAll, false},
    CommandInfo{Cmd::ReadLastDdmSession, K::Read, 10, kAll, true},
    CommandInfo{Cmd::ReadDayAttributes, K::Read, 10, kAll, true},
    CommandInfo{Cmd::WriteDayAttributes, K::Write, 10, kAll, false},
};

} // namespace

std::span<const CommandInfo> CommandTable() {
    return kCommands;
}

const CommandInfo *FindCommand(std::uint8_t code) {
    for (const CommandInfo &c : kCommands)
        if (c.code == code) return &c;
    return nullptr;
}

bool HasDecoder(std::uint8_t code) {
    const CommandInfo *c = FindCommand(code);
    return c && c->hasDecoder;
}

bool CommandInFirmware(const CommandInfo &command, int firmwareMajor) {
    return firmwareMajor >= command.sinceFirmware && firmwareMajor < command.belowFirmware;
}

} // namespace ormix::link
