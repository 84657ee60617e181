# The JUCE modules are compiled once, into one static library that the program and
# every test executable link. Their definitions and include directories are passed on
# to users, the include directories as system headers so that our warning flags do
# not apply to JUCE.
add_library(flashmere_juce STATIC)

target_link_libraries(flashmere_juce
    PRIVATE
        juce::juce_core
        juce::juce_cryptography
        juce::juce_events
        juce::juce_data_structures
        juce::juce_graphics
        juce::juce_gui_basics
        juce::juce_audio_basics
        juce::juce_audio_devices)

# Debian's JUCE leaves out its bundled image and zip libraries. On Linux they come from
# pkg-config; for Windows scripts/build-windows-libs.sh cross-builds libpng and
# libjpeg-turbo, and MinGW's static zlib is linked rather than its DLL's import library.
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
    find_path(FLASHMERE_PNG_INCLUDE_DIR png.h REQUIRED)
    find_library(FLASHMERE_PNG_LIBRARY NAMES libpng16.a REQUIRED)
    find_library(FLASHMERE_JPEG_LIBRARY NAMES libjpeg.a REQUIRED)
    find_library(FLASHMERE_ZLIB_LIBRARY NAMES libz.a REQUIRED)
    target_include_directories(flashmere_juce SYSTEM PRIVATE ${FLASHMERE_PNG_INCLUDE_DIR})
    target_link_libraries(flashmere_juce
        PUBLIC ${FLASHMERE_PNG_LIBRARY} ${FLASHMERE_JPEG_LIBRARY} ${FLASHMERE_ZLIB_LIBRARY})
else()
    target_link_libraries(flashmere_juce PUBLIC juce::pkgconfig_JUCE_IMG_LINUX_DEPS)
endif()

target_compile_definitions(flashmere_juce
    PUBLIC
        JUCE_STANDALONE_APPLICATION=1
        JUCE_DISPLAY_SPLASH_SCREEN=0
        JUCE_REPORT_APP_USAGE=0
        JUCE_WEB_BROWSER=0
        JUCE_USE_CURL=0
        JUCE_MODAL_LOOPS_PERMITTED=1
        JUCE_APPLICATION_NAME_STRING="${FLASHMERE_APP_NAME}"
        JUCE_APPLICATION_VERSION_STRING="${PROJECT_VERSION}"
        $<$<CONFIG:Debug>:DEBUG=1>
        $<$<CONFIG:Debug>:_DEBUG=1>
    INTERFACE
        $<TARGET_PROPERTY:flashmere_juce,COMPILE_DEFINITIONS>)

target_include_directories(flashmere_juce SYSTEM
    INTERFACE
        $<TARGET_PROPERTY:flashmere_juce,INCLUDE_DIRECTORIES>)

set_target_properties(flashmere_juce PROPERTIES POSITION_INDEPENDENT_CODE ON)
