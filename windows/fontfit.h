#pragma once

class QWidget;

// Windows laid out in fixed pixels keep their designed geometry as long as
// every text fits. With a larger desktop font, every position and size of the
// window's controls, and the window itself, grow by the one factor that makes
// the tightest text fit. Starts from the designed geometry each time, so it
// can run again after texts change.
void FitLayoutToFont(QWidget* window);
