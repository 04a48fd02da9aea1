#include "emulator/parity_looks.h"

namespace ormix::emulator {

namespace {
bool IsMarkOrSpace(LineParity p) {
    return p == LineParity::Mark || p == LineParity::Space;
}
} // namespace

void JudgeByLooks(ObservedRequest &request, const std::vector<LineLook> &looks) {
    const qint64 length = request.bytes.size();
    bool markBefore = false;  // a mark look before the first byte ...
    bool spaceLast = false;   // ... and space the last look there
    bool markFirst = false;   // a mark look between the first and the second byte
    bool spaceInGap1 = false; // a space look there, after a mark one
    bool backToMark = false;  // a mark look there after a space one
    bool markInRest = false;  // a mark look between two later bytes
    bool spaceLater = false;  // a space look after the second byte
    bool spaceSeenInGap1 = false;
    for (const LineLook &look : looks) {
        const qint64 gap = look.position - request.offset;
        if (gap < 0 || gap > length || !IsMarkOrSpace(look.parity)) continue;
        const bool mark = look.parity == LineParity::Mark;
        if (gap == 0) {
            markBefore = markBefore || mark;
            spaceLast = !mark;
        } else if (gap == 1) {
            if (mark && spaceSeenInGap1) backToMark = true;
            if (!mark && markFirst) spaceInGap1 = true;
            markFirst = markFirst || mark;
            spaceSeenInGap1 = spaceSeenInGap1 || !mark;
        } else {
            if (mark && gap < length) markInRest = true;
            spaceLater = spaceLater || !mark;
        }
    }

    const bool firstSpace = markBefore && spaceLast;
    request.parity.assign(std::size_t(length), LineParity::Unknown);
    if (length == 0) return;
    if (markFirst) request.parity[0] = LineParity::Mark;
    if (firstSpace) request.parity[0] = LineParity::Space;
    const LineParity rest = backToMark || markInRest                   ? LineParity::Mark
                            : markFirst && (spaceInGap1 || spaceLater) ? LineParity::Space
                                                                       : LineParity::Unknown;
    for (qint64 i = 1; i < length; ++i)
        request.parity[std::size_t(i)] = rest;

    if (firstSpace) {
        request.verdict = ParityVerdict::Violation;
        request.violation = QStringLiteral("switched to space before its first byte");
    } else if (backToMark) {
        request.verdict = ParityVerdict::Violation;
        request.violation = QStringLiteral("switched back to mark before the rest");
    } else if (markInRest) {
        request.verdict = ParityVerdict::Violation;
        request.violation = QStringLiteral("mark parity inside the rest");
    } else if (markFirst && (spaceInGap1 || spaceLater)) {
        request.verdict = ParityVerdict::MarkThenSpace;
    } else {
        request.verdict = ParityVerdict::NotObserved;
    }
}

} // namespace ormix::emulator
