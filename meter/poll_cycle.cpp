#include "meter/poll_cycle.h"

#include "link/commands.h"
#include "link/frame.h"

using namespace ormix::link;

namespace ormix::meter {

namespace {
constexpr std::uint8_t kCycle[kPollIndexCount] = {
    Cmd::ReadVersion, Cmd::ReadNumber,  Cmd::ReadClock,          Cmd::ReadCorrection,
    Cmd::ReadStatus,  Cmd::ReadDisplay, Cmd::ReadEnergyOld,      Cmd::ReadOperatingTime,
    Cmd::ReadDdm,     Cmd::ReadBilling, Cmd::ReadLastDdmSession,
};

int ValidIndex(int pollIndex) {
    return pollIndex >= 0 && pollIndex < kPollIndexCount ? pollIndex : 0;
}
} // namespace

std::uint8_t PollRequestCode(int pollIndex, int firmwareMajor) {
    const int i = ValidIndex(pollIndex);
    if (i == 6 && firmwareMajor >= 6) return Cmd::ReadEnergy;
    return kCycle[i];
}

int NextPollIndex(int pollIndex, int firmwareMajor, bool ddmEnabled) {
    int next = ValidIndex(pollIndex) + 1;
    if (next > 7 && !ddmEnabled) next = 0;
    if (next > 8 && firmwareMajor < 6) next = 0;
    if (next > 9 && firmwareMajor < 10) next = 0;
    if (next > 10) next = 0;
    return next;
}

PollStep NextPollRequest(int pollIndex, int firmwareMajor, bool ddmEnabled) {
    PollStep step;
    step.frame = MakeFrame(PollRequestCode(pollIndex, firmwareMajor));
    step.nextIndex = NextPollIndex(pollIndex, firmwareMajor, ddmEnabled);
    return step;
}

QList<std::uint8_t> PollCycleCodes(int firmwareMajor, bool ddmEnabled) {
    QList<std::uint8_t> codes;
    int index = 0;
    do {
        codes.append(PollRequestCode(index, firmwareMajor));
        index = NextPollIndex(index, firmwareMajor, ddmEnabled);
    } while (index != 0);
    return codes;
}

} // namespace ormix::meter
