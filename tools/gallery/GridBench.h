#pragma once

namespace winui {
class Style;
}

// Times the grid over 1,000 and 1,000,000 synthetic rows in a shown window: a full repaint,
// 1,000 line downs, page downs and jumps to the end, each painted at once; prints a table.
// Returns the program's exit code.
int runGridBench(winui::Style* style);
