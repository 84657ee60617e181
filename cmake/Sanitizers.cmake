# Sanitizers apply to everything, JUCE included: a thread sanitizer that cannot see
# JUCE's own locks reports races that are not there.
if(FLASHMERE_SANITIZER STREQUAL "address-undefined")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
elseif(FLASHMERE_SANITIZER STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
elseif(NOT FLASHMERE_SANITIZER STREQUAL "")
    message(FATAL_ERROR "FLASHMERE_SANITIZER must be empty, address-undefined or thread")
endif()
