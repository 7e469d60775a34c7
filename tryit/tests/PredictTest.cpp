// SPDX-License-Identifier: MIT
// "Ask me first": every kind of question against the heap's own result.
#include <tryit/Predict.h>

#include <heap/BinaryHeap.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

namespace tryit {
namespace {

/// Where value sits in the heap's node records (the test's values are
/// distinct, so the value names the item).
int positionInHeap(const Session& session, int value) {
    int position = 0;
    for (const BinaryHeapNode* node = session.heap().root; node != nullptr; node = node->next) {
        if (static_cast<const IntNodeData*>(node->data)->value == value) {
            return position;
        }
        ++position;
    }
    return -1;
}

TEST(TryItPredict, EveryQuestionIsAnsweredByTheHeapItself) {
    std::mt19937 random(3);
    std::vector<int> unused(2000);
    std::iota(unused.begin(), unused.end(), -500);
    std::shuffle(unused.begin(), unused.end(), random);
    const auto fresh = [&] {
        const int value = unused.back();
        unused.pop_back();
        return value;
    };
    Score score;
    unsigned expectedRight = 0;
    for (const HeapKind kind : {HeapKind::Min, HeapKind::Max}) {
        Session session(kind);
        std::vector<int> start(40);
        for (int& v : start) {
            v = fresh();
        }
        Operation build;
        build.kind = Operation::Kind::BuildOneByOne;
        build.values = start;
        const std::optional<Question> howMany = askBefore(session, build);
        ASSERT_TRUE(howMany && howMany->kind == Question::Kind::HowMany);
        ASSERT_EQ(session.run(build), "");
        EXPECT_EQ(session.frame(session.frameCount() - 1).counts.comparisons, howMany->oneByOne);
        Session other(kind);
        ASSERT_EQ(other.build(start, BuildWay::BottomUp), "");
        EXPECT_EQ(other.frame(other.frameCount() - 1).counts.comparisons, howMany->bottomUp);
        // Within 20 % either way is right; a step further is not.
        const std::uint64_t up = howMany->bottomUp;
        const std::uint64_t one = howMany->oneByOne;
        EXPECT_TRUE(checkHowMany(*howMany, up + up / 5, one - one / 5).right);
        EXPECT_FALSE(checkHowMany(*howMany, up + up / 5 + 1, one).right);
        EXPECT_FALSE(checkHowMany(*howMany, up, one - one / 5 - 1).right);
        EXPECT_TRUE(withinTwentyPercent(0, 0));
        EXPECT_FALSE(withinTwentyPercent(1, 0));

        for (int i = 0; i < 60; ++i) {
            const int size = static_cast<int>(session.values().size());
            Operation op;
            op.kind = std::vector<Operation::Kind>{
                Operation::Kind::Insert, Operation::Kind::Extract, Operation::Kind::Change,
                Operation::Kind::Remove}[random() % 4];
            op.position = static_cast<int>(random() % static_cast<unsigned>(size + 1));
            if (op.kind == Operation::Kind::Insert || op.kind == Operation::Kind::Change) {
                op.value = fresh();
            }
            const std::optional<Question> question = askBefore(session, op);
            const std::vector<int> before = session.values();
            const bool ran = session.run(op).empty();
            if (!ran) {
                EXPECT_FALSE(question) << "no question for what would be refused";
                continue;
            }
            const bool nothingToPlace =
                (op.kind == Operation::Kind::Extract && size == 1) ||
                (op.kind == Operation::Kind::Remove && op.position == size - 1);
            ASSERT_EQ(question.has_value(), !nothingToPlace);
            if (!question) {
                continue;
            }
            ASSERT_EQ(question->kind, Question::Kind::Where);
            // The item placed: the new or changed value, or the last node's.
            const int placed =
                op.kind == Operation::Kind::Insert || op.kind == Operation::Kind::Change
                    ? op.value
                    : before.back();
            EXPECT_EQ(question->value, placed);
            EXPECT_EQ(question->position, positionInHeap(session, placed)) << question->text;
            const int guess = static_cast<int>(random() % static_cast<unsigned>(size + 1));
            const Verdict verdict = checkWhere(*question, guess);
            EXPECT_EQ(verdict.right, guess == question->position) << verdict.text;
            score.record(verdict);
            expectedRight += verdict.right ? 1 : 0;
        }
    }
    EXPECT_EQ(score.right, expectedRight);
    EXPECT_GT(score.asked, 60U);
    EXPECT_EQ(score.text(),
              std::to_string(expectedRight) + " right out of " + std::to_string(score.asked));

    Session tiny;
    ASSERT_EQ(tiny.build({5, 9, 7}, BuildWay::BottomUp), "");
    Operation insert;
    insert.kind = Operation::Kind::Insert;
    insert.value = 6;
    const std::optional<Question> where = askBefore(tiny, insert);
    ASSERT_TRUE(where);
    EXPECT_EQ(where->text,
              "6 goes into a new last node, position 3 (level 2). Where will it settle?");
    EXPECT_EQ(checkWhere(*where, 1).text, "Right: 6 settles at position 1 (level 1).");
    EXPECT_EQ(
        checkWhere(*where, 0).text,
        "Not quite: 6 settles at position 1 (level 1), not at the root. The frames show why.");
    Operation sort;
    sort.kind = Operation::Kind::Sort;
    EXPECT_FALSE(askBefore(tiny, sort));
    EXPECT_EQ(tiny.frameCount(), tiny.lastFrame(0) + 1) << "asking runs nothing on the session";
}

} // namespace
} // namespace tryit
