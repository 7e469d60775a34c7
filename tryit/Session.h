// SPDX-License-Identifier: MIT
// "Try it": a learner's own heap, run one operation at a time, every
// comparison and every move of it kept as a frame that can be shown again.
//
// Pure logic on top of heap/ alone: no drawing, no browser. A page (or any
// other front end) runs operations through a Session, then asks it for any
// frame by index and draws what the frame holds: the heap in level order, the
// hole and the item lifted out of it, the positions to mark, one sentence and
// the counts.
//
// The frames are what the heap does, not a re-enactment of it. The keys are
// IntNodeData subclasses that count their own lt calls and report each one;
// at each report the session reads the heap's node records (root along next)
// and records a comparison frame. The moves the heap made since the previous
// reading are recovered from the difference of the two readings by following
// the hole, one move frame per item moved, in the order the heap made them.
//
// Typical use by a page:
//
//     tryit::Session session(tryit::HeapKind::Min);
//     std::string refused = session.insert(17);     // "" when it ran
//     if (!refused.empty()) showMessage(refused);   // nothing changed
//     for (std::size_t f = 0; f < session.frameCount(); ++f)
//         draw(session.frame(f));                   // at the chosen speed
//
// Positions are level-order positions from 0 at the root; a position's level
// (depth) is 0 at the root. Frame indices run from 0, the frame before any
// operation, to frameCount() - 1, the heap as it is after the last one.
#ifndef TRYIT_SESSION_H
#define TRYIT_SESSION_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class MinBinaryHeap;
class NodeData;

namespace tryit {

/// The most items a heap holds here: the depth the canvas draws (8 levels).
inline constexpr int kMaxItems = 255;
/// Values are whole numbers in [kMinValue, kMaxValue], so every label fits.
inline constexpr int kMinValue = -999;
inline constexpr int kMaxValue = 9999;

/// A min-heap, or a max-heap: the same MinBinaryHeap holding keys whose lt is
/// reversed.
enum class HeapKind : std::uint8_t { Min, Max };

/// The two ways of building a heap from a list of values.
enum class BuildWay : std::uint8_t {
    BottomUp, ///< addLast in list order, then increaseKey from the last inner node to the root.
    OneByOne, ///< insert each value in list order.
};

/// One operation a learner runs, as the link records it (see Lesson.h).
struct Operation {
    enum class Kind : std::uint8_t {
        Insert,        ///< value
        Extract,       ///< deleteMin: the root leaves
        Change,        ///< position, value: increaseKey or decreaseKey as the value went
        Remove,        ///< position: MinBinaryHeap::remove
        BuildBottomUp, ///< values, replacing what the heap held
        BuildOneByOne, ///< values, replacing what the heap held
        Sort,          ///< extract until empty
        Clear,
    };
    Kind kind = Kind::Clear;
    int position = 0;
    int value = 0;
    std::vector<int> values;

    bool operator==(const Operation& other) const {
        return kind == other.kind && position == other.position && value == other.value &&
               values == other.values;
    }
    bool operator!=(const Operation& other) const { return !(*this == other); }
};

/// What a frame shows.
enum class FrameKind : std::uint8_t {
    Start,    ///< Frame 0: before any operation, the heap empty.
    Begin,    ///< An operation's first frame: its name; the heap as it stood.
    Grow,     ///< addLast: a new last node, holding a value.
    Shrink,   ///< deleteLast: the last node goes; its value is lifted out or leaves.
    SetValue, ///< Change: the chosen node's value is set, before the heap moves it.
    SiftDown, ///< Bottom-up build: increaseKey is called for the item at a node.
    Compare,  ///< One lt call, naming the two values.
    Move,     ///< An item moves from a node into the neighbouring hole.
    Settle,   ///< The lifted item goes into the hole.
    Clear,    ///< Every item leaves.
    Jump,     ///< A change the frames above could not explain (never seen; kept safe).
    Done,     ///< The operation has returned: the heap as it is after it. It marks
              ///< where the item placed (inserted, changed, or moved in from the
              ///< last node) settled, if one did.
};

/// The heap as one frame shows it.
struct Picture {
    /// The values in level order, one per node. values[hole] is not shown (0).
    std::vector<int> values;
    /// The node drawn as a hole, or -1.
    int hole = -1;
    /// An item is lifted out of the tree, to be drawn beside the hole with its
    /// value; beside the tree while there is no hole yet (an extract's last
    /// value, just after deleteLast, before the root's item moves).
    bool lifted = false;
    int liftedValue = 0;
    /// The values that left the heap during this operation, in the order they
    /// left: the extracted or removed value, or the sorted output.
    std::vector<int> taken;

    bool operator==(const Picture& other) const {
        return values == other.values && hole == other.hole && lifted == other.lifted &&
               liftedValue == other.liftedValue && taken == other.taken;
    }
    bool operator!=(const Picture& other) const { return !(*this == other); }
};

/// Comparisons (lt calls, counted by the keys) and moves (items put into
/// another node), for the frame's operation up to the frame and for every
/// operation so far.
struct Counts {
    std::uint64_t comparisons = 0;
    std::uint64_t moves = 0;
    std::uint64_t totalComparisons = 0;
    std::uint64_t totalMoves = 0;

    bool operator==(const Counts& other) const {
        return comparisons == other.comparisons && moves == other.moves &&
               totalComparisons == other.totalComparisons && totalMoves == other.totalMoves;
    }
};

/// Everything a page draws for one frame.
struct FrameView {
    std::size_t index = 0;
    /// The operation the frame belongs to, from 0, or -1 for frame 0.
    int operation = -1;
    /// The frame's place within its operation, from 0 (its Begin frame).
    std::size_t step = 0;
    FrameKind kind = FrameKind::Start;
    Picture picture;
    /// Positions to mark on top of the drawing (compared, moved or placed).
    std::vector<int> marked;
    /// The lifted item is one of the marked (it is drawn beside the hole).
    bool liftedMarked = false;
    /// The frame in plain words, for the Steps log.
    std::string sentence;
    Counts counts;

    bool operator==(const FrameView& other) const {
        return index == other.index && operation == other.operation && step == other.step &&
               kind == other.kind && picture == other.picture && marked == other.marked &&
               liftedMarked == other.liftedMarked && sentence == other.sentence &&
               counts == other.counts;
    }
};

/// A learner's heap and the timeline of every frame it went through.
///
/// Operations either run and append their frames, or are refused: they return
/// one plain line saying why and change nothing. They return "" when they ran.
/// A Session may be moved, not copied. frame() keeps a cache for stepping,
/// so one session is for one thread at a time, const calls included.
class Session {
  public:
    explicit Session(HeapKind kind = HeapKind::Min);
    ~Session();
    Session(Session&&) noexcept;
    Session& operator=(Session&&) noexcept;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    HeapKind kind() const;

    // --- Operations: "" when run, else the one line saying why not. -------

    std::string insert(int value);
    /// deleteMin (the maximum in a max-heap).
    std::string extract();
    /// Sets the value of the node at position; pass -1 when no node is chosen.
    std::string change(int position, int value);
    /// Takes the node's item out with MinBinaryHeap::remove; -1: none chosen.
    std::string remove(int position);
    /// Replaces the heap's contents by a heap built from values.
    std::string build(const std::vector<int>& values, BuildWay way);
    /// Extracts until empty; the values taken out are the frames' taken list.
    std::string sort();
    std::string clear();
    /// Any of the above, as recorded in a link.
    std::string run(const Operation& operation);

    /// The heap now (after the last operation), in level order.
    std::vector<int> values() const;
    /// The operations run, in order.
    const std::vector<Operation>& operations() const;

    /// Drops every operation that starts after frame, and puts the heap back
    /// as it was at the end of the operation holding frame (the empty heap
    /// for frame 0). Used when the learner runs an operation while looking at
    /// an earlier frame: the new one follows what they see.
    void discardAfter(std::size_t frame);

    // --- Timeline ----------------------------------------------------------

    /// At least 1: frame 0 is the empty heap before any operation.
    std::size_t frameCount() const;
    /// The frame at index (clamped to the last frame).
    FrameView frame(std::size_t index) const;
    /// The operation holding frame, from 0, or -1 for frame 0.
    int operationOf(std::size_t frame) const;
    /// The first (Begin) and last (Done) frames of an operation.
    std::size_t firstFrame(std::size_t operation) const;
    std::size_t lastFrame(std::size_t operation) const;
    /// "Previous operation": the start of frame's operation, or of the one
    /// before when frame is already its start; 0 at the first.
    std::size_t previousOperation(std::size_t frame) const;
    /// "Next operation": the start of the operation after frame's, or the
    /// last frame when there is none.
    std::size_t nextOperation(std::size_t frame) const;

    /// Bytes the timeline holds (frames, states, operations): a memory check.
    std::size_t footprint() const;

    /// The heap itself, read-only: its node records for a view of the linked
    /// structure, and for tests. Between operations it holds values().
    const MinBinaryHeap& heap() const;

    /// For tests: called at every lt the heap makes, after the comparison's
    /// frame is recorded, with the heap in the middle of its operation.
    void setCompareProbe(std::function<void(const MinBinaryHeap&)> probe);
    /// For tests: how many times the recorded moves did not explain a reading
    /// of the heap, so that a Jump frame had to show it as it was.
    std::size_t unexplainedChanges() const;

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

/// The operation in words: "insert 17", "extract min", "change position 3 to
/// 40", "build bottom-up from 5, 3, 8, 1"...
std::string describeOperation(const Operation& operation, HeapKind kind);

/// A position in words: "the root", or "position 5 (level 2)".
std::string describePosition(int position);

/// Reads a typed value: a whole number from kMinValue to kMaxValue, spaces
/// around it allowed. On failure returns the message and leaves value alone.
std::string parseValue(const std::string& text, int& value);
/// Reads a typed list of values, separated by commas, spaces or semicolons:
/// 1 to kMaxItems of them. On failure returns the message and leaves values alone.
std::string parseValueList(const std::string& text, std::vector<int>& values);
/// count values for "Random", from 0 to 999, drawn from seed: the page picks
/// the seed, the link records the values (as a build).
std::vector<int> randomValues(std::size_t count, std::uint32_t seed);

} // namespace tryit

#endif // TRYIT_SESSION_H
