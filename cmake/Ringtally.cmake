# Shared compile options and the helpers every folder uses.

include(${CMAKE_CURRENT_LIST_DIR}/Layers.cmake)

# Every header of ours is included by its path from the top of the tree
# ("device/Statement.h"); the layer check keeps those paths pointing downwards.
add_library(ringtally_options INTERFACE)
target_include_directories(ringtally_options INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_options(ringtally_options INTERFACE -Wall -Wextra -Wpedantic)
# The version every program prints for --version: the one of project() and nowhere else.
target_compile_definitions(ringtally_options INTERFACE RINGTALLY_VERSION="${PROJECT_VERSION}")
if(RINGTALLY_WERROR)
  target_compile_options(ringtally_options INTERFACE -Werror)
endif()
# Fuzzing instruments every library for libFuzzer's coverage; the fuzz
# targets themselves link libFuzzer (tests/fuzz).
set(RINGTALLY_FUZZ_ENGINE OFF)
if(RINGTALLY_FUZZ)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    set(RINGTALLY_FUZZ_ENGINE ON)
    target_compile_options(ringtally_options INTERFACE
      -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(ringtally_options INTERFACE -fsanitize=address,undefined)
  else()
    message(WARNING "RINGTALLY_FUZZ needs clang (CXX=clang++); the fuzz targets only replay their seeds")
  endif()
endif()
if(RINGTALLY_SANITIZE)
  target_compile_options(ringtally_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(ringtally_options INTERFACE -fsanitize=address,undefined)
endif()

# The layer of the folder being configured: its first path component.
function(ringtally_current_layer out)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  string(REGEX MATCH "^[^/]+" layer "${folder}")
  set(${out} ${layer} PARENT_SCOPE)
endfunction()

# Marks a target as belonging to its folder's layer, for ringtally_check_links.
function(ringtally_assign_layer name)
  ringtally_current_layer(layer)
  if(NOT layer IN_LIST RINGTALLY_LAYERS)
    message(FATAL_ERROR "${name}: ${layer}/ is not a layer named in cmake/Layers.cmake")
  endif()
  set_target_properties(${name} PROPERTIES RINGTALLY_LAYER ${layer})
  set_property(GLOBAL APPEND PROPERTY RINGTALLY_LAYERED_TARGETS ${name})
endfunction()

# ringtally_library(NAME SOURCES ... [DEPS ...])
# A static library of the folder's layer. Dependencies are linked PRIVATE, so
# a folder sees only what it names.
function(ringtally_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ringtally_options ${ARG_DEPS})
  ringtally_assign_layer(${name})
endfunction()

# ringtally_executable(NAME SOURCES ... [DEPS ...])
function(ringtally_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ringtally_options ${ARG_DEPS})
  ringtally_current_layer(layer)
  if(NOT layer STREQUAL "bench")
    ringtally_assign_layer(${name})
  endif()
endfunction()

# Fails the configuration when a target links a library of a layer above its
# own. Called once every folder has been added, so that a link upwards to a
# target defined later is seen too.
function(ringtally_check_links)
  get_property(targets GLOBAL PROPERTY RINGTALLY_LAYERED_TARGETS)
  set(faults "")
  foreach(target IN LISTS targets)
    get_target_property(layer ${target} RINGTALLY_LAYER)
    ringtally_layer_allowed(${layer} allowed)
    get_target_property(links ${target} LINK_LIBRARIES)
    foreach(link IN LISTS links)
      if(TARGET ${link})
        get_target_property(link_layer ${link} RINGTALLY_LAYER)
        if(link_layer AND NOT link_layer IN_LIST allowed)
          list(APPEND faults "${target} (${layer}) links ${link} (${link_layer})")
        endif()
      endif()
    endforeach()
  endforeach()
  if(faults)
    list(JOIN faults "\n" text)
    message(FATAL_ERROR "Links against the layers:\n${text}")
  endif()
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
