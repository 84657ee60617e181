# Flashmere for Windows: the icon in both programs, a portable zip and an installer made
# with NSIS (cpack in the build folder makes both). Included from packaging/CMakeLists.txt.

# The icon file Windows shows for the programs, their shortcuts and .syx files: the
# rendered sizes up to 256 pixels, the largest an .ico holds.
set(ico_sizes 16 24 32 48 64 128 256)
set(ico_pngs)
foreach(size IN LISTS ico_sizes)
    list(APPEND ico_pngs ${CMAKE_CURRENT_SOURCE_DIR}/icons/flashmere-${size}.png)
endforeach()
find_program(FLASHMERE_CONVERT convert REQUIRED)
set(ico ${CMAKE_CURRENT_BINARY_DIR}/flashmere.ico)
add_custom_command(OUTPUT ${ico}
    COMMAND ${FLASHMERE_CONVERT} ${ico_pngs} ${ico}
    DEPENDS ${ico_pngs}
    COMMENT "Making flashmere.ico")
add_custom_target(flashmere_ico DEPENDS ${ico})
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/windows/flashmere.rc.in ${CMAKE_CURRENT_BINARY_DIR}/flashmere.rc @ONLY)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/flashmere.rc PROPERTIES OBJECT_DEPENDS ${ico})
foreach(program Flashmere flashmere-cli)
    target_sources(${program} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/flashmere.rc)
    add_dependencies(${program} flashmere_ico)
endforeach()

# Both programs side by side in the installation folder, with the licence.
install(TARGETS Flashmere flashmere-cli RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

set(CPACK_GENERATOR "ZIP;NSIS")
set(CPACK_PACKAGE_NAME Flashmere)
set(CPACK_PACKAGE_VENDOR Orvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware updater for the ${FLASHMERE_FIRMWARE_PRODUCT} guitar-effects pedal")
set(CPACK_PACKAGE_FILE_NAME Flashmere-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Flashmere)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Flashmere)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# Stripped as they are linked: the strip tool would write its own time into each copy,
# and the zip's programs would differ from the installer's.
set(CPACK_STRIP_FILES OFF)
foreach(program Flashmere flashmere-cli)
    target_link_options(${program} PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s>)
endforeach()

# The Start menu entry opens the window; the shortcut shows the program's own icon.
set(CPACK_PACKAGE_EXECUTABLES Flashmere Flashmere)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_DISPLAY_NAME Flashmere)
set(CPACK_NSIS_PACKAGE_NAME Flashmere)
set(CPACK_NSIS_MUI_ICON ${ico})
set(CPACK_NSIS_MUI_UNIICON ${ico})
set(CPACK_NSIS_INSTALLED_ICON_NAME Flashmere.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# For every user of the machine, in Program Files.
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_DEFINES "RequestExecutionLevel admin")

# .syx files open in Flashmere: the association is written by the installer and taken
# away by the uninstaller (packaging/windows/syx-files.nsh).
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!include '${CMAKE_CURRENT_SOURCE_DIR}/windows/syx-files.nsh'\n!insertmacro FlashmereAssociateSyx")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!insertmacro FlashmereForgetSyx")

include(CPack)
