// SPDX-License-Identifier: MIT
// Message lines on the standard streams, written so that the signal handler's
// line can never land inside another message.
#ifndef VIEWER_OUTPUT_H
#define VIEWER_OUTPUT_H

#include <cstddef>

/// Makes sure descriptors 0, 1 and 2 are open, opening /dev/null for any that
/// is closed. Called first thing in main: a closed one would otherwise be
/// taken by the next file opened (the X connection), and the messages meant
/// for it written there. False when /dev/null cannot be opened.
bool openStandardStreams();

/// Writes all of data to fd with write(2), going on after partial writes and
/// EINTR. Async-signal-safe. False when the descriptor fails.
bool writeAll(int fd, const char* data, std::size_t length);

/// Writes text and a newline to fd as one write, with SIGUSR2 held back
/// meanwhile. Nothing is buffered, so the line is out when this returns.
void writeLine(int fd, const char* text);

/// Enough for "caught signal ", any int and a newline.
constexpr std::size_t kSignalLineCapacity = 32;

/// Formats "caught signal <sig>\n" into line by hand (no stdio, no
/// allocation, so a signal handler may call it) and returns its length.
std::size_t formatSignalLine(int sig, char (&line)[kSignalLineCapacity]);

#endif // VIEWER_OUTPUT_H
