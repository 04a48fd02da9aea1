#pragma once
// A meter on a serial line for tests and for people: it opens a pseudo-terminal
// (or uses a given device), frames the requests it receives, answers them from a
// MeterModel, and can misbehave on demand.
//
//   MeterEmulator emu({.firmware = {6, 2}, .number = 123456, .password = 1111});
//   emu.start();                          // false with lastError() when the line fails
//   port.SetDeviceName(emu.devicePath()); // the pty's slave side, for a TVaComm
//   emu.addFault({.kind = Fault::NoReply, .frames = 1});
//   ...
//   EXPECT_EQ(emu.parityViolations(), 0); // requests shown sent without mark then space
//   emu.stop();                           // also done by the destructor
//
// All members are safe to call from any thread while the emulator runs.
#include "emulator/faults.h"
#include "emulator/meter_model.h"
#include "emulator/meter_state.h"
#include "emulator/parity_looks.h"
#include "emulator/request_framer.h"
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace ormix::emulator {

// A real meter answers within a few ms; so does the emulator by default.
constexpr int kDefaultReplyDelayMs = 3;

struct EmulatorOptions {
    FirmwareVersion firmware{6, 2};
    std::uint32_t number = 123456;
    std::uint16_t password = 0;
    double driftPerDay = 0; // seconds per day the clock runs fast (+) or slow (-)
    std::uint8_t status = 0;
    QString port{};      // empty: open a pseudo-terminal
    QString stateFile{}; // JSON; loaded at start when it exists, saved after writes
    int baud = 0;        // > 0: replies take the line time of this rate (11 bits a byte)
    int replyDelayMs = kDefaultReplyDelayMs;
    EnergyReply energyReply = EnergyReply::Auto;
    MeterModel::Clock clock{}; // real time for the meter; default the system clock
    // Receives the --verbose and --check-parity lines; null: silent.
    std::function<void(const QString &)> log{};
    bool logFrames = false; // one line per frame received and sent
    bool logParity = false; // a line per request shown sent otherwise, a summary at stop
};

class MeterEmulator {
public:
    explicit MeterEmulator(EmulatorOptions options = {});
    ~MeterEmulator();
    MeterEmulator(const MeterEmulator &) = delete;
    MeterEmulator &operator=(const MeterEmulator &) = delete;

    // Loads the state file, opens the line and starts the reading thread; false with
    // lastError() when the file or the line cannot be used.
    bool start();
    // Stops the thread, saves the state file and closes the line.
    void stop();
    QString lastError() const;

    // The path a client opens: the pty's slave side, or the --port device.
    QString devicePath() const;

    // Faults are used up in the order they were added (see Fault).
    void addFault(const Fault &fault);
    void clearFaults();

    // Requests shown sent otherwise than first byte mark, the rest space; they are not
    // answered. Only what the line shows counts (see parity_looks.h for a pty).
    int parityViolations() const;
    // Requests whose parity nothing showed (answered all the same).
    int parityNotObserved() const;
    // The sender's settings as last seen on a pty, pinned after that many bytes.
    LineLook lastLook() const;
    // Every request framed so far (answered or not), with its bytes' parity.
    std::vector<ObservedRequest> requestsSeen() const;
    // Forgets the requests seen and the parity counted.
    void clearRequestsSeen();

    // A copy with the clock and counters brought up to now.
    MeterState state() const;
    void setState(const MeterState &state);
    // Whether writes are open (a correct password less than 60 s before the last write).
    bool accessOpen() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace ormix::emulator
