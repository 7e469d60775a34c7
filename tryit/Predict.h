// SPDX-License-Identifier: MIT
// "Ask me first": before an operation's frames play, the learner predicts
// where the item will settle (or, for a build, how many comparisons each way
// of building takes), then the heap's own run answers.
//
// The expected answer is not worked out here: the operation is run on a copy
// of the session's heap, and the copy's result is the answer. The real run
// that follows gives the same result, since the heap is deterministic.
//
// Typical use by a page, with "Ask me first" on:
//
//     if (auto question = tryit::askBefore(session, op)) {
//         show(question->text);                        // wait for a node
//         tryit::Verdict verdict = tryit::checkWhere(*question, chosen);
//         score.record(verdict);
//         show(verdict.text); show(score.text());
//     }
//     session.run(op);                                 // then play its frames
#ifndef TRYIT_PREDICT_H
#define TRYIT_PREDICT_H

#include "Session.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tryit {

/// A question asked before an operation runs.
struct Question {
    enum class Kind : std::uint8_t {
        Where,   ///< At which level-order position will the item settle?
        HowMany, ///< How many comparisons will each way of building take?
    };
    Kind kind = Kind::Where;
    /// The question in words.
    std::string text;
    /// Where: the item's value, and the position it will settle in once the
    /// operation is over (an insert's item may stay in the new last node,
    /// position values().size(), which is not drawn yet when it is asked).
    int value = 0;
    int position = -1;
    /// HowMany: the comparisons (lt calls) each way takes.
    std::uint64_t bottomUp = 0;
    std::uint64_t oneByOne = 0;
};

/// The question to ask before operation runs on session, or nullopt when
/// there is nothing to predict: sort and clear, an extract or remove that
/// leaves no item to place, or an operation that would be refused.
std::optional<Question> askBefore(const Session& session, const Operation& operation);

/// Whether an answer was right, and why, in words.
struct Verdict {
    bool right = false;
    std::string text;
};

/// The answer is the chosen node's position.
Verdict checkWhere(const Question& question, int position);
/// The answer is a count for each way; each must be within 20 % of the count.
Verdict checkHowMany(const Question& question, std::uint64_t bottomUp, std::uint64_t oneByOne);
/// guess is within 20 % of actual (exact when actual is 0).
bool withinTwentyPercent(std::uint64_t guess, std::uint64_t actual);

/// The answers right out of those asked.
struct Score {
    unsigned right = 0;
    unsigned asked = 0;
    void record(const Verdict& verdict) {
        ++asked;
        right += verdict.right ? 1 : 0;
    }
    /// "2 right out of 3".
    std::string text() const;
};

} // namespace tryit

#endif // TRYIT_PREDICT_H
