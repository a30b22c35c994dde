# Shared compile options and the helpers every folder uses.

add_library(ringtally_options INTERFACE)
target_compile_options(ringtally_options INTERFACE -Wall -Wextra -Wpedantic -Werror)
if(RINGTALLY_SANITIZE)
  target_compile_options(ringtally_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(ringtally_options INTERFACE -fsanitize=address,undefined)
endif()

# ringtally_library(NAME SOURCES ... [DEPS ...])
# A static library whose headers are found by file name from its own folder.
# Dependencies are linked PRIVATE, so a folder sees only what it names.
function(ringtally_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ringtally_options ${ARG_DEPS})
endfunction()

# ringtally_executable(NAME SOURCES ... [DEPS ...])
function(ringtally_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ringtally_options ${ARG_DEPS})
endfunction()

# ringtally_test(NAME SOURCES ... [DEPS ...] [GUI] [TIMEOUT seconds] [ENVIRONMENT ...])
# One GoogleTest executable per area, registered with CTest under a time limit so
# that a dialog left open fails the run instead of hanging it. GUI tests get a
# QApplication and run on the offscreen platform.
function(ringtally_test name)
  cmake_parse_arguments(ARG "GUI" "TIMEOUT" "SOURCES;DEPS;ENVIRONMENT" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_GUI)
    target_link_libraries(${name} PRIVATE ringtally_options ringtally_testmain_gui ${ARG_DEPS}
      Qt6::Widgets Qt6::Test GTest::gtest)
  else()
    target_link_libraries(${name} PRIVATE ringtally_options ringtally_testsupport ${ARG_DEPS}
      GTest::gtest GTest::gtest_main)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TZ=Europe/Berlin;RINGTALLY_NOW=;RINGTALLY_DEVICE=/nonexistent/device.db;${ARG_ENVIRONMENT}")
endfunction()
