#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The program's icon, compiled in as the nine sizes rendered from its drawing
    (packaging/icons). */
namespace AppIcon
{
/** The icon at size × size pixels: the rendering made for that size when there is one,
    otherwise the next larger one scaled down (above the largest, the largest scaled up).
    Message thread. */
juce::Image get(int size);

/** Gives a window the icon twice: to the title bar the look-and-feel draws, at the height
    of the title text, and to the desktop, for its task bar and window switcher. Call once
    the window is on the desktop. Message thread. */
void applyTo(juce::DocumentWindow& window);
} // namespace AppIcon
