#pragma once
// The workstation's end of the cable in tests: opens the pty's slave side raw and
// sends requests the way the workstation does (first byte mark parity, tcdrain,
// 10 ms, then space parity for the rest).
#include "link/frame.h"
#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace ormix::link;

class PtyClient {
public:
    explicit PtyClient(const QString &path) {
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        if (m_fd >= 0 && tcgetattr(m_fd, &t) == 0) {
            cfmakeraw(&t);
            t.c_cflag |= CLOCAL | CREAD;
            tcsetattr(m_fd, TCSANOW, &t);
        }
    }
    ~PtyClient() {
        if (m_fd >= 0) ::close(m_fd);
    }
    bool isOpen() const { return m_fd >= 0; }

    enum Parity { Mark, Space, None };
    void setParity(Parity p) {
        termios t{};
        tcgetattr(m_fd, &t);
        t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
        if (p == Mark) t.c_cflag |= PARENB | CMSPAR | PARODD;
        if (p == Space) t.c_cflag |= PARENB | CMSPAR;
        tcsetattr(m_fd, TCSADRAIN, &t);
    }
    void write(const QByteArray &b) { (void)!::write(m_fd, b.constData(), b.size()); }
    void send(const QByteArray &frame, Parity first = Mark, Parity rest = Space) {
        setParity(first);
        write(frame.left(1));
        tcdrain(m_fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        setParity(rest);
        write(frame.mid(1));
    }
    // Everything that arrives until the line stays quiet for `quietMs`.
    QByteArray read(int quietMs = 150, int maxMs = 3000) {
        QByteArray got;
        QElapsedTimer total;
        total.start();
        while (total.elapsed() < maxMs) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, quietMs) <= 0) break;
            char buf[256];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n > 0) got.append(buf, n);
        }
        return got;
    }
    QByteArray ask(const QByteArray &frame) {
        send(frame);
        return read();
    }

private:
    int m_fd = -1;
};

inline QByteArray Request(const char *hex) {
    QByteArray f = QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
    AppendCrc(f);
    return f;
}
