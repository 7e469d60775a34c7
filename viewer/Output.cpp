// SPDX-License-Identifier: MIT
#include "Output.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

bool openStandardStreams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
            continue;
        }
        // The lowest free descriptor is fd itself, the ones below being open.
        const int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened < 0) {
            return false;
        }
        if (opened != fd) {
            dup2(opened, fd);
            close(opened);
        }
    }
    return true;
}

bool writeAll(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t written = write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

void writeLine(int fd, const char* text) {
    std::string line(text);
    line += '\n';
    // A write to a slow pipe may go out in pieces; holding SIGUSR2 back keeps
    // the handler's own line from landing between them.
    sigset_t usr2;
    sigset_t previous;
    sigemptyset(&usr2);
    sigaddset(&usr2, SIGUSR2);
    sigprocmask(SIG_BLOCK, &usr2, &previous);
    writeAll(fd, line.data(), line.size());
    sigprocmask(SIG_SETMASK, &previous, nullptr);
}

std::size_t formatSignalLine(int sig, char (&line)[kSignalLineCapacity]) {
    static const char prefix[] = "caught signal ";
    std::size_t length = sizeof prefix - 1;
    std::memcpy(line, prefix, length);

    // Digits come out least significant first; work in unsigned so INT_MIN's
    // magnitude fits.
    unsigned int magnitude =
        sig < 0 ? 0U - static_cast<unsigned int>(sig) : static_cast<unsigned int>(sig);
    char digits[16];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10U);
        magnitude /= 10U;
    } while (magnitude != 0U);

    if (sig < 0) {
        line[length++] = '-';
    }
    while (count > 0) {
        line[length++] = digits[--count];
    }
    line[length++] = '\n';
    return length;
}
