// SPDX-License-Identifier: MIT
// The page as the program sees it: what the page's script answers and is
// told (all in Bridge.cpp, beside every function the page calls in), and the
// program's web controls the bridge forwards the page's calls to.
#ifndef VIEWER_WEB_BRIDGE_H
#define VIEWER_WEB_BRIDGE_H

#include <cstdint>
#include <string>

namespace bridge {

/// The seed the address asks for, or -1 for none.
double askedSeed();
bool startsPaused();
/// The speed factor from 0.25 to 4.
double askedSpeed();
/// Whether the page opens in "Try it" (its lesson link is read by then).
bool startsTrying();
void seedInUse(double seed);
/// A "Watch" frame: the step, its line, the heap in level order and the
/// position the step's item settled in.
void frameDrawn(int step, const std::string& line, const std::int32_t* values, int count,
                int changed);
/// A "Watch" frame's node records, as TryPage's structure JSON.
void structureShown(const std::string& records);
/// Whether the page shows the "Linked structure" view now.
bool showsStructure();
/// A "Try it" frame drawn, as TryPage's JSON.
void tryFrameShown(const std::string& frame);

} // namespace bridge

/// The program's controls, in Platform.cpp.
namespace webcontrols {
void setPaused(bool paused);
void stepOnce();
void setSpeed(double speed);
void setContextLost(bool lost);
void redraw();
/// Tells the page the scene's node records, for its "Linked structure".
void tellStructure();
/// "Try it" (true) or "Watch": Watch's steps are held while trying, and its
/// picture comes back as it was.
void setTrying(bool trying);
} // namespace webcontrols

#endif // VIEWER_WEB_BRIDGE_H
