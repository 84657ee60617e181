# Warnings are errors in our own code; JUCE's headers come in as system headers.
add_library(flashmere_warnings INTERFACE)
target_compile_options(flashmere_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Woverloaded-virtual
    -Werror)
