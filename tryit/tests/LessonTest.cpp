// SPDX-License-Identifier: MIT
// Lesson links: written, read back, and reopened at the same frame.
#include <tryit/Lesson.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tryit {
namespace {

Lesson read(const std::string& query, std::vector<std::string>& messages) {
    return parseLesson(parseQuery(query), messages);
}

TEST(TryItLesson, EveryLinkRoundTrips) {
    // Hand-written links come back as they were written.
    for (const std::string query : {
             "mode=try",
             "mode=watch",
             "mode=try&heap=max",
             "mode=try&at=0&ops=i17",
             "mode=try&heap=max&at=12&ops=i17,i-4,x,c3=40,r3,b5.3.8.1,n5.3.8.1,s,z",
             "mode=try&ops=b-999.9999.0,n-1,c0=-5",
         }) {
        std::vector<std::string> messages;
        EXPECT_EQ(formatLesson(read(query, messages)), query);
        EXPECT_TRUE(messages.empty()) << query << ": " << messages.front();
    }
    EXPECT_EQ(parseQuery("?mode=try&ops=i17%2Cx&heap=max&at=3&other=1").ops, "i17,x");

    // A link to any frame of a random session reopens that very frame.
    std::mt19937 random(5);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int round = 0; round < 6; ++round) {
        Session session(round % 2 == 0 ? HeapKind::Min : HeapKind::Max);
        for (int i = 0; i < 25; ++i) {
            const int size = static_cast<int>(session.values().size());
            Operation op;
            op.kind = static_cast<Operation::Kind>(pick(0, 7));
            op.position = pick(0, size == 0 ? 0 : size - 1);
            op.value = pick(-999, 9999);
            op.values.resize(static_cast<std::size_t>(pick(1, 12)));
            for (int& v : op.values) {
                v = pick(-20, 40);
            }
            if (op.kind == Operation::Kind::Sort || op.kind == Operation::Kind::Clear) {
                op.kind = pick(0, 3) == 0 ? op.kind : Operation::Kind::Insert;
            }
            if (op.kind != Operation::Kind::Change && op.kind != Operation::Kind::Remove) {
                op.position = 0;
            }
            if (op.kind != Operation::Kind::Insert && op.kind != Operation::Kind::Change) {
                op.value = 0;
            }
            if (op.kind != Operation::Kind::BuildBottomUp &&
                op.kind != Operation::Kind::BuildOneByOne) {
                op.values.clear();
            }
            session.run(op); // refused ones simply are not in the link
        }
        for (const std::size_t frame :
             {std::size_t{0}, session.frameCount() / 3, session.frameCount() - 1}) {
            const std::string link = linkTo(session, frame);
            std::vector<std::string> messages;
            const Lesson lesson = read(link, messages);
            EXPECT_EQ(formatLesson(lesson), link);
            EXPECT_EQ(lesson.operations, session.operations());
            OpenedLesson opened = openLesson(lesson, messages);
            EXPECT_TRUE(messages.empty()) << link << ": " << messages.front();
            ASSERT_EQ(opened.frame, frame);
            EXPECT_EQ(opened.session.frameCount(), session.frameCount());
            EXPECT_EQ(opened.session.frame(frame), session.frame(frame)) << link;
        }
    }
}

TEST(TryItLesson, MalformedPartsAndOperationsThatCannotRunAreSaidOnceAndSkipped) {
    struct Case {
        std::string query;
        std::vector<int> values; // the heap at the lesson's last frame
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases{
        {"ops=i5,q5,i7",
         {5, 7},
         {R"(Ignored "q5" in the link: not an operation (use i, x, c, r, b, n, s or z, as in i17, c3=40 or b5.3.8).)"}},
        {"ops=i,i10000,i1.5,i--2,i5",
         {5},
         {R"(Ignored "i" in the link: i needs a value, as in i17.)",
          R"(Ignored "i10000" in the link: 10000 is out of range: values run from -999 to 9999.)",
          R"(Ignored "i1.5" in the link: "1.5" is not a whole number.)",
          R"(Ignored "i--2" in the link: "--2" is not a whole number.)"}},
        {"ops=b3.1,c1,c=4,c1=,cx=2,c1=z,r,r-1,xx,s1",
         {1, 3},
         {R"(Ignored "c1" in the link: c needs a position and a value, as in c3=40.)",
          R"(Ignored "c=4" in the link: c needs a position and a value, as in c3=40.)",
          R"(Ignored "c1=" in the link: c needs a position and a value, as in c3=40.)",
          R"(Ignored "cx=2" in the link: c needs a position and a value, as in c3=40.)",
          R"(Ignored "c1=z" in the link: "z" is not a whole number.)",
          R"(Ignored "r" in the link: r needs a position from 0, as in r3.)",
          R"(Ignored "r-1" in the link: r needs a position from 0, as in r3.)",
          R"(Ignored "xx" in the link: x takes nothing after it.)",
          R"(Ignored "s1" in the link: s takes nothing after it.)"}},
        {"ops=b,n1..2,b4.x,n2,,",
         {2},
         {R"(Ignored "b" in the link: b needs values separated by dots, as in b5.3.8.1.)",
          R"(Ignored "n1..2" in the link: "" is not a whole number.)",
          R"(Ignored "b4.x" in the link: "x" is not a whole number.)"}},
        {"ops=x,i5,r3,c1=4,x,x,s,z,i7",
         {7},
         {R"(Skipped "x" (operation 1 in the link): The heap is empty: there is no minimum to extract.)",
          R"(Skipped "r3" (operation 3 in the link): There is no node at position 3: the positions are 0 to 0.)",
          R"(Skipped "c1=4" (operation 4 in the link): There is no node at position 1: the positions are 0 to 0.)",
          R"(Skipped "x" (operation 6 in the link): The heap is empty: there is no minimum to extract.)",
          R"(Skipped "s" (operation 7 in the link): The heap is empty: there is nothing to sort.)",
          R"(Skipped "z" (operation 8 in the link): The heap is already empty.)"}},
        {"mode=edit&heap=mid&at=-1&ops=i5",
         {5},
         {"Ignored mode=edit in the link: use mode=try or mode=watch.",
          "Ignored heap=mid in the link: use heap=min or heap=max.",
          "Ignored at=-1 in the link: at is a frame number from 0."}},
        {"at=abc&ops=i5", {5}, {"Ignored at=abc in the link: at is a frame number from 0."}},
        {"at=99&ops=i5",
         {5},
         {"The link's at=99 is past the last frame, 3: showing the last frame."}},
    };
    for (const Case& c : cases) {
        const std::string& query = c.query;
        std::vector<std::string> messages;
        const Lesson lesson = read(query, messages);
        OpenedLesson opened = openLesson(lesson, messages);
        EXPECT_EQ(messages, c.messages) << query;
        EXPECT_EQ(opened.session.frame(opened.frame).picture.values, c.values) << query;
    }
}

TEST(TryItLesson, AnyAddressOpensSomeFrameWithOneLinePerFault) {
    // Whatever a hand-edited or truncated address holds, the page opens: at a
    // frame that exists, each fault said on one line, and what it kept links
    // back without a fault.
    std::mt19937 random(17);
    const std::string alphabet = "ixcrbnsz0123456789-.=,&%+?amotphe";
    for (int round = 0; round < 300; ++round) {
        std::string query = round % 2 == 0 ? "mode=try&ops=" : "";
        const std::size_t length = random() % 60;
        for (std::size_t i = 0; i < length; ++i) {
            query += alphabet[random() % alphabet.size()];
        }
        std::vector<std::string> messages;
        const Lesson lesson = read(query, messages);
        OpenedLesson opened = openLesson(lesson, messages);
        EXPECT_LT(opened.frame, opened.session.frameCount());
        for (const std::string& message : messages) {
            EXPECT_FALSE(message.empty());
            EXPECT_EQ(message.find('\n'), std::string::npos) << message;
        }
        std::vector<std::string> again;
        const Lesson kept = read(linkTo(opened.session, opened.frame), again);
        EXPECT_TRUE(again.empty()) << query << " -> " << again.front();
        EXPECT_EQ(kept.operations, opened.session.operations()) << query;
    }
}

} // namespace
} // namespace tryit
