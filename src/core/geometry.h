// Where the command bar stands and how a dialog unrolls out of it. The
// rules are written in twips (1/1440 inch) with single-precision arithmetic;
// the window system rounds to whole pixels at every move, so these work in
// pixels and round the way a window does.
#pragma once

#include <vector>

namespace tarvolin {

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  int width = 0;
  int height = 0;
};

// The bar's place for a corner: 1 top left, 2 top right, 3 bottom left, any
// other value bottom right. The bottom corners add the bar's height: its
// lower edge lies 1050 twips minus twice its height above the screen's.
Point PlaceCommandBar(int corner, Size bar, Size screen, float twipsPerPixel);

// The outer height a dialog unrolls to: its designed height at its first
// showing; opened again while it is shown, the height it has.
inline int UnrollHeight(bool firstShowing, int designed, int current) {
  return firstShowing ? designed : current;
}

// Where the options dialog moves the bar when a corner is clicked: as
// PlaceCommandBar, except that the top corners put its top at the bar's
// height less 310 twips.
Point OptionsCornerPosition(int corner, Size bar, Size screen, float twipsPerPixel);

// One step of a roll-out: the dialog's outer top edge and height.
struct RollOutStep {
  int top = 0;
  int height = 0;
};

struct RollOutPlan {
  int left = 0;
  RollOutStep start;  // collapsed, before the first step
  std::vector<RollOutStep> steps;
};

// The steps of unrolling a dialog of outer width `width`, designed
// `targetHeight` high, out of the bar at `barPosition`: it starts collapsed
// (`collapsedHeight`, the smallest the window system keeps) at the bar's left
// edge, or further left so that it ends at the screen's right edge. Below a
// bar in corner 1 or 2 it grows downwards from the bar's lower edge; above
// the bar otherwise, its lower edge staying 150 twips plus the bar's height
// above the bar's top, or at the bar's top where the collapsed window is
// taller than that and would cover the bar. Each step adds 200 twips to
// what the window made of the last one, until the height is at least the
// target; at least one step is made, so the dialog can end up to one step
// taller than designed.
RollOutPlan RollOutSteps(Point barPosition, Size bar, int width, int targetHeight,
                         int collapsedHeight, int screenWidth, int corner, float twipsPerPixel);

}  // namespace tarvolin
