# Host build: the portable core's unit tests, and the suites that check the
# Windows builds (they run against build/win64 and build/win32).
option(KORVANI_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
if(KORVANI_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
endif()

enable_testing()
add_subdirectory(tests/unit)

set(KORVANI_WIN64_DIR "" CACHE PATH "A win64 build folder whose program the end-to-end suite drives")
set(KORVANI_WIN32_DIR "" CACHE PATH "A win32 build folder whose artefacts are checked")
if(KORVANI_WIN64_DIR)
    add_test(NAME end_to_end_under_wine
             COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/run_under_wine.sh ${KORVANI_WIN64_DIR})
endif()
if(KORVANI_WIN32_DIR)
    add_test(NAME reproducible_build
             COMMAND ${CMAKE_SOURCE_DIR}/tests/artefacts/check_reproducible.sh ${KORVANI_WIN32_DIR})
endif()
if(KORVANI_WIN32_DIR AND KORVANI_WIN64_DIR)
    add_test(NAME windows_artefacts
             COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/artefacts/check_artefacts.py
                     ${KORVANI_WIN32_DIR}/bin ${KORVANI_WIN64_DIR}/bin)
endif()
