// SPDX-License-Identifier: MIT
// The viewer's whole state and the animation step that changes it.
//
// Nothing here calls GL or GLUT, so the step can be run in-process with a
// fixed seed.
#ifndef VIEWER_SCENE_H
#define VIEWER_SCENE_H

#include "StepReport.h"

#include <heap/BinaryHeap.h>

#include <cstdint>

/// Items created in the growth phase; also the size of the item table.
constexpr int kItemCount = 200;
/// New values and nudges are the random number modulo this: 0 to 999.
constexpr int kValueRange = 1000;

/// The animated heap and the items it shows.
///
/// Ownership: the item table owns the items; the heap owns only its node
/// records. Destruction deletes every filled table entry, frees the table and
/// then (as a member) destroys the heap.
class GraphicsScene {
  public:
    std::int32_t count = 0; ///< Animation steps run so far, up to INT32_MAX.
    MinBinaryHeap heap;     ///< Holds every item created so far.
    NodeData** items;       ///< kItemCount entries, null until filled in growth.

    GraphicsScene();
    ~GraphicsScene();
    GraphicsScene(const GraphicsScene&) = delete;
    GraphicsScene& operator=(const GraphicsScene&) = delete;
};

/// The one scene of the program, torn down at process exit.
extern GraphicsScene SCENE;

/// Runs the animation step for scene.count, drawing numbers from rand():
/// while fewer than kItemCount steps have run, one call makes a new item that
/// is inserted and stored in entry count; afterwards three calls pick an entry,
/// a direction and a delta, and nudge that item through the matching heap
/// hook. Leaves count alone: the frame counts itself once it is drawn.
/// Returns what the step did; the rand() sequence is the same whether or not
/// anyone reads it.
StepReport stepScene(GraphicsScene& scene);

/// Counts a drawn frame in scene.count, which stops at INT32_MAX: from then on
/// every step is a mutation, as before.
void countFrame(GraphicsScene& scene);

#endif // VIEWER_SCENE_H
