// SPDX-License-Identifier: MIT
// A discrete-event queue: events by time, ties by id, as a typed key. A
// pending event is cancelled with remove and rescheduled with update; each
// event is an item owned by the program (here, in a vector) and queued while
// its node is set.
#include <heap/TypedKey.h>

#include <cstdio>
#include <tuple>
#include <vector>

namespace {

struct Event {
    double time;
    int id;
    const char* what;
};
struct Sooner {
    bool operator()(const Event& a, const Event& b) const {
        return std::tie(a.time, a.id) < std::tie(b.time, b.id);
    }
};
using Scheduled = binaryheap::Key<Event, Sooner>;

} // namespace

int main() {
    std::vector<Scheduled> events{
        Scheduled(Event{3.0, 1, "lights off"}), Scheduled(Event{1.5, 2, "door opens"}),
        Scheduled(Event{1.5, 3, "alarm rings"}), Scheduled(Event{2.0, 4, "kettle boils"}),
        Scheduled(Event{4.0, 5, "post arrives"})};
    binaryheap::TypedHeap<Scheduled> queue;
    for (Scheduled& event : events) {
        queue.insert(event);
    }
    queue.remove(events[2]);    // the alarm is cancelled
    events[3].value.time = 3.5; // the kettle is put on later
    queue.update(events[3]);
    std::printf("%zu events pending; alarm pending: %s\n", queue.size(),
                queue.contains(events[2]) ? "yes" : "no");
    while (Scheduled* next = queue.deleteMin()) {
        std::printf("t=%.1f #%d %s\n", next->value.time, next->value.id, next->value.what);
    }
    return 0;
}
