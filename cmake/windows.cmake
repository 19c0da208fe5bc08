# The program, the stand-in libraries and (x86_64) the end-to-end driver.
enable_language(RC)

# A folder that runs as it is: program and libraries side by side.
set(KORVANI_BIN_DIR ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${KORVANI_BIN_DIR})

# Self-contained: only Windows system DLLs in the import list. Hardened, and
# reproducible (no time stamps in the headers).
add_link_options(-static -static-libgcc -static-libstdc++
                 -Wl,--nxcompat -Wl,--dynamicbase -Wl,--no-insert-timestamp)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_link_options(-Wl,--high-entropy-va)
endif()
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-Wl,--gc-sections $<$<CONFIG:Release,MinSizeRel>:-s>)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

add_library(korvani_framework STATIC
    framework/application.cpp
    framework/common_dialog.cpp
    framework/current_directory.cpp
    framework/fault_watch.cpp
    framework/floating_point_control.cpp
    framework/form_window.cpp
    framework/message_box.cpp
    framework/named_mutex.cpp
    framework/outside_watch.cpp
    framework/stale_input.cpp
    framework/text_conversion.cpp
    framework/win32_error.cpp)
target_link_libraries(korvani_framework PUBLIC korvani_framework_portable comctl32 ntdll)

add_library(korvani_flashing STATIC
    flashing/FlashProgramAT.cpp
    flashing/ProgramFirmwareFile.cpp
    flashing/update_attempt.cpp
    flashing/update_watcher.cpp)
target_link_libraries(korvani_flashing PUBLIC korvani_flashing_portable korvani_framework)

# The control ids the window and its resource script share.
add_library(korvani_resources INTERFACE)
target_include_directories(korvani_resources INTERFACE resources)

add_library(korvani_ui STATIC ui/FlasherMain.cpp)
target_include_directories(korvani_ui PUBLIC ui)
target_link_libraries(korvani_ui PUBLIC korvani_flashing PRIVATE korvani_resources)

# What the C++ run time needs of a program that brings its own stack guard.
add_library(korvani_compiler_runtime OBJECT
    compiler_runtime/stack_protector.cpp
    compiler_runtime/terminate_handler.cpp)

add_executable(KorvaniFWUpdater WIN32
    startup/entry_point.cpp
    startup/Inicio.cpp
    startup/WindowsAPI.cpp
    resources/KorvaniFWUpdater.rc)
target_include_directories(KorvaniFWUpdater PRIVATE startup)
target_link_options(KorvaniFWUpdater PRIVATE -municode)
target_link_libraries(KorvaniFWUpdater PRIVATE korvani_ui korvani_resources korvani_compiler_runtime)
set_property(SOURCE resources/KorvaniFWUpdater.rc APPEND PROPERTY OBJECT_DEPENDS
    ${CMAKE_SOURCE_DIR}/resources/KorvaniFWUpdater.ico
    ${KORVANI_GENERATED_DIR}/KorvaniFWUpdater.manifest
    ${KORVANI_GENERATED_DIR}/product.h)

# Stack and buffer overflows end the program rather than run on. Static: the
# fortified functions come from libssp.a, and the program brings its own guard
# (compiler_runtime/stack_protector.cpp), so nothing is added beside the executable.
# The program's code only: the stand-ins play the maker's libraries, and
# libssp's guard in them would load advapi32 into every start-up measured.
foreach(target korvani_base korvani_core korvani_framework_portable korvani_framework
               korvani_flashing_portable korvani_flashing korvani_ui korvani_compiler_runtime
               KorvaniFWUpdater)
    target_compile_options(${target} PRIVATE -fstack-protector-strong)
    target_compile_definitions(${target} PRIVATE _FORTIFY_SOURCE=2)
endforeach()
target_link_options(korvani_framework INTERFACE -fstack-protector-strong)

add_subdirectory(simulator)
add_subdirectory(bench)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_subdirectory(tests/e2e)
    add_subdirectory(tour)
endif()
