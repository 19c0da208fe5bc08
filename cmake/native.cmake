# Host build: the portable core's unit tests, and the suites that check the
# Windows builds (they run against build/win64 and build/win32).
option(KORVANI_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
if(KORVANI_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
endif()

enable_testing()
add_subdirectory(tests/unit)

set(KORVANI_WIN64_DIR "" CACHE PATH "A win64 build folder: its end-to-end driver, and its program to drive")
set(KORVANI_WIN32_DIR "" CACHE PATH "A win32 build folder: the release, driven and checked")
set(run_under_wine ${CMAKE_SOURCE_DIR}/tests/e2e/run_under_wine.sh)
if(KORVANI_WIN64_DIR)
    add_test(NAME end_to_end_win64 COMMAND ${run_under_wine} ${KORVANI_WIN64_DIR})
    # The window's geometry once more, on a 144 DPI display.
    add_test(NAME end_to_end_win64_at_144_dpi
             COMMAND ${run_under_wine} ${KORVANI_WIN64_DIR} --gtest_filter=MainWindow.LooksAsDefined)
    set_tests_properties(end_to_end_win64_at_144_dpi PROPERTIES ENVIRONMENT KORVANI_E2E_DPI=144)
endif()
if(KORVANI_WIN32_DIR)
    add_test(NAME reproducible_build
             COMMAND ${CMAKE_SOURCE_DIR}/tests/artefacts/check_reproducible.sh ${KORVANI_WIN32_DIR})
    add_test(NAME signed_package
             COMMAND ${CMAKE_SOURCE_DIR}/tests/artefacts/check_signed_package.sh ${KORVANI_WIN32_DIR})
endif()
if(KORVANI_WIN32_DIR AND KORVANI_WIN64_DIR)
    # The release as users run it: the i686 program and stand-ins, under the new-WoW64 Wine.
    # Inside an emulated PC where the kernel refuses 32-bit code (tests/e2e/run_under_wine.sh).
    add_test(NAME end_to_end_win32_release COMMAND ${run_under_wine} ${KORVANI_WIN64_DIR} ${KORVANI_WIN32_DIR})
    add_test(NAME windows_artefacts
             COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/artefacts/check_artefacts.py
                     ${KORVANI_WIN32_DIR}/bin ${KORVANI_WIN64_DIR}/bin)
endif()
# A regression fails in minutes: every wait in the driver gives up after 15 s,
# and every run under Wine or of a build after this.
get_property(whole_runs DIRECTORY PROPERTY TESTS)
if(whole_runs)
    set_tests_properties(${whole_runs} PROPERTIES TIMEOUT 600)
endif()
# Emulated, the i686 suite takes about ten minutes; the guest itself is
# stopped at 35 and says why, before this limit.
if(TEST end_to_end_win32_release)
    set_tests_properties(end_to_end_win32_release PROPERTIES TIMEOUT 2400)
endif()
