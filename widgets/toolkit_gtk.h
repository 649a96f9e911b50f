// What wx does not expose of the GTK widgets underneath.
#pragma once
#include <functional>

class wxWindow;

namespace vok {

// Whether there is a display to open the window on; wx would end the
// process inside GTK without one.
bool HasDisplay();

// Tool bar buttons as tight as the classic 20x20 faces; GTK's theme pads
// them so wide that seven no longer fit the narrowest frame.
void UseCompactToolBars();

// Height of a menu bar in the current theme; 0 when it cannot be measured.
int MenuBarHeight();

// wxGTK realizes a frame before showing it, to learn the window manager's
// borders, with a 2x1 placeholder allocation; GTK then lays the frame out at
// that size until the window manager answers, squeezing the scroll bar and
// the tool bar below nothing. Call before the first Show: the frame is
// realized at its own default size instead.
void PresetFrameAllocation(wxWindow* topLevel);

// Moves a top-level window's outer top-left corner to (x, y), also when wx
// believes it is there already: a window manager may have placed it elsewhere.
void MoveOnScreen(wxWindow* topLevel, int x, int y);

// Gives a top-level window this outer size and position once it is mapped,
// over whatever size the toolkit's own dialog restores then.
void PlaceWhenMapped(wxWindow* topLevel, int x, int y, int width, int height);

// The least size GTK can lay out a window with scroll bars in: below it the
// scroll bar's parts no longer fit. 0x0 when it cannot be measured.
void ScrolledMinimum(wxWindow* w, int* width, int* height);

// What the user did on a scroll bar.
enum class ScrollAction { LineUp, LineDown, PageUp, PageDown, Top, Bottom, Track };

// Every action on w's vertical scroll bar goes to `act` (with the position
// the thumb was dragged to, for Track) and no longer moves the bar by
// itself; the window sets the position. A click on the track pages, as on
// the classic bar, instead of jumping to where it was clicked; holding it
// repeats pages.
void TakeOverVerticalScrollBar(wxWindow* w, std::function<void(ScrollAction, int)> act);

// The vertical scroll bar stays visible; this greys it out or back in.
void EnableVerticalScrollBar(wxWindow* w, bool enable);
bool VerticalScrollBarEnabled(wxWindow* w);

}  // namespace vok
