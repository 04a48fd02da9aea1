#pragma once
// The barcode scanner's bytes turned into factory numbers: codes of decimal digits, each
// ended by a carriage return. Pure, so the window, the tests and a fuzz target share it.
#include <QByteArray>
#include <optional>

namespace ormix::meter {

// The value a complete code gives the factory-number field (0 to 2147483647): the text
// without leading and trailing blanks and control characters, read as a decimal integer;
// 0 when it is not one, is negative or does not fit.
int ScannedNumber(const QByteArray &code);

// ScanBuffer: what the scanner sent since the last complete code.
class ScanBuffer {
public:
    // A scanner sends a code of a few dozen characters at most; more than this without a
    // carriage return is noise (a wrong baud rate, a loose cable), dropped so that memory
    // stays bounded.
    static constexpr int kCapacity = 64;

    // Takes the bytes of one receive event. When a carriage return is among them, the
    // whole buffer is one code (two codes in one event make a text that is not a number,
    // so 0) and the buffer starts empty again; otherwise nothing yet.
    std::optional<int> Take(const QByteArray &bytes);

    const QByteArray &Pending() const { return pending_; }
    // A line cut off (the scanner pulled out): what came of it is no code.
    void Clear() {
        pending_.clear();
        skippingLine_ = false;
    }

private:
    QByteArray pending_;
    // After an overflow the rest of that line is dropped too: its tail alone would look
    // like a shorter, wrong number.
    bool skippingLine_ = false;
};

} // namespace ormix::meter
