#pragma once
// A pseudo-terminal pair standing in for the cable: the component opens the slave,
// the test plays the other end on the master.
#include <QByteArray>
#include <QString>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

struct PtyPair {
    int master = -1;
    QString slavePath;

    PtyPair() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
        slavePath = QString::fromLocal8Bit(::ptsname(master));
    }
    ~PtyPair() { CloseMaster(); }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool Ok() const { return master >= 0 && !slavePath.isEmpty(); }
    void CloseMaster() {
        if (master >= 0) ::close(master);
        master = -1;
    }

    bool Send(const QByteArray &bytes) const {
        return ::write(master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

    // Reads until `count` bytes have come or `timeoutMs` passed.
    QByteArray Receive(int count, int timeoutMs = 2000) const {
        QByteArray out;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (out.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, int(left.count())) <= 0) continue;
            char buf[512];
            ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0) out.append(buf, n);
        }
        return out;
    }
};
