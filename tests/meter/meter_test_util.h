#pragma once
// Helpers shared by the meter tests.
#include "link/frame.h"

#include <QByteArray>
#include <QLocale>
#include <algorithm>
#include <initializer_list>
#include <memory>
#include <ostream>

using namespace ormix::link;

// Readable QString values in test failures.
inline void PrintTo(const QString &s, std::ostream *os) {
    *os << '"' << s.toStdString() << '"';
}

// Sets the default locale for one scope; texts of decoders follow it.
struct LocaleGuard {
    explicit LocaleGuard(QLocale::Language language, QLocale::Country country) {
        QLocale::setDefault(QLocale(language, country));
    }
    ~LocaleGuard() { QLocale::setDefault(QLocale::c()); }
    LocaleGuard(const LocaleGuard &) = delete;
    LocaleGuard &operator=(const LocaleGuard &) = delete;
};
struct RuLocale : LocaleGuard {
    RuLocale() : LocaleGuard(QLocale::Russian, QLocale::Russia) {}
};
struct UsLocale : LocaleGuard {
    UsLocale() : LocaleGuard(QLocale::English, QLocale::UnitedStates) {}
};

inline QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values)
        b.append(static_cast<char>(v));
    return b;
}

inline QByteArray WithCrc(QByteArray frame) {
    AppendCrc(frame);
    return frame;
}

// A byte string in a heap block of exactly its size, so that AddressSanitizer reports any
// read past its end (a QByteArray of its own keeps a terminator and spare capacity).
class ExactBytes {
public:
    explicit ExactBytes(const QByteArray &bytes)
        : data_(bytes.isEmpty() ? nullptr : new char[bytes.size()]), size_(bytes.size()) {
        std::copy(bytes.cbegin(), bytes.cend(), data_.get());
    }
    QByteArray view() const { return QByteArray::fromRawData(data_.get(), size_); }

private:
    std::unique_ptr<char[]> data_;
    qsizetype size_;
};
