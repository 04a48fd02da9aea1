// scanner-stand-in: a barcode scanner on a pseudo-terminal, for the tests and for trying
// the workstation by hand. The first line of output is the path to open; then each code
// of the command line, and after them each line of standard input, is sent followed by a
// carriage return, as a scanner sends a label it has read. It runs until interrupted.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// The workstation empties its input when it opens the port; a code sent before that
// would be lost, so each code waits until a reader has had the line open for a moment.
constexpr auto kSettleAfterOpen = 300ms;
constexpr auto kPollStep = 50ms;

[[noreturn]] void Fail(const char *what) {
    std::fprintf(stderr, "scanner-stand-in: %s: %s\n", what, std::strerror(errno));
    std::exit(2);
}

// The master reports a hang-up while nobody has the other end open. Bytes the reader
// writes (the workstation sends one zero byte) are read and dropped.
bool ReaderPresent(int master) {
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0) return false;
    if (p.revents & POLLIN) {
        char sink[256];
        while (::read(master, sink, sizeof sink) > 0) {
        }
    }
    return !(p.revents & POLLHUP);
}

void WaitForReader(int master) {
    bool waited = false;
    while (!ReaderPresent(master)) {
        waited = true;
        std::this_thread::sleep_for(kPollStep);
    }
    if (waited) std::this_thread::sleep_for(kSettleAfterOpen);
}

void Send(int master, const std::string &code) {
    WaitForReader(master);
    const std::string line = code + '\r';
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(master, line.data() + done, line.size() - done);
        if (n > 0) {
            done += size_t(n);
        } else if (errno == EAGAIN || errno == EIO) {
            // EIO: the reader closed the line in between; the code goes when it is back.
            WaitForReader(master);
        } else if (errno != EINTR) {
            Fail("write");
        }
    }
}

} // namespace

int main(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("Usage: scanner-stand-in [CODE...]\n"
                        "Opens a pseudo-terminal, prints its path, then sends each CODE and\n"
                        "each line of standard input followed by a carriage return.\n");
            return 0;
        }
    }
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) Fail("pseudo-terminal");
    const char *path = ::ptsname(master);
    if (!path) Fail("ptsname");
    // Opening and closing the other end once makes the master report the hang-up until
    // the real reader comes; a fresh master does not.
    const int slave = ::open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) Fail(path);
    ::close(slave);
    std::printf("%s\n", path);
    std::fflush(stdout);

    for (int i = 1; i < argc; ++i)
        Send(master, argv[i]);
    for (std::string line; std::getline(std::cin, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        Send(master, line);
    }
    // The codes may still be on their way: keep the line until interrupted.
    for (;;) {
        ReaderPresent(master);
        std::this_thread::sleep_for(200ms);
    }
}
