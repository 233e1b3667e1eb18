#pragma once
// The IDs of the window's control windows, from the rows of the layout table: the window's
// tests find the controls from outside by them.

#include <cstddef>

// The control of row `row` of LayoutTable(); a radio group's box.
constexpr int ControlId(size_t row) { return 100 + int(row); }
// Item `item` of the radio group of row `row`.
constexpr int RadioItemId(size_t row, int item) { return 1000 + 10 * int(row) + item; }
