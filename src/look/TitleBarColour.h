#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The program's windows keep a second colour beside JUCE's one window colour: the top
    colour of their title bar's gradient. A window sets it with
    setColour (titleBarColourId, ...) at the top of its constructor; the look-and-feel
    reads it with findColour when it draws that window's title bar, and gives a default
    for any other window. */
namespace WindowColours
{
enum ColourIds
{
    titleBarColourId = 0x6f1a0001
};

/** The program's window background, which also fills the update screen and the help
    content. */
inline const juce::Colour background { 0xffeff2f3 };

/** The colour at the top of the program's title bars. */
inline const juce::Colour titleBar { 0xff3273a1 };
} // namespace WindowColours
