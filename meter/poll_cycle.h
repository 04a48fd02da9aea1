#pragma once
// The poll cycle: which read request follows which, chosen by the firmware generation.
// Below 3: 00 01 04 06 0A 0D 0F 11; 3..5 adds 15; 6..9: 00 01 04 06 0A 0D 17 11 15 22;
// 10 and above adds 2A.
#include <QByteArray>
#include <QList>
#include <cstdint>

namespace ormix::meter {

constexpr int kPollIndexCount = 11; // PollIndex runs 0..10

struct PollStep {
    QByteArray frame;  // request with its checksum
    int nextIndex = 0; // the PollIndex to use next time
};

// Request code for a PollIndex; index 6 reads the energy with 0x0F below firmware 6, else 0x17.
// An index outside 0..10 is taken as 0.
std::uint8_t PollRequestCode(int pollIndex, int firmwareMajor);

// The PollIndex after `pollIndex`, wrapping where the cycle of this firmware ends.
// `ddmEnabled`: SpinEditVDM is enabled (the DDM number is read from firmware 3 on).
int NextPollIndex(int pollIndex, int firmwareMajor, bool ddmEnabled);

// One poll step: the frame to send now and the index to keep.
PollStep NextPollRequest(int pollIndex, int firmwareMajor, bool ddmEnabled);

// The request codes of one whole cycle starting at index 0, for display and tests.
QList<std::uint8_t> PollCycleCodes(int firmwareMajor, bool ddmEnabled);

} // namespace ormix::meter
