#include "emulator/faults.h"
#include "emulator/meter_model.h"
#include "link/frame.h"
#include <algorithm>

using namespace ormix::link;

namespace ormix::emulator {

std::vector<Fault> FaultList::take(std::uint8_t code) {
    std::vector<Fault> used;
    for (auto it = m_faults.begin(); it != m_faults.end();) {
        if (it->code && *it->code != code) {
            ++it;
            continue;
        }
        used.push_back(*it);
        if (it->frames > 0 && --it->frames == 0) {
            it = m_faults.erase(it);
        } else {
            ++it;
        }
    }
    return used;
}

bool FaultsCarryOut(const std::vector<Fault> &faults) {
    for (const Fault &f : faults)
        if (f.kind == Fault::NoReply || f.kind == Fault::ErrorReply) return false;
    return true;
}

ReplyPlan ShapeReply(const std::vector<Fault> &faults, std::uint8_t requestCode,
                     const QByteArray &reply) {
    ReplyPlan plan;
    plan.carryOut = FaultsCarryOut(faults);
    QByteArray bytes = reply;
    int pieces = 1;
    for (const Fault &f : faults) {
        switch (f.kind) {
        case Fault::NoReply:
            return {false, {}, 0, 0};
        case Fault::ErrorReply:
            bytes = MakeErrorReply(requestCode, static_cast<std::uint8_t>(f.value));
            break;
        default:
            break;
        }
    }
    // Checksum and code faults act on the reply itself, before bytes are added around it.
    for (Fault::Kind kind : {Fault::WrongCode, Fault::BadChecksum, Fault::ExtraByte, Fault::Garbage,
                             Fault::Split, Fault::Delay}) {
        for (const Fault &f : faults) {
            if (f.kind != kind) continue;
            switch (f.kind) {
            case Fault::WrongCode:
                if (bytes.size() >= 2) {
                    bytes.chop(2);
                    bytes[0] = char(bytes[0] + 1);
                    AppendCrc(bytes);
                }
                break;
            case Fault::BadChecksum:
                if (bytes.size() >= 2) bytes[bytes.size() - 2] = char(~bytes[bytes.size() - 2]);
                break;
            case Fault::ExtraByte:
                bytes.append(char(0x5A));
                break;
            case Fault::Garbage:
                bytes.prepend(QByteArray(f.value > 0 ? f.value : 3, char(0xA5)));
                break;
            case Fault::Split:
                pieces = std::max(pieces, f.value);
                plan.pauseMs = f.pauseMs;
                break;
            case Fault::Delay:
                plan.delayMs += std::max(0, f.value);
                break;
            default:
                break;
            }
        }
    }
    pieces = std::clamp<int>(pieces, 1, std::max<int>(1, bytes.size()));
    const qsizetype size = bytes.size();
    qsizetype at = 0;
    for (int i = 0; i < pieces; ++i) {
        const qsizetype end = size * (i + 1) / pieces;
        plan.pieces.push_back(bytes.mid(at, end - at));
        at = end;
    }
    return plan;
}

bool ParseFault(const QString &text, Fault &fault, QString &error) {
    Fault f;
    QString rest = text.trimmed();
    const auto bad = [&](const QString &why) {
        error = QStringLiteral("fault \"%1\": %2").arg(text, why);
        return false;
    };
    bool framesGiven = false;
    if (const qsizetype star = rest.indexOf('*'); star >= 0) {
        const QString frames = rest.mid(star + 1);
        rest.truncate(star);
        bool ok = false;
        f.frames = frames == QLatin1String("all") ? -1 : frames.toInt(&ok);
        if (frames != QLatin1String("all") && (!ok || f.frames < 1))
            return bad(QStringLiteral("frames must be a count or \"all\""));
        framesGiven = true;
    }
    if (const qsizetype at = rest.indexOf('@'); at >= 0) {
        bool ok = false;
        const uint code = rest.mid(at + 1).toUInt(&ok, 16);
        if (!ok || code > 0xFF) return bad(QStringLiteral("the code must be one hexadecimal byte"));
        f.code = static_cast<std::uint8_t>(code);
        rest.truncate(at);
        if (!framesGiven) f.frames = -1;
    }
    QString kind = rest, value;
    if (const qsizetype eq = rest.indexOf('='); eq >= 0) {
        kind = rest.left(eq);
        value = rest.mid(eq + 1);
    }
    struct Name {
        const char *name;
        Fault::Kind kind;
        bool needsValue;
    };
    static const Name names[] = {
        {"noreply", Fault::NoReply, false},    {"split", Fault::Split, true},
        {"extra", Fault::ExtraByte, false},    {"garbage", Fault::Garbage, false},
        {"badcrc", Fault::BadChecksum, false}, {"wrongcode", Fault::WrongCode, false},
        {"error", Fault::ErrorReply, true},    {"delay", Fault::Delay, true}};
    const Name *found = nullptr;
    for (const Name &n : names)
        if (kind == QLatin1String(n.name)) found = &n;
    if (!found) return bad(QStringLiteral("unknown kind \"%1\"").arg(kind));
    f.kind = found->kind;
    if (found->needsValue && value.isEmpty()) return bad(QStringLiteral("a value is needed"));
    if (!value.isEmpty()) {
        bool ok = false;
        f.value = value.toInt(&ok);
        if (!ok || f.value < 0 || (f.kind == Fault::ErrorReply && f.value > 255) ||
            (f.kind == Fault::Split && f.value < 2))
            return bad(QStringLiteral("value out of range"));
    }
    fault = f;
    return true;
}

} // namespace ormix::emulator
