#pragma once

// Turns Qt's accessibility on or off in this process, as an assistive tool connecting over
// the desktop's accessibility bus does, on any platform plugin (the offscreen one too).
void setAccessibilityActive(bool active);
