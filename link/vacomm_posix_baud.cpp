// Rates that have no B-constant (14400, 56000, 128000, any user rate): the kernel's
// termios2 with BOTHER. Kept apart because <asm/termbits.h> clashes with <termios.h>.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <cerrno>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace ormix::link {

// Returns 0, or the errno of the failed call.
int VaSetCustomBaud(int fd, int baud) {
    struct termios2 t {};
    if (::ioctl(fd, TCGETS2, &t) != 0) return errno;
    t.c_cflag &= ~CBAUD;
    t.c_cflag |= BOTHER;
    t.c_cflag &= ~(CBAUD << IBSHIFT); // the input rate follows the output rate
    t.c_ispeed = t.c_ospeed = unsigned(baud);
    if (::ioctl(fd, TCSETS2, &t) != 0) return errno;
    if (::ioctl(fd, TCGETS2, &t) != 0) return errno;
    // A driver that cannot make the rate picks a near one; more than 3 % off is a refusal.
    const long got = long(t.c_ospeed), want = baud;
    return (got - want) * 100 > want * 3 || (want - got) * 100 > want * 3 ? EINVAL : 0;
}

} // namespace ormix::link
