#include "app/Application.h"
#include "platform/QuitSignals.h"

// Before any thread exists, so that every thread inherits it: no stop signal ever cuts
// a pause of the upload short.
[[maybe_unused]] static const bool stopSignalsKept = (QuitSignals::keepFromEveryThread(), true);

START_JUCE_APPLICATION(Application)
