#pragma once

#include <juce_core/juce_core.h>

/** The load procedures that the help windows show, one per product. Each is built from a
    plain ASCII literal when the program starts, before any window exists, and handed to
    its text editor unchanged: every blank, including those at line ends, and every line
    feed is part of the text. */
extern const juce::String tarnisHelpText;
extern const juce::String ombrelHelpText;
extern const juce::String corvexHelpText;
extern const juce::String velamorHelpText;
extern const juce::String quillonHelpText;
extern const juce::String bassAmplifierHelpText;
extern const juce::String harrowHelpText;
