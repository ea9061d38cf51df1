# `make windows-package`: build/windows/vestrel-VERSION-setup.exe, made by Debian's NSIS from
# cmake/vestrel-setup.nsi with vestrel-cli.exe, the WinUSB INF, the docs and, where Qt for
# Windows was found, the windows. Left out when makensis is missing.
find_program(VESTREL_MAKENSIS makensis)
if(VESTREL_MAKENSIS)
  set(VESTREL_SETUP ${CMAKE_BINARY_DIR}/vestrel-${PROJECT_VERSION}-setup.exe)
  set(gui_define "")
  set(gui_target "")
  if(TARGET vestrel)
    set(gui_define "-DGUI=$<TARGET_FILE:vestrel>")
    set(gui_target vestrel)
  endif()
  add_custom_command(
    OUTPUT ${VESTREL_SETUP}
    COMMAND ${VESTREL_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DOUTFILE=${VESTREL_SETUP}
            -DCLI=$<TARGET_FILE:vestrel-cli> -DSOURCE=${PROJECT_SOURCE_DIR} ${gui_define}
            ${PROJECT_SOURCE_DIR}/cmake/vestrel-setup.nsi
    DEPENDS vestrel-cli ${gui_target} ${PROJECT_SOURCE_DIR}/cmake/vestrel-setup.nsi
            ${PROJECT_SOURCE_DIR}/platform/win32/vestrel-winusb.inf
            ${PROJECT_SOURCE_DIR}/docs/windows.md
    VERBATIM)
  add_custom_target(windows-installer ALL DEPENDS ${VESTREL_SETUP})
endif()

# Installed silently under Wine, checked and uninstalled.
find_package(Python3 COMPONENTS Interpreter)
if(VESTREL_MAKENSIS AND VESTREL_TESTS AND CMAKE_CROSSCOMPILING_EMULATOR AND
   Python3_Interpreter_FOUND)
  add_test(NAME windows.installer
           COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/platform/win32/installer_test.py
                   ${VESTREL_WINEPREFIX} ${VESTREL_SETUP} ${CMAKE_CROSSCOMPILING_EMULATOR})
  set_tests_properties(windows.installer PROPERTIES FIXTURES_REQUIRED wine_prefix)
endif()
