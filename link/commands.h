#pragma once
// The command codes of the meter protocol and the table of commands. Requests start with
// one of these codes; a normal reply echoes it, an error reply carries it with bit 7 set.
#include <cstdint>
#include <span>

namespace ormix::link {

namespace Cmd {
constexpr std::uint8_t ReadVersion = 0x00;
constexpr std::uint8_t ReadNumber = 0x01;
constexpr std::uint8_t WriteNumber = 0x02;
constexpr std::uint8_t ReadClock = 0x04;
constexpr std::uint8_t WriteClock = 0x05;
constexpr std::uint8_t ReadCorrection = 0x06;
constexpr std::uint8_t WriteCorrection = 0x07;
constexpr std::uint8_t ReadZones = 0x08;
constexpr std::uint8_t WriteZones = 0x09; // also "clear the zone table" without data
constexpr std::uint8_t ReadStatus = 0x0A;
constexpr std::uint8_t ResetStatus = 0x0B;
constexpr std::uint8_t ReadDisplay = 0x0D;
constexpr std::uint8_t WriteDisplay = 0x0E;
constexpr std::uint8_t ReadEnergyOld = 0x0F; // firmware below 6
constexpr std::uint8_t ReadOperatingTime = 0x11;
constexpr std::uint8_t ReadBillingMonthOld = 0x12; // firmware below 6
constexpr std::uint8_t ReadRecordOld = 0x13;       // firmware below 6
constexpr std::uint8_t Password = 0x14;
constexpr std::uint8_t ReadDdm = 0x15;
constexpr std::uint8_t WriteDdm = 0x16;
constexpr std::uint8_t ReadEnergy = 0x17;       // firmware 6 and above
constexpr std::uint8_t ReadYearlyRecord = 0x18; // firmware 6 and above
constexpr std::uint8_t ReadConsumption = 0x19;  // firmware 6 and above
constexpr std::uint8_t ReadBilling = 0x22;
constexpr std::uint8_t WriteBilling = 0x23;
constexpr std::uint8_t ResetBillingReadings = 0x24;
constexpr std::uint8_t ReadHoliday = 0x26;
constexpr std::uint8_t WriteHoliday = 0x27; // also "clear the holiday table" without data
constexpr std::uint8_t ReadTransfer = 0x28;
constexpr std::uint8_t WriteTransfer = 0x29; // also "clear the transfer table" without data
constexpr std::uint8_t ReadLastDdmSession = 0x2A;
constexpr std::uint8_t ReadDayAttributes = 0x2E;
constexpr std::uint8_t WriteDayAttributes = 0x2F;

constexpr std::uint8_t ErrorBit = 0x80;
} // namespace Cmd

// One command of the protocol: whether it reads or writes, the firmware generations that
// have it, and whether its reply carries data for a decoder (the code -> decoder table is
// meter/reply_decoders.h) or is an acknowledgement that only lets the next frame go.
struct CommandInfo {
    enum Kind { Read, Write };
    std::uint8_t code;
    Kind kind;
    int sinceFirmware; // the lowest major version that has it
    int belowFirmware; // the first major version that no longer has it
    bool hasDecoder;
};
constexpr int kEveryFirmware = 1000;

// Every command of the protocol, by code.
std::span<const CommandInfo> CommandTable();
// nullptr for a code the protocol does not have.
const CommandInfo *FindCommand(std::uint8_t code);
// The reply to `code` goes to a decoder; any other accepted reply is an acknowledgement.
bool HasDecoder(std::uint8_t code);
// The command exists in firmware of this major version.
bool CommandInFirmware(const CommandInfo &command, int firmwareMajor);

} // namespace ormix::link
