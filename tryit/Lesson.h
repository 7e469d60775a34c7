// SPDX-License-Identifier: MIT
// Lesson links: an address that reopens "Try it" at an exact frame, with the
// same kind of heap and the same operations, which a teacher can also write
// by hand.
//
//     ?mode=try&heap=max&at=12&ops=i17,i5,x,c0=40,r1,b5.3.8.1,n5.3.8.1,s,z
//
//   mode=try   opens "Try it" (the page's default is "Watch")
//   heap=max   a max-heap; min by default
//   at=F       frame F, from 0; by default the last frame
//   ops=...    the operations in order, comma-separated:
//                i17      insert 17 (values may be negative: i-4)
//                x        extract the root
//                c3=40    change the node at level-order position 3 (0 is the root) to 40
//                r3       remove the node at position 3
//                b5.3.8.1 build bottom-up from 5, 3, 8, 1
//                n5.3.8.1 build by inserting 5, 3, 8, 1 one by one
//                s        sort
//                z        clear
//
// A malformed part is left out with one message line; an operation that
// cannot run where it stands (x on an empty heap, a position past the end) is
// skipped with one message line, and the rest still runs. The address is read
// by the page (URLSearchParams) and its parameter values handed here as
// strings: nothing here knows about the browser.
#ifndef TRYIT_LESSON_H
#define TRYIT_LESSON_H

#include "Session.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tryit {

/// The address's parameters, each absent or its (decoded) value.
struct LinkParameters {
    std::optional<std::string> mode;
    std::optional<std::string> heap;
    std::optional<std::string> at;
    std::optional<std::string> ops;
};

/// What a link holds once read.
struct Lesson {
    bool tryMode = false;
    HeapKind kind = HeapKind::Min;
    std::optional<std::size_t> at; ///< The frame to open at; none: the last.
    std::vector<Operation> operations;

    bool operator==(const Lesson& other) const {
        return tryMode == other.tryMode && kind == other.kind && at == other.at &&
               operations == other.operations;
    }
};

/// Reads the parameters; each malformed part adds one line to messages and
/// is left out.
Lesson parseLesson(const LinkParameters& parameters, std::vector<std::string>& messages);

/// One operation's code ("i17", "c3=40", "b5.3.8.1"...), or nullopt with why
/// set to the reason it is malformed.
std::optional<Operation> parseOperation(std::string_view code, std::string& why);
std::string formatOperation(const Operation& operation);

/// The query string (without '?') for a lesson: "mode=try", then "heap=max"
/// for a max-heap, "at=F" when at is given, and "ops=..." when there are
/// operations. Only characters a query allows unescaped are written.
std::string formatLesson(const Lesson& lesson);

/// "Link to this moment": the query string that reopens session at frame,
/// paused (at is left out for the last frame, which is the default).
std::string linkTo(const Session& session, std::size_t frame);

/// A session with the lesson's operations run in order. Those that cannot
/// run where they stand are skipped, one line each in messages.
struct OpenedLesson {
    Session session;
    std::size_t frame = 0; ///< The lesson's at, or the last frame; clamped, with a line.
};
OpenedLesson openLesson(const Lesson& lesson, std::vector<std::string>& messages);

/// Splits a query string ("?a=1&b=2", '?' optional; %XX and '+' decoded) and
/// keeps the first value of each of the four parameters: for callers that
/// have the raw address rather than the browser's parsed parameters.
LinkParameters parseQuery(std::string_view query);

} // namespace tryit

#endif // TRYIT_LESSON_H
