// SPDX-License-Identifier: MIT
// The session: runs operations on a real MinBinaryHeap, turns what the heap
// does into frames, and shows any frame again.
//
// Recording. The keys report every lt call. At each report, and after each
// call into the heap returns, the session takes a reading of the heap: the
// items of the nodes from root along next, a node whose item's back-link
// does not point to it being the hole, and the item being placed (in the
// heap but in no node) being lifted out. Two consecutive readings differ by
// what the heap did in between: a last node added or removed, then a chain of
// moves, each filling the hole with the item of a neighbouring node, which
// becomes the new hole, and perhaps the lifted item put into the hole. That
// chain is recovered by following the hole from the old reading to the new.
//
// Storage. A sort of 255 items makes thousands of frames, so a frame is 8
// bytes: its kind and the positions and value it names. Each frame changes
// the picture in a fixed way (see apply), so any frame's picture is its
// operation's start state, kept once per operation, with the frames up to it
// applied; a cache makes stepping forward O(1). Sentences are written when a
// frame is shown, never stored.
#include "Session.h"

// The session calls the heap without its caller checks, in every build. A
// bottom-up build calls increaseKey with no heap order above the item yet,
// which the checks take for a key that went down; and the frames must show
// the algorithm's own comparisons, not the checks' (the session refuses bad
// input itself, before any heap call).
#ifndef NDEBUG
#define NDEBUG
#endif
#include <heap/BinaryHeap.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>

namespace tryit {

namespace {

/// A position that is none (or the lifted item) in a frame's 8-bit fields.
constexpr std::uint8_t kNone = 255;

// Frame flags.
constexpr std::uint8_t kLess = 1;          ///< Compare: lt answered true.
constexpr std::uint8_t kFirstLifted = 2;   ///< Compare: lt's item is the lifted one.
constexpr std::uint8_t kSecondLifted = 4;  ///< Compare: lt's argument is the lifted one.
constexpr std::uint8_t kDisplaceLift = 8;  ///< Move/Settle/Shrink: the item there is lifted out.
constexpr std::uint8_t kDisplaceTake = 16; ///< Move/Settle/Shrink: the item there leaves.

/// One frame as stored: what it shows follows from its kind (see apply).
struct Frame {
    FrameKind kind = FrameKind::Start;
    std::uint8_t flags = 0;
    std::uint8_t a = kNone; ///< The first position it names.
    std::uint8_t b = kNone; ///< The second.
    std::int16_t value = 0; ///< Grow, SetValue, Done: a value; Jump: its picture.
    std::int16_t spare = 0;
};
static_assert(sizeof(Frame) == 8, "frames are kept by the thousand");

int parentOf(int position) {
    return (position - 1) / 2;
}

int levelOf(int position) {
    int level = 0;
    for (int p = position + 1; p > 1; p /= 2) {
        ++level;
    }
    return level;
}

/// The item at pos leaves or is lifted out, as the frame's flags say.
void displace(Picture& picture, int pos, std::uint8_t flags) {
    const int value = picture.values[static_cast<std::size_t>(pos)];
    if ((flags & kDisplaceTake) != 0) {
        picture.taken.push_back(value);
    } else if ((flags & kDisplaceLift) != 0) {
        picture.lifted = true;
        picture.liftedValue = value;
    }
}

/// Changes picture as frame shows; jumps holds the Jump frames' pictures.
void apply(const Frame& frame, Picture& picture, const std::vector<Picture>& jumps) {
    auto& values = picture.values;
    switch (frame.kind) {
    case FrameKind::Grow:
        values.push_back(frame.value);
        break;
    case FrameKind::Shrink:
        displace(picture, static_cast<int>(values.size()) - 1, frame.flags);
        values.pop_back();
        break;
    case FrameKind::SetValue:
        values[frame.a] = frame.value;
        break;
    case FrameKind::Move:
        displace(picture, frame.b, frame.flags);
        values[frame.b] = values[frame.a];
        values[frame.a] = 0;
        picture.hole = frame.a;
        break;
    case FrameKind::Settle: {
        const int placed = picture.liftedValue;
        displace(picture, frame.a, frame.flags);
        values[frame.a] = placed;
        picture.lifted = false;
        picture.liftedValue = 0;
        picture.hole = -1;
        break;
    }
    case FrameKind::Clear:
        values.clear();
        picture.hole = -1;
        picture.lifted = false;
        picture.liftedValue = 0;
        break;
    case FrameKind::Jump: {
        std::vector<int> taken = std::move(picture.taken);
        picture = jumps[static_cast<std::uint16_t>(frame.value)];
        picture.taken = std::move(taken);
        break;
    }
    default:
        break;
    }
}

void count(const Frame& frame, Counts& counts) {
    if (frame.kind == FrameKind::Compare) {
        ++counts.comparisons;
        ++counts.totalComparisons;
    } else if (frame.kind == FrameKind::Move || frame.kind == FrameKind::Settle) {
        ++counts.moves;
        ++counts.totalMoves;
    }
}

std::string num(long long value) {
    return std::to_string(value);
}

} // namespace

/// One operation's record: what ran, where the heap stood, where its frames start.
struct OpRecord {
    Operation operation;
    std::vector<std::int16_t> start; ///< The heap in level order before it.
    std::size_t first = 0;           ///< Its Begin frame.
    std::uint64_t comparisonsBefore = 0;
    std::uint64_t movesBefore = 0;
};

class Session::Impl {
  public:
    /// A min-heap key that counts and reports its own lt calls.
    class Key : public IntNodeData {
      public:
        Key(int value, Impl* session, std::uint16_t id)
            : IntNodeData(value), session(session), id(id) {}
        bool lt(NodeData* other) const override {
            return session->compared(this, other, IntNodeData::lt(other));
        }
        Impl* session;
        std::uint16_t id;
    };
    /// The max-heap's key: lt is reversed, and the same MinBinaryHeap keeps
    /// the largest value at the root.
    class ReversedKey final : public Key {
      public:
        using Key::Key;
        bool lt(NodeData* other) const override {
            return session->compared(this, other, IntNodeData::gt(other));
        }
        bool gt(NodeData* other) const override { return IntNodeData::lt(other); }
    };

    /// One reading of the heap: the item id in each node (-1 for the hole),
    /// and the lifted item's id or -1.
    struct Reading {
        std::vector<int> slots;
        int hole = -1;
        int lifted = -1;
    };

    explicit Impl(HeapKind kind) : kind_(kind) { frames_.push_back(Frame{}); }
    ~Impl() {
        // The heap frees its records, the pool the items.
        heap_.clear();
    }

    // --- Items ----------------------------------------------------------

    Key* newItem(int value) {
        if (!freeIds_.empty()) {
            const std::uint16_t id = freeIds_.back();
            freeIds_.pop_back();
            pool_[id]->value = value;
            inHeap_[id] = 1;
            return pool_[id].get();
        }
        const auto id = static_cast<std::uint16_t>(pool_.size());
        if (kind_ == HeapKind::Min) {
            pool_.push_back(std::make_unique<Key>(value, this, id));
        } else {
            pool_.push_back(std::make_unique<ReversedKey>(value, this, id));
        }
        inHeap_.push_back(1);
        seen_.push_back(0);
        position_.push_back(-1);
        return pool_.back().get();
    }
    void releaseItem(int id) {
        inHeap_[static_cast<std::size_t>(id)] = 0;
        freeIds_.push_back(static_cast<std::uint16_t>(id));
    }
    Key* itemAt(int position) const {
        BinaryHeapNode* node = heap_.root;
        for (int p = 0; p < position; ++p) {
            node = node->next;
        }
        return static_cast<Key*>(node->data);
    }
    int positionOf(const NodeData* item) const {
        int position = 0;
        for (const BinaryHeapNode* node = heap_.root; node != item->node; node = node->next) {
            ++position;
        }
        return position;
    }
    /// Empties the heap, every item back to the pool.
    void emptyHeap() {
        for (BinaryHeapNode* node = heap_.root; node != nullptr; node = node->next) {
            releaseItem(static_cast<Key*>(node->data)->id);
        }
        heap_.clear();
    }
    /// Puts values into the heap as they stand, in level order; no lt is called.
    void restore(const std::vector<std::int16_t>& values) {
        emptyHeap();
        for (const std::int16_t value : values) {
            Key* item = newItem(value);
            BinaryHeapNode* node = heap_.addLast();
            node->data = item;
            item->node = node;
        }
    }
    int size() const { return static_cast<int>(picture_.values.size()); }

    // --- Recording --------------------------------------------------------

    bool compared(const Key* self, const NodeData* other, bool result) {
        ++ltCalls_;
        if (recording_) {
            observe();
            Frame frame;
            frame.kind = FrameKind::Compare;
            frame.flags = result ? kLess : 0;
            const int first = position_[self->id];
            const int second = position_[static_cast<const Key*>(other)->id];
            frame.a = first < 0 ? kNone : static_cast<std::uint8_t>(first);
            frame.b = second < 0 ? kNone : static_cast<std::uint8_t>(second);
            frame.flags |= first < 0 ? kFirstLifted : 0;
            frame.flags |= second < 0 ? kSecondLifted : 0;
            emit(frame);
            if (probe_) {
                probe_(heap_);
            }
        }
        return result;
    }

    /// Reads the heap into reading; position_ gets each item's node position.
    void read(Reading& reading) {
        reading.slots.clear();
        reading.hole = -1;
        reading.lifted = -1;
        ++stamp_;
        int position = 0;
        for (const BinaryHeapNode* node = heap_.root; node != nullptr; node = node->next) {
            const auto* item = static_cast<const Key*>(node->data);
            if (item->node == node) {
                reading.slots.push_back(item->id);
                seen_[item->id] = stamp_;
                position_[item->id] = position;
            } else {
                reading.slots.push_back(-1);
                reading.hole = position;
            }
            ++position;
        }
        for (std::size_t id = 0; id < pool_.size(); ++id) {
            if (seen_[id] != stamp_) {
                position_[id] = -1;
                if (inHeap_[id] != 0 && static_cast<int>(id) != leaving_) {
                    reading.lifted = static_cast<int>(id);
                }
            }
        }
    }

    /// Takes a reading and records the frames that lead to it from the last.
    void observe() {
        read(next_);
        explain(last_, next_);
        std::swap(last_, next_);
    }

    /// Records the frames that take reading from to reading to.
    void explain(const Reading& from, const Reading& to) {
        work_ = from;
        std::vector<int>& slots = work_.slots;
        const std::size_t before = frames_.size();
        const std::size_t taken = picture_.taken.size();
        // posOf_ is where each item sits in work_.
        posOf_.assign(pool_.size(), -1);
        for (std::size_t p = 0; p < slots.size(); ++p) {
            if (slots[p] >= 0) {
                posOf_[static_cast<std::size_t>(slots[p])] = static_cast<int>(p);
            }
        }
        // A last node removed (deleteLast) or added (addLast) comes first.
        while (slots.size() > to.slots.size() && work_.hole != static_cast<int>(slots.size()) - 1) {
            Frame frame;
            frame.kind = FrameKind::Shrink;
            frame.a = static_cast<std::uint8_t>(slots.size() - 1);
            const int id = slots.back();
            if (id == leaving_ || work_.lifted >= 0) {
                frame.flags = kDisplaceTake;
            } else {
                frame.flags = kDisplaceLift;
                work_.lifted = id;
            }
            posOf_[static_cast<std::size_t>(id)] = -1;
            slots.pop_back();
            emit(frame);
        }
        while (slots.size() < to.slots.size() && to.slots[slots.size()] >= 0 &&
               posOf_[static_cast<std::size_t>(to.slots[slots.size()])] < 0 &&
               to.slots[slots.size()] != work_.lifted) {
            const int id = to.slots[slots.size()];
            Frame frame;
            frame.kind = FrameKind::Grow;
            frame.a = static_cast<std::uint8_t>(slots.size());
            frame.value = static_cast<std::int16_t>(pool_[static_cast<std::size_t>(id)]->value);
            posOf_[static_cast<std::size_t>(id)] = static_cast<int>(slots.size());
            slots.push_back(id);
            emit(frame);
        }
        // Then the chain of moves, from the hole, or else from the node
        // whose item the new reading no longer shows in any node.
        int hole = work_.hole;
        if (hole < 0 && placing_ >= 0) {
            // An item the heap lifted and put back between two readings
            // (insert rising one level, say) left no hole to follow: the
            // chain starts where the item being placed was.
            const int at = posOf_[static_cast<std::size_t>(placing_)];
            if (at >= 0 && to.slots[static_cast<std::size_t>(at)] != placing_) {
                hole = at;
            }
        }
        if (hole < 0) {
            for (std::size_t p = 0; p < slots.size() && slots.size() == to.slots.size(); ++p) {
                if (slots[p] >= 0 && position_[static_cast<std::size_t>(slots[p])] < 0) {
                    hole = static_cast<int>(p);
                    break;
                }
            }
        }
        while (hole >= 0 && slots.size() == to.slots.size()) {
            const auto h = static_cast<std::size_t>(hole);
            const int incoming = to.slots[h];
            if (incoming == slots[h] || incoming < 0) {
                break;
            }
            Frame frame;
            frame.b = static_cast<std::uint8_t>(hole);
            const int displaced = slots[h];
            if (displaced >= 0) {
                if (displaced == leaving_ || work_.lifted >= 0) {
                    frame.flags = kDisplaceTake;
                } else {
                    frame.flags = kDisplaceLift;
                    work_.lifted = displaced;
                }
                posOf_[static_cast<std::size_t>(displaced)] = -1;
            }
            if (incoming == work_.lifted && displaced != incoming) {
                frame.kind = FrameKind::Settle;
                frame.a = static_cast<std::uint8_t>(hole);
                frame.b = kNone;
                slots[h] = incoming;
                posOf_[static_cast<std::size_t>(incoming)] = hole;
                work_.lifted = -1;
                work_.hole = -1;
                emit(frame);
                break;
            }
            const int from = posOf_[static_cast<std::size_t>(incoming)];
            if (from < 0 || (parentOf(from) != hole && parentOf(hole) != from) || from == hole) {
                break; // not a move to a neighbour: left to the check below
            }
            frame.kind = FrameKind::Move;
            frame.a = static_cast<std::uint8_t>(from);
            slots[h] = incoming;
            slots[static_cast<std::size_t>(from)] = -1;
            posOf_[static_cast<std::size_t>(incoming)] = hole;
            work_.hole = from;
            hole = from;
            emit(frame);
        }
        if (work_.slots != to.slots || work_.hole != to.hole || work_.lifted != to.lifted) {
            // The frames above do not lead to this reading. Never seen with
            // this heap; show the reading as it is rather than a wrong one.
            frames_.resize(before);
            picture_.taken.resize(taken);
            jump(to);
        }
    }

    void jump(const Reading& to) {
        ++unexplained_;
        Picture picture;
        for (const int id : to.slots) {
            picture.values.push_back(id < 0 ? 0 : pool_[static_cast<std::size_t>(id)]->value);
        }
        picture.hole = to.hole;
        picture.lifted = to.lifted >= 0;
        picture.liftedValue =
            to.lifted >= 0 ? pool_[static_cast<std::size_t>(to.lifted)]->value : 0;
        Frame frame;
        frame.kind = FrameKind::Jump;
        frame.value = static_cast<std::int16_t>(jumps_.size());
        jumps_.push_back(std::move(picture));
        emit(frame);
    }

    void emit(const Frame& frame) {
        frames_.push_back(frame);
        apply(frame, picture_, jumps_);
    }

    // --- Operations -------------------------------------------------------

    std::string refusal(const Operation& op) const;

    void begin(const Operation& op) {
        OpRecord record;
        record.operation = op;
        record.start.assign(picture_.values.begin(), picture_.values.end());
        record.first = frames_.size();
        record.comparisonsBefore = totalComparisons_;
        record.movesBefore = totalMoves_;
        records_.push_back(std::move(record));
        operations_.push_back(op);
        picture_.taken.clear();
        Frame frame;
        frame.kind = FrameKind::Begin;
        emit(frame);
        read(last_);
        recording_ = true;
    }

    void end(Frame done) {
        observe();
        recording_ = false;
        placing_ = -1;
        done.kind = FrameKind::Done;
        emit(done);
        for (std::size_t f = records_.back().first; f < frames_.size(); ++f) {
            if (frames_[f].kind == FrameKind::Compare) {
                ++totalComparisons_;
            } else if (frames_[f].kind == FrameKind::Move || frames_[f].kind == FrameKind::Settle) {
                ++totalMoves_;
            }
        }
        cacheValid_ = false;
    }

    /// deleteMin, the leaving item known so that it is not taken for lifted.
    void extractOne() {
        leaving_ = static_cast<const Key*>(heap_.min())->id;
        placing_ = static_cast<const Key*>(heap_.last->data)->id;
        heap_.deleteMin();
        observe();
        releaseItem(leaving_);
        leaving_ = -1;
        placing_ = -1;
    }

    void clearRecorded() {
        emptyHeap();
        Frame frame;
        frame.kind = FrameKind::Clear;
        emit(frame);
        read(last_);
    }

    std::string run(const Operation& op) {
        std::string why = refusal(op);
        if (!why.empty()) {
            return why;
        }
        begin(op);
        Frame done;
        switch (op.kind) {
        case Operation::Kind::Insert: {
            Key* item = newItem(op.value);
            placing_ = item->id;
            heap_.insert(item);
            observe();
            done.a = static_cast<std::uint8_t>(positionOf(item));
            done.value = static_cast<std::int16_t>(op.value);
            break;
        }
        case Operation::Kind::Extract: {
            done.value = static_cast<std::int16_t>(picture_.values.front());
            const NodeData* moved = heap_.last->data;
            const bool stays = heap_.last != heap_.root;
            extractOne();
            if (stays) {
                done.a = static_cast<std::uint8_t>(positionOf(moved));
            }
            break;
        }
        case Operation::Kind::Change: {
            Key* item = itemAt(op.position);
            const int old = item->value;
            const bool keyDown = kind_ == HeapKind::Min ? op.value < old : op.value > old;
            item->value = op.value;
            Frame set;
            set.kind = FrameKind::SetValue;
            set.a = static_cast<std::uint8_t>(op.position);
            set.value = static_cast<std::int16_t>(op.value);
            set.spare = static_cast<std::int16_t>(old);
            emit(set);
            placing_ = item->id;
            if (op.value != old) {
                if (keyDown) {
                    heap_.decreaseKey(item);
                } else {
                    heap_.increaseKey(item);
                }
            }
            observe();
            done.a = static_cast<std::uint8_t>(positionOf(item));
            done.value = static_cast<std::int16_t>(op.value);
            done.spare = static_cast<std::int16_t>(old);
            break;
        }
        case Operation::Kind::Remove: {
            Key* item = itemAt(op.position);
            done.value = static_cast<std::int16_t>(item->value);
            leaving_ = item->id;
            const NodeData* moved = heap_.last->data;
            placing_ = static_cast<const Key*>(moved)->id;
            heap_.remove(item);
            observe();
            releaseItem(leaving_);
            leaving_ = -1;
            if (moved != item) {
                done.a = static_cast<std::uint8_t>(positionOf(moved));
            }
            break;
        }
        case Operation::Kind::BuildBottomUp:
        case Operation::Kind::BuildOneByOne:
            if (!heap_.isEmpty()) {
                clearRecorded();
            }
            if (op.kind == Operation::Kind::BuildOneByOne) {
                for (const int value : op.values) {
                    Key* item = newItem(value);
                    placing_ = item->id;
                    heap_.insert(item);
                    observe();
                }
            } else {
                buildBottomUp(op.values);
            }
            break;
        case Operation::Kind::Sort:
            while (!heap_.isEmpty()) {
                extractOne();
            }
            break;
        case Operation::Kind::Clear:
            clearRecorded();
            break;
        }
        end(done);
        return {};
    }

    void buildBottomUp(const std::vector<int>& values) {
        for (const int value : values) {
            Key* item = newItem(value);
            BinaryHeapNode* node = heap_.addLast();
            node->data = item;
            item->node = node;
        }
        observe();
        if (heap_.last == heap_.root) {
            return;
        }
        // The inner nodes, from the last one (the last node's parent) back
        // to the root along prev: nodes never move, items do.
        int position = parentOf(static_cast<int>(values.size()) - 1);
        for (BinaryHeapNode* node = heap_.last->parent; node != nullptr; node = node->prev) {
            Frame frame;
            frame.kind = FrameKind::SiftDown;
            frame.a = static_cast<std::uint8_t>(position--);
            emit(frame);
            placing_ = static_cast<const Key*>(node->data)->id;
            heap_.increaseKey(node->data);
            observe();
        }
    }

    void discardAfter(std::size_t frame) {
        const int op = operationOf(frame);
        const auto keep = static_cast<std::size_t>(op + 1);
        if (keep >= records_.size()) {
            return;
        }
        const OpRecord& first = records_[keep];
        frames_.resize(first.first);
        totalComparisons_ = first.comparisonsBefore;
        totalMoves_ = first.movesBefore;
        const std::vector<std::int16_t> start = first.start;
        records_.resize(keep);
        operations_.resize(keep);
        std::size_t jumps = 0;
        for (const Frame& f : frames_) {
            jumps += f.kind == FrameKind::Jump ? 1 : 0;
        }
        jumps_.resize(jumps);
        restore(start);
        picture_ = Picture{};
        picture_.values.assign(start.begin(), start.end());
        cacheValid_ = false;
    }

    // --- Timeline -----------------------------------------------------------

    int operationOf(std::size_t frame) const {
        if (frame == 0 || records_.empty()) {
            return -1;
        }
        const auto after = std::upper_bound(
            records_.begin(), records_.end(), frame,
            [](std::size_t f, const OpRecord& record) { return f < record.first; });
        return static_cast<int>(after - records_.begin()) - 1;
    }
    std::size_t lastFrame(std::size_t op) const {
        return (op + 1 < records_.size() ? records_[op + 1].first : frames_.size()) - 1;
    }

    /// The picture and counts at frame, from the cache when it is on the way.
    void stateAt(std::size_t index, int op, Picture& picture, Counts& counts) const {
        if (op < 0) {
            picture = Picture{};
            counts = Counts{};
            return;
        }
        const OpRecord& record = records_[static_cast<std::size_t>(op)];
        std::size_t from = record.first;
        if (cacheValid_ && cacheIndex_ >= record.first && cacheIndex_ <= index) {
            std::swap(cachePicture_, picture);
            counts = cacheCounts_;
            from = cacheIndex_ + 1;
        } else {
            picture = Picture{};
            picture.values.assign(record.start.begin(), record.start.end());
            counts = Counts{};
            counts.totalComparisons = record.comparisonsBefore;
            counts.totalMoves = record.movesBefore;
            from = record.first;
        }
        for (std::size_t f = from; f <= index; ++f) {
            apply(frames_[f], picture, jumps_);
            count(frames_[f], counts);
        }
        cachePicture_ = picture;
        cacheCounts_ = counts;
        cacheIndex_ = index;
        cacheValid_ = true;
    }

    FrameView view(std::size_t index) const;
    std::string words(const Frame& frame, const Frame* next, const OpRecord* record,
                      const Picture& before, const Picture& after, const Counts& counts) const;

    HeapKind kind_;
    MinBinaryHeap heap_;
    std::vector<std::unique_ptr<Key>> pool_; ///< Every item, by id.
    std::vector<std::uint16_t> freeIds_;
    std::vector<std::uint8_t> inHeap_; ///< By id: stored in the heap (maybe lifted).
    std::vector<std::uint32_t> seen_;  ///< By id: the stamp of the reading that saw it.
    std::vector<int> position_;        ///< By id: its node in the latest reading, or -1.
    std::vector<int> posOf_;           ///< By id: its node in explain's work reading.
    std::uint32_t stamp_ = 0;
    int leaving_ = -1; ///< The item the heap call takes out, or -1.
    int placing_ = -1; ///< The item the heap call places, or -1.
    bool recording_ = false;
    std::uint64_t ltCalls_ = 0;

    Reading last_, next_, work_;
    Picture picture_; ///< The picture after every frame recorded so far.
    std::vector<Frame> frames_;
    std::vector<OpRecord> records_;
    std::vector<Operation> operations_;
    std::vector<Picture> jumps_;
    std::size_t unexplained_ = 0;
    std::uint64_t totalComparisons_ = 0;
    std::uint64_t totalMoves_ = 0;
    std::function<void(const MinBinaryHeap&)> probe_;

    mutable bool cacheValid_ = false;
    mutable std::size_t cacheIndex_ = 0;
    mutable Picture cachePicture_;
    mutable Counts cacheCounts_;
};

// --- Refusals -----------------------------------------------------------------

namespace {

std::string valueRefusal(int value) {
    if (value < kMinValue || value > kMaxValue) {
        return num(value) + " is out of range: values are whole numbers from " + num(kMinValue) +
               " to " + num(kMaxValue) + ".";
    }
    return {};
}

std::string positionRefusal(int position, int size, const char* what) {
    if (size == 0) {
        return std::string("The heap is empty: there is no node to ") + what + ".";
    }
    if (position < 0) {
        return std::string("Choose a node to ") + what +
               " first: click its box, pick it in the list, or use the keyboard.";
    }
    if (position >= size) {
        return "There is no node at position " + num(position) + ": the positions are 0 to " +
               num(size - 1) + ".";
    }
    return {};
}

} // namespace

std::string Session::Impl::refusal(const Operation& op) const {
    const char* least = kind_ == HeapKind::Min ? "minimum" : "maximum";
    switch (op.kind) {
    case Operation::Kind::Insert:
        if (std::string why = valueRefusal(op.value); !why.empty()) {
            return why;
        }
        return size() >= kMaxItems
                   ? "The heap is full: it holds at most " + num(kMaxItems) + " values."
                   : std::string();
    case Operation::Kind::Extract:
        return size() == 0 ? std::string("The heap is empty: there is no ") + least + " to extract."
                           : std::string();
    case Operation::Kind::Change:
        if (std::string why = positionRefusal(op.position, size(), "change"); !why.empty()) {
            return why;
        }
        return valueRefusal(op.value);
    case Operation::Kind::Remove:
        return positionRefusal(op.position, size(), "remove");
    case Operation::Kind::BuildBottomUp:
    case Operation::Kind::BuildOneByOne:
        if (op.values.empty()) {
            return "Give at least one value to build from.";
        }
        if (op.values.size() > static_cast<std::size_t>(kMaxItems)) {
            return "A heap holds at most " + num(kMaxItems) + " values; " +
                   num(static_cast<long long>(op.values.size())) + " were given.";
        }
        for (const int value : op.values) {
            if (std::string why = valueRefusal(value); !why.empty()) {
                return why;
            }
        }
        return {};
    case Operation::Kind::Sort:
        return size() == 0 ? "The heap is empty: there is nothing to sort." : std::string();
    case Operation::Kind::Clear:
        return size() == 0 ? "The heap is already empty." : std::string();
    }
    return "Unknown operation.";
}

// --- Words ----------------------------------------------------------------------

namespace {

std::string place(int position) {
    if (position == 0) {
        return "the root";
    }
    return "position " + num(position) + " (level " + num(levelOf(position)) + ")";
}

std::string levels(int risen) {
    if (risen == 0) {
        return "it stayed at its level";
    }
    const int n = risen < 0 ? -risen : risen;
    return std::string(risen > 0 ? "it rose " : "it sank ") + num(n) +
           (n == 1 ? " level" : " levels") + (risen > 0 ? " toward the root" : "");
}

std::string plural(std::size_t n, const char* one, const char* many) {
    return num(static_cast<long long>(n)) + " " + (n == 1 ? one : many);
}

std::string listOf(const std::vector<int>& values, std::size_t most) {
    std::string text;
    for (std::size_t i = 0; i < values.size() && i < most; ++i) {
        text += (i == 0 ? "" : ", ") + num(values[i]);
    }
    if (values.size() > most) {
        text += ", ...";
    }
    return text;
}

/// How b stands to a, in a's words: "its parent", "its left child"...
std::string relation(int a, int b) {
    if (a < 0 || b < 0) {
        return {};
    }
    if (a > 0 && b == parentOf(a)) {
        return "its parent";
    }
    if (b > 0 && a == parentOf(b)) {
        return b % 2 == 1 ? "its left child" : "its right child";
    }
    if (a > 0 && b > 0 && parentOf(a) == parentOf(b)) {
        return "its sibling";
    }
    return {};
}

} // namespace

std::string Session::Impl::words(const Frame& frame, const Frame* next, const OpRecord* record,
                                 const Picture& before, const Picture& after,
                                 const Counts& counts) const {
    const bool min = kind_ == HeapKind::Min;
    const std::string smaller = min ? "smaller" : "larger";
    const std::string least = min ? "minimum" : "maximum";
    const auto valueAt = [&](const Picture& picture, int position) {
        return num(picture.values[static_cast<std::size_t>(position)]);
    };
    switch (frame.kind) {
    case FrameKind::Start:
        return "The heap is empty.";
    case FrameKind::Begin: {
        const Operation& op = record->operation;
        std::string text = describeOperation(op, kind_);
        const std::size_t n = before.values.size();
        switch (op.kind) {
        case Operation::Kind::Insert:
            return text + ": a new last node takes " + num(op.value) +
                   ", which then rises while it is " + smaller + " than its parent.";
        case Operation::Kind::Extract:
        case Operation::Kind::Sort:
            if (op.kind == Operation::Kind::Extract) {
                text += ": the root's value " + valueAt(before, 0) + " leaves.";
            } else {
                text += ": take the " + least +
                        " out until the heap is empty; the values come out in order.";
            }
            if (n >= 3) {
                // Said once per operation, sort included: this is not the
                // textbook's deleteMin, and a learner would wonder why.
                text += std::string(op.kind == Operation::Kind::Sort ? " Each time, the" : " The") +
                        " last node's value is lifted out and the node removed; this heap then "
                        "walks the " +
                        smaller +
                        " children down to a leaf, moving each up a "
                        "level, and climbs back up to where the lifted value fits. That is not the "
                        "textbook's way, which compares the lifted value at every level: the "
                        "result is the same, with about half the comparisons.";
            }
            return text;
        case Operation::Kind::Change: {
            const int old = before.values[static_cast<std::size_t>(op.position)];
            if (op.value == old) {
                return text + ": the value is already " + num(old) + ", so nothing moves.";
            }
            const bool up = op.value > old;
            const bool keyDown = min ? !up : up;
            text += ": the value goes " + std::string(up ? "up" : "down") + " from " + num(old) +
                    " to " + num(op.value) + ", so the heap's " +
                    (keyDown ? "decreaseKey moves it up while it is " + smaller + " than its parent"
                             : "increaseKey moves it down while a child is " + smaller);
            if (!min) {
                text += " (in this max-heap, lt is reversed: a larger value is a smaller key)";
            }
            return text + ".";
        }
        case Operation::Kind::Remove:
            return text + ": the last node's value takes the place of " +
                   valueAt(before, op.position) + ", then moves up or down to where it fits.";
        case Operation::Kind::BuildBottomUp:
            return text + ": each value goes into a new last node in list order, then increaseKey "
                          "moves each inner node's value down, from the last inner node back to "
                          "the root.";
        case Operation::Kind::BuildOneByOne:
            return text + ": each value is inserted in list order.";
        case Operation::Kind::Clear:
            return text + ": every value leaves the heap.";
        }
        return text;
    }
    case FrameKind::Grow:
        if (frame.a == 0) {
            return "addLast makes the root node, and " + num(frame.value) + " goes in it.";
        }
        return "addLast hangs position " + num(frame.a) + " (level " + num(levelOf(frame.a)) +
               ") under " + place(parentOf(frame.a)) + ", and " + num(frame.value) + " goes in it.";
    case FrameKind::Shrink: {
        const std::string value = valueAt(before, frame.a);
        std::string text = "deleteLast removes the last node, " + place(frame.a) + ", ";
        return text + ((frame.flags & kDisplaceTake) != 0
                           ? "and its value " + value + " leaves the heap."
                           : "and lifts its value " + value + " out.");
    }
    case FrameKind::SetValue:
        return "The value at " + place(frame.a) + " is set from " + num(frame.spare) + " to " +
               num(frame.value) + ".";
    case FrameKind::SiftDown:
        return "increaseKey for " + valueAt(before, frame.a) + " at " + place(frame.a) +
               ": it moves down while a child is " + smaller + ".";
    case FrameKind::Compare: {
        const bool firstLifted = (frame.flags & kFirstLifted) != 0;
        const bool secondLifted = (frame.flags & kSecondLifted) != 0;
        const int first = firstLifted ? before.hole : frame.a;
        const int second = secondLifted ? before.hole : frame.b;
        const std::string x = firstLifted ? num(before.liftedValue) : valueAt(before, first);
        const std::string y = secondLifted ? num(before.liftedValue) : valueAt(before, second);
        const bool less = (frame.flags & kLess) != 0;
        std::string text = "compare " + x;
        if (firstLifted) {
            text += " (lifted out)";
        }
        const std::string rel = relation(first, second);
        text += " with " + (rel.empty() ? "" : rel + " ") + y;
        if (rel.empty() && !secondLifted && second >= 0) {
            text += " at " + place(second);
        }
        if (secondLifted) {
            text += " (lifted out)";
        }
        text += ": " + x + " is " + (less ? "" : "not ") + smaller;
        if (rel == "its sibling") {
            return text + ", so the " + smaller + " child is " + (less ? x : y) + ".";
        }
        if (next != nullptr && next->kind == FrameKind::Move) {
            const bool upward = next->b == parentOf(next->a) && next->a > 0;
            const std::string moved = valueAt(after, next->a);
            const std::string way = upward ? "up" : "down";
            if ((next->flags & kDisplaceLift) != 0) {
                return text + ", so " + valueAt(after, next->b) + " is lifted out and " + moved +
                       " moves " + way + " into its node.";
            }
            return text + ", so " + moved + " moves " + way + " into the hole.";
        }
        if (next != nullptr && next->kind == FrameKind::Settle) {
            return text + ", so " + num(after.liftedValue) + " goes into the hole at " +
                   place(next->a) + ".";
        }
        return text + ", so nothing moves.";
    }
    case FrameKind::Move: {
        const bool upward = frame.b == parentOf(frame.a) && frame.a > 0;
        std::string text = valueAt(before, frame.a) + " moves " + (upward ? "up" : "down") +
                           " from " + place(frame.a) + " to " + place(frame.b);
        if ((frame.flags & kDisplaceTake) != 0) {
            text += ", where " + valueAt(before, frame.b) + " was: " + valueAt(before, frame.b) +
                    " leaves the heap";
        } else if ((frame.flags & kDisplaceLift) != 0) {
            text += ", lifting " + valueAt(before, frame.b) + " out";
        }
        return text + "; the hole is now at " + place(frame.a) + ".";
    }
    case FrameKind::Settle: {
        std::string text = num(before.liftedValue) + " goes into " +
                           ((frame.flags & kDisplaceTake) != 0 ? "" : "the hole at ") +
                           place(frame.a);
        if ((frame.flags & kDisplaceTake) != 0) {
            text += ", where " + valueAt(before, frame.a) + " was: " + valueAt(before, frame.a) +
                    " leaves the heap";
        }
        return text + ".";
    }
    case FrameKind::Clear:
        return "Every value leaves the heap: it is empty.";
    case FrameKind::Jump:
        return "The heap changed in a way these frames do not show step by step.";
    case FrameKind::Done: {
        const Operation& op = record->operation;
        const std::size_t n = after.values.size();
        const std::string work =
            plural(static_cast<std::size_t>(counts.comparisons), "comparison", "comparisons") +
            " and " + plural(static_cast<std::size_t>(counts.moves), "move", "moves");
        switch (op.kind) {
        case Operation::Kind::Insert:
            return num(op.value) + " is in place at " + place(frame.a) + ": " +
                   levels(levelOf(static_cast<int>(record->start.size())) - levelOf(frame.a)) +
                   ". " + work + ".";
        case Operation::Kind::Change:
            return num(op.value) + " is in place at " + place(frame.a) + ": " +
                   levels(levelOf(op.position) - levelOf(frame.a)) + ". " + work + ".";
        case Operation::Kind::Extract:
        case Operation::Kind::Remove:
            return num(frame.value) + " is out" +
                   (frame.a == kNone
                        ? std::string()
                        : "; " + valueAt(after, frame.a) + " settled at " + place(frame.a)) +
                   "; " + plural(n, "value is", "values are") + " left. " + work + ".";
        case Operation::Kind::BuildBottomUp:
            return "Built a heap of " + plural(n, "value", "values") + " bottom-up: " + work +
                   " (bottom-up needs at most 2 x " + num(static_cast<long long>(n)) + " = " +
                   num(2 * static_cast<long long>(n)) + " comparisons).";
        case Operation::Kind::BuildOneByOne:
            return "Built a heap of " + plural(n, "value", "values") + " one by one: " + work + ".";
        case Operation::Kind::Sort:
            return "Sorted " + plural(after.taken.size(), "value", "values") + ": " +
                   listOf(after.taken, 12) + ". " + work + ".";
        case Operation::Kind::Clear:
            return "The heap is empty.";
        }
        return {};
    }
    }
    return {};
}

FrameView Session::Impl::view(std::size_t index) const {
    index = std::min(index, frames_.size() - 1);
    FrameView out;
    out.index = index;
    out.operation = operationOf(index);
    const Frame& frame = frames_[index];
    out.kind = frame.kind;
    const OpRecord* record =
        out.operation < 0 ? nullptr : &records_[static_cast<std::size_t>(out.operation)];
    out.step = record == nullptr ? 0 : index - record->first;

    // The picture before the frame, for its words, then after: what it shows.
    Picture before;
    Counts counts;
    if (index > 0 && out.operation == operationOf(index - 1)) {
        stateAt(index - 1, out.operation, before, counts);
        out.picture = before;
        apply(frame, out.picture, jumps_);
        count(frame, counts);
        cachePicture_ = out.picture;
        cacheCounts_ = counts;
        cacheIndex_ = index;
    } else {
        stateAt(index, out.operation, out.picture, counts);
        before = out.picture;
    }
    out.counts = counts;
    const Frame* next = index + 1 < frames_.size() ? &frames_[index + 1] : nullptr;
    out.sentence = words(frame, next, record, before, out.picture, counts);

    const auto mark = [&](int position) {
        if (position >= 0 && position < static_cast<int>(out.picture.values.size())) {
            out.marked.push_back(position);
        }
    };
    switch (frame.kind) {
    case FrameKind::Grow:
    case FrameKind::SetValue:
    case FrameKind::SiftDown:
    case FrameKind::Settle:
        mark(frame.a);
        break;
    case FrameKind::Shrink:
        out.liftedMarked = out.picture.lifted;
        break;
    case FrameKind::Move:
        mark(frame.b);
        mark(frame.a);
        break;
    case FrameKind::Compare:
        if ((frame.flags & (kFirstLifted | kSecondLifted)) != 0) {
            out.liftedMarked = true;
        }
        if ((frame.flags & kFirstLifted) == 0) {
            mark(frame.a);
        }
        if ((frame.flags & kSecondLifted) == 0) {
            mark(frame.b);
        }
        break;
    case FrameKind::Done:
        if (frame.a != kNone) {
            mark(frame.a); // where the item placed settled
        }
        break;
    default:
        break;
    }
    return out;
}

// --- Session ----------------------------------------------------------------------

Session::Session(HeapKind kind) : impl_(std::make_unique<Impl>(kind)) {}
Session::~Session() = default;
Session::Session(Session&&) noexcept = default;
Session& Session::operator=(Session&&) noexcept = default;

HeapKind Session::kind() const {
    return impl_->kind_;
}

std::string Session::insert(int value) {
    Operation op;
    op.kind = Operation::Kind::Insert;
    op.value = value;
    return run(op);
}
std::string Session::extract() {
    Operation op;
    op.kind = Operation::Kind::Extract;
    return run(op);
}
std::string Session::change(int position, int value) {
    Operation op;
    op.kind = Operation::Kind::Change;
    op.position = position;
    op.value = value;
    return run(op);
}
std::string Session::remove(int position) {
    Operation op;
    op.kind = Operation::Kind::Remove;
    op.position = position;
    return run(op);
}
std::string Session::build(const std::vector<int>& values, BuildWay way) {
    Operation op;
    op.kind =
        way == BuildWay::BottomUp ? Operation::Kind::BuildBottomUp : Operation::Kind::BuildOneByOne;
    op.values = values;
    return run(op);
}
std::string Session::sort() {
    Operation op;
    op.kind = Operation::Kind::Sort;
    return run(op);
}
std::string Session::clear() {
    Operation op;
    op.kind = Operation::Kind::Clear;
    return run(op);
}
std::string Session::run(const Operation& operation) {
    return impl_->run(operation);
}

std::vector<int> Session::values() const {
    return impl_->picture_.values;
}
const std::vector<Operation>& Session::operations() const {
    return impl_->operations_;
}
void Session::discardAfter(std::size_t frame) {
    impl_->discardAfter(frame);
}

std::size_t Session::frameCount() const {
    return impl_->frames_.size();
}
FrameView Session::frame(std::size_t index) const {
    return impl_->view(index);
}
int Session::operationOf(std::size_t frame) const {
    return impl_->operationOf(frame);
}
std::size_t Session::firstFrame(std::size_t operation) const {
    return operation < impl_->records_.size() ? impl_->records_[operation].first : frameCount() - 1;
}
std::size_t Session::lastFrame(std::size_t operation) const {
    return operation < impl_->records_.size() ? impl_->lastFrame(operation) : frameCount() - 1;
}
std::size_t Session::previousOperation(std::size_t frame) const {
    frame = std::min(frame, frameCount() - 1);
    const int op = operationOf(frame);
    if (op < 0) {
        return 0;
    }
    const std::size_t start = firstFrame(static_cast<std::size_t>(op));
    if (frame > start) {
        return start;
    }
    return op == 0 ? 0 : firstFrame(static_cast<std::size_t>(op - 1));
}
std::size_t Session::nextOperation(std::size_t frame) const {
    const int op = operationOf(std::min(frame, frameCount() - 1));
    const auto nextOp = static_cast<std::size_t>(op + 1);
    return nextOp < impl_->records_.size() ? firstFrame(nextOp) : frameCount() - 1;
}

std::size_t Session::footprint() const {
    const Impl& s = *impl_;
    std::size_t bytes = sizeof(Impl) + s.frames_.capacity() * sizeof(Frame) +
                        s.records_.capacity() * sizeof(OpRecord) +
                        s.operations_.capacity() * sizeof(Operation);
    for (const OpRecord& record : s.records_) {
        bytes += record.start.capacity() * sizeof(std::int16_t) +
                 record.operation.values.capacity() * sizeof(int);
    }
    for (const Operation& op : s.operations_) {
        bytes += op.values.capacity() * sizeof(int);
    }
    for (const Picture& picture : s.jumps_) {
        bytes += sizeof(Picture) + picture.values.capacity() * sizeof(int);
    }
    bytes += s.pool_.size() * (sizeof(Impl::ReversedKey) + sizeof(void*) + 16);
    return bytes;
}

const MinBinaryHeap& Session::heap() const {
    return impl_->heap_;
}

void Session::setCompareProbe(std::function<void(const MinBinaryHeap&)> probe) {
    impl_->probe_ = std::move(probe);
}
std::size_t Session::unexplainedChanges() const {
    return impl_->unexplained_;
}

// --- Free functions -------------------------------------------------------------------

std::string describeOperation(const Operation& op, HeapKind kind) {
    switch (op.kind) {
    case Operation::Kind::Insert:
        return "insert " + num(op.value);
    case Operation::Kind::Extract:
        return kind == HeapKind::Min ? "extract min" : "extract max";
    case Operation::Kind::Change:
        return "change the value at " + place(op.position) + " to " + num(op.value);
    case Operation::Kind::Remove:
        return "remove the value at " + place(op.position);
    case Operation::Kind::BuildBottomUp:
        return "build bottom-up from " + listOf(op.values, 12);
    case Operation::Kind::BuildOneByOne:
        return "build by inserting one by one " + listOf(op.values, 12);
    case Operation::Kind::Sort:
        return "sort";
    case Operation::Kind::Clear:
        return "clear";
    }
    return {};
}

std::string describePosition(int position) {
    return place(position);
}

std::string parseValue(const std::string& text, int& value) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    std::size_t end = text.size();
    while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t')) {
        --end;
    }
    if (i == end) {
        return "Type a value first: a whole number from " + num(kMinValue) + " to " +
               num(kMaxValue) + ".";
    }
    const std::string shown = text.substr(i, end - i);
    bool negative = false;
    if (text[i] == '-' || text[i] == '+') {
        negative = text[i] == '-';
        ++i;
    }
    long long parsed = 0;
    const std::size_t digits = end - i;
    bool ok = digits > 0 && digits <= 9;
    for (std::size_t k = i; ok && k < end; ++k) {
        ok = text[k] >= '0' && text[k] <= '9';
        parsed = parsed * 10 + (text[k] - '0');
    }
    if (!ok) {
        return "\"" + shown + "\" is not a whole number: type one from " + num(kMinValue) + " to " +
               num(kMaxValue) + ".";
    }
    parsed = negative ? -parsed : parsed;
    if (parsed < kMinValue || parsed > kMaxValue) {
        return shown + " is out of range: values are whole numbers from " + num(kMinValue) +
               " to " + num(kMaxValue) + ".";
    }
    value = static_cast<int>(parsed);
    return {};
}

std::string parseValueList(const std::string& text, std::vector<int>& values) {
    std::vector<int> parsed;
    std::string item;
    const auto flush = [&]() -> std::string {
        if (item.empty()) {
            return {};
        }
        int value = 0;
        std::string why = parseValue(item, value);
        item.clear();
        parsed.push_back(value);
        return why;
    };
    for (const char c : text + " ") {
        if (c == ',' || c == ' ' || c == ';' || c == '\t' || c == '\n') {
            if (std::string why = flush(); !why.empty()) {
                return why;
            }
        } else {
            item += c;
        }
    }
    if (parsed.empty()) {
        return "Type the values to build from, separated by commas or spaces.";
    }
    if (parsed.size() > static_cast<std::size_t>(kMaxItems)) {
        return "A heap holds at most " + num(kMaxItems) + " values; " +
               num(static_cast<long long>(parsed.size())) + " were given.";
    }
    values = std::move(parsed);
    return {};
}

std::vector<int> randomValues(std::size_t count, std::uint32_t seed) {
    // minstd and plain arithmetic, not std::uniform_int_distribution: the
    // same seed gives the same values with every standard library.
    std::minstd_rand engine(seed == 0 ? 1 : seed);
    std::vector<int> values;
    values.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        values.push_back(static_cast<int>(engine() % 1000));
    }
    return values;
}

} // namespace tryit
