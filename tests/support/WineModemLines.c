/* Preloaded into Wine by scripts/test-windows.sh, and only there.
 *
 * Wine opens a COM port only when the device answers the modem-status ioctl
 * (TIOCMGET), and sets RTS and DTR through TIOCMBIS/TIOCMBIC. A Linux
 * pseudo-terminal, which the Windows tests map as a COM port, has no modem
 * lines and refuses these calls, so the open would fail. This shim answers
 * them for a device that refuses them: no line changes, and the lines a
 * connected cable shows (CTS, DSR, CD). Every other call goes through. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <sys/ioctl.h>

int ioctl(int fd, unsigned long request, ...) {
    static int (*real_ioctl)(int, unsigned long, void*);
    va_list ap;
    va_start(ap, request);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    if (!real_ioctl)
        real_ioctl = (int (*)(int, unsigned long, void*))dlsym(RTLD_NEXT, "ioctl");
    const int result = real_ioctl(fd, request, arg);
    if (result == 0 || (errno != EINVAL && errno != ENOTTY))
        return result;
    if (request == TIOCMGET) {
        *(int*)arg = TIOCM_CTS | TIOCM_DSR | TIOCM_CD;
        return 0;
    }
    if (request == TIOCMBIS || request == TIOCMBIC || request == TIOCMSET)
        return 0;
    return result;
}
