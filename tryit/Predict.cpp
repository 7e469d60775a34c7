// SPDX-License-Identifier: MIT
#include "Predict.h"

namespace tryit {

namespace {

std::string num(long long value) {
    return std::to_string(value);
}

/// A copy of session's heap, in a session of its own. Building bottom-up
/// from a heap's own level order moves nothing (no child is ever less than
/// its parent), so the copy has the very same layout.
Session copyOf(const Session& session) {
    Session copy(session.kind());
    if (!session.values().empty()) {
        copy.build(session.values(), BuildWay::BottomUp);
    }
    return copy;
}

std::uint64_t comparisonsToBuild(const Session& session, const std::vector<int>& values,
                                 BuildWay way) {
    Session copy(session.kind());
    copy.build(values, way);
    return copy.frame(copy.frameCount() - 1).counts.comparisons;
}

} // namespace

std::optional<Question> askBefore(const Session& session, const Operation& operation) {
    Question question;
    const std::vector<int> values = session.values();
    const auto size = static_cast<int>(values.size());
    if (operation.kind == Operation::Kind::BuildBottomUp ||
        operation.kind == Operation::Kind::BuildOneByOne) {
        Session probe = copyOf(session);
        if (!probe.run(operation).empty()) {
            return std::nullopt;
        }
        question.kind = Question::Kind::HowMany;
        question.bottomUp = comparisonsToBuild(session, operation.values, BuildWay::BottomUp);
        question.oneByOne = comparisonsToBuild(session, operation.values, BuildWay::OneByOne);
        question.text = "Building from these " +
                        num(static_cast<long long>(operation.values.size())) +
                        " values: how many comparisons will bottom-up take, and how many "
                        "inserting one by one? Within 20 % counts as right.";
        return question;
    }
    if (operation.kind != Operation::Kind::Insert && operation.kind != Operation::Kind::Extract &&
        operation.kind != Operation::Kind::Change && operation.kind != Operation::Kind::Remove) {
        return std::nullopt;
    }
    Session copy = copyOf(session);
    if (!copy.run(operation).empty()) {
        return std::nullopt;
    }
    const FrameView done = copy.frame(copy.frameCount() - 1);
    if (done.marked.empty()) {
        return std::nullopt; // nothing left to place
    }
    question.position = done.marked.front();
    question.value = done.picture.values[static_cast<std::size_t>(question.position)];
    const std::string value = num(question.value);
    switch (operation.kind) {
    case Operation::Kind::Insert:
        question.text = value + " goes into a new last node, " + describePosition(size) +
                        ". Where will it settle?";
        break;
    case Operation::Kind::Extract:
        question.text = "The root's value " + num(values.front()) +
                        " leaves, and the last node's value " + value +
                        " is lifted out. Where will " + value + " settle?";
        break;
    case Operation::Kind::Change:
        question.text = "The value at " + describePosition(operation.position) + " changes from " +
                        num(values[static_cast<std::size_t>(operation.position)]) + " to " + value +
                        ". Where will " + value + " settle?";
        break;
    default:
        question.text = num(values[static_cast<std::size_t>(operation.position)]) + " leaves " +
                        describePosition(operation.position) + ", and the last node's value " +
                        value + " takes its place. Where will " + value + " settle?";
        break;
    }
    return question;
}

Verdict checkWhere(const Question& question, int position) {
    Verdict verdict;
    verdict.right = position == question.position;
    const std::string where =
        num(question.value) + " settles at " + describePosition(question.position);
    verdict.text = verdict.right ? "Right: " + where + "."
                                 : "Not quite: " + where + ", not at " +
                                       describePosition(position) + ". The frames show why.";
    return verdict;
}

bool withinTwentyPercent(std::uint64_t guess, std::uint64_t actual) {
    const std::uint64_t off = guess > actual ? guess - actual : actual - guess;
    return 5 * off <= actual;
}

Verdict checkHowMany(const Question& question, std::uint64_t bottomUp, std::uint64_t oneByOne) {
    Verdict verdict;
    const bool first = withinTwentyPercent(bottomUp, question.bottomUp);
    const bool second = withinTwentyPercent(oneByOne, question.oneByOne);
    verdict.right = first && second;
    const auto said = [](std::uint64_t actual, std::uint64_t guess, bool close) {
        return num(static_cast<long long>(actual)) + " (you said " +
               num(static_cast<long long>(guess)) +
               (close ? ", within 20 %)" : ", more than 20 % off)");
    };
    verdict.text = std::string(verdict.right ? "Right" : "Not quite") + ": bottom-up takes " +
                   said(question.bottomUp, bottomUp, first) + " comparisons, one by one " +
                   said(question.oneByOne, oneByOne, second) + ".";
    return verdict;
}

std::string Score::text() const {
    return num(right) + " right out of " + num(asked);
}

} // namespace tryit
