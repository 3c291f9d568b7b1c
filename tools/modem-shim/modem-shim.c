/* Test tooling, never part of the product: an LD_PRELOAD library that gives pseudo-terminal
 * slaves the modem lines Linux ptys lack, so Wine's serial calls (WaitCommEvent with modem
 * events, EscapeCommFunction, GetCommModemStatus) behave as on a real port.
 *
 * For /dev/pts/N it reads the input lines from $VEXOR_MODEM_LINES_DIR/pts-N ("CTS DSR CD RI"),
 * keeps DTR and RTS per terminal and writes them to pts-N.out. The word BUSY in pts-N makes
 * opening the terminal fail with EACCES, as a port held by another program does on Windows.
 * Every other descriptor and request goes to the real calls. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#define MAX_PTYS 4096
static int output_lines[MAX_PTYS]; /* TIOCM_DTR | TIOCM_RTS, plus 1 << 30 once set */

static int pty_number_of(const struct stat* st) {
    if (!S_ISCHR(st->st_mode)) return -1;
    unsigned maj = major(st->st_rdev);
    if (maj < 136 || maj > 143) return -1;
    int n = (int)((maj - 136) * 256 + minor(st->st_rdev));
    return n < MAX_PTYS ? n : -1;
}

static int pty_number_fd(int fd) {
    struct stat st;
    return fstat(fd, &st) == 0 ? pty_number_of(&st) : -1;
}

static int read_lines_file(int n, char* text, size_t size) {
    const char* dir = getenv("VEXOR_MODEM_LINES_DIR");
    if (!dir) return -1;
    char path[512];
    snprintf(path, sizeof path, "%s/pts-%d", dir, n);
    FILE* f = fopen(path, "r");
    if (!f) return -1;
    size_t got = fread(text, 1, size - 1, f);
    text[got] = '\0';
    fclose(f);
    return 0;
}

static long long now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
}

/* Wine polls the modem lines while it waits for device events: the file is read again at most
 * every 20 ms. */
static int input_lines(int n) {
    static int cached_pty = -1, cached_bits;
    static long long cached_at;
    long long now = now_ms();
    if (n == cached_pty && now - cached_at < 20) return cached_bits;
    char text[256];
    int bits = TIOCM_CTS | TIOCM_DSR | TIOCM_CD;
    if (read_lines_file(n, text, sizeof text) == 0) {
        bits = 0;
        if (strstr(text, "CTS")) bits |= TIOCM_CTS;
        if (strstr(text, "DSR")) bits |= TIOCM_DSR;
        if (strstr(text, "CD")) bits |= TIOCM_CD;
        if (strstr(text, "RI")) bits |= TIOCM_RI;
    }
    cached_pty = n;
    cached_bits = bits;
    cached_at = now;
    return bits;
}

static void record_output(int n) {
    const char* dir = getenv("VEXOR_MODEM_LINES_DIR");
    if (!dir) return;
    char path[512];
    snprintf(path, sizeof path, "%s/pts-%d.out", dir, n);
    FILE* f = fopen(path, "w");
    if (!f) return;
    fprintf(f, "%s%s\n", output_lines[n] & TIOCM_DTR ? "DTR " : "",
            output_lines[n] & TIOCM_RTS ? "RTS" : "");
    fclose(f);
}

static int modem_ioctl(int n, unsigned long request, int* arg) {
    int out = output_lines[n] & (TIOCM_DTR | TIOCM_RTS);
    switch (request) {
    case TIOCMGET: *arg = out | input_lines(n); return 0;
    case TIOCMSET: out = *arg & (TIOCM_DTR | TIOCM_RTS); break;
    case TIOCMBIS: out |= *arg & (TIOCM_DTR | TIOCM_RTS); break;
    case TIOCMBIC: out &= ~(*arg & (TIOCM_DTR | TIOCM_RTS)); break;
    }
    output_lines[n] = out | (1 << 30);
    record_output(n);
    return 0;
}

static int is_modem_request(unsigned long request) {
    return request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
}

int ioctl(int fd, unsigned long request, ...) {
    static int (*real)(int, unsigned long, ...);
    if (!real) real = dlsym(RTLD_NEXT, "ioctl");
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    if (is_modem_request(request)) {
        int n = pty_number_fd(fd);
        if (n >= 0) return modem_ioctl(n, request, arg);
    }
    return real(fd, request, arg);
}

/* glibc's 32-bit time64 builds route ioctl through this name. */
int __ioctl_time64(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    return ioctl(fd, request, arg);
}

static int busy_at(int dirfd, const char* path) {
    struct stat st;
    if (fstatat(dirfd, path, &st, 0) != 0) return 0;
    int n = pty_number_of(&st);
    char text[256];
    return n >= 0 && read_lines_file(n, text, sizeof text) == 0 && strstr(text, "BUSY");
}

#define WRAP_OPEN(name, ...)                                                                       \
    int name(const char* path, int flags, ...) {                                                   \
        static int (*real)(const char*, int, ...);                                                 \
        if (!real) real = dlsym(RTLD_NEXT, #name);                                                 \
        va_list args;                                                                              \
        va_start(args, flags);                                                                     \
        mode_t mode = va_arg(args, mode_t);                                                        \
        va_end(args);                                                                              \
        if (busy_at(AT_FDCWD, path)) {                                                             \
            errno = EACCES;                                                                        \
            return -1;                                                                             \
        }                                                                                          \
        return real(path, flags, mode);                                                            \
    }
WRAP_OPEN(open)
WRAP_OPEN(open64)

#define WRAP_OPENAT(name)                                                                          \
    int name(int dirfd, const char* path, int flags, ...) {                                        \
        static int (*real)(int, const char*, int, ...);                                            \
        if (!real) real = dlsym(RTLD_NEXT, #name);                                                 \
        va_list args;                                                                              \
        va_start(args, flags);                                                                     \
        mode_t mode = va_arg(args, mode_t);                                                        \
        va_end(args);                                                                              \
        if (busy_at(dirfd, path)) {                                                                \
            errno = EACCES;                                                                        \
            return -1;                                                                             \
        }                                                                                          \
        return real(dirfd, path, flags, mode);                                                     \
    }
WRAP_OPENAT(openat)
WRAP_OPENAT(openat64)
