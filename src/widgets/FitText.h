#pragma once

class QWidget;

namespace qs {

// A window drawn at fixed positions (no layout) was drawn for the default
// font; with a larger desktop font its texts would be cut. This grows it:
// every position and size is multiplied by the one factor that gives each
// label, button and check box the room its text needs, and each box the
// height. A window with a layout, or one that already fits, is left alone.
void GrowFixedWindowToFitText(QWidget* window);

}  // namespace qs
