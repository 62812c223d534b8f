# Build helpers shared by every library. Sources are collected by pattern so
# that adding a file never touches a neighbour's build script.

set(LUNVIK_WARNINGS -Wall -Wextra)

# lunvik_sources(<out-var> <dir>...): the C++ sources of the given folders,
# without their tests.
function(lunvik_sources out)
  set(found)
  foreach(dir IN LISTS ARGN)
    file(GLOB files CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
    list(APPEND found ${files})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# lunvik_no_loose_sources(<dir>...): a folder whose sources live in
# subfolders by concern holds none itself; one left there would not be built,
# so the configuration stops and names it.
function(lunvik_no_loose_sources)
  foreach(dir IN LISTS ARGN)
    file(GLOB loose CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
    if(loose)
      message(FATAL_ERROR "Move into a subfolder by concern of ${dir}: ${loose}")
    endif()
  endforeach()
endfunction()

# lunvik_resources(<target> <bundle> <dir>): compiles every file below <dir>
# into the target under :/bundles/<bundle>/.
function(lunvik_resources target bundle dir)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE ${dir} ${dir}/*)
  if(NOT files)
    return()
  endif()
  set(absolute)
  foreach(f IN LISTS files)
    list(APPEND absolute ${dir}/${f})
  endforeach()
  qt_add_resources(${target} "${bundle}_resources"
    PREFIX "/bundles/${bundle}"
    BASE ${dir}
    FILES ${absolute})
endfunction()

# lunvik_library(<target> DIRS <dir>... LINKS <lib>...)
function(lunvik_library target)
  cmake_parse_arguments(ARG "" "" "DIRS;LINKS" ${ARGN})
  lunvik_sources(srcs ${ARG_DIRS})
  add_library(${target} SHARED ${srcs})
  target_compile_options(${target} PRIVATE ${LUNVIK_WARNINGS})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_LINKS})
  # Installed, the libraries find each other in their own folder.
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${target} LIBRARY DESTINATION ${LUNVIK_INSTALL_LIBDIR})
endfunction()

# lunvik_tests(<name> DIR <dir> LINKS <lib>... [MAIN <lib>] [DATA <dir>]
#              [BUNDLES <dir>] [SESSION_BUS] [UMOCKDEV] [WAYLAND]): one test
# program from every source in <dir>; each test case runs in its own process
# under ctest. MAIN replaces the default test main (one with a widget
# application). DATA and BUNDLES name the folders of test data and of test
# bundles (<dir>/data and <dir>/bundles by default). SESSION_BUS gives each
# test process a D-Bus session bus of its own; UMOCKDEV runs it with
# umockdev's preload library, for tests that emulate a USB device at the
# kernel boundary; WAYLAND gives it a Weston compositor of its own whose
# client it is (tools/with-weston.sh).
function(lunvik_tests name)
  cmake_parse_arguments(ARG "SESSION_BUS;UMOCKDEV;WAYLAND" "DIR;MAIN;DATA;BUNDLES"
                        "LINKS;SOURCES" ${ARGN})
  if(NOT ARG_MAIN)
    set(ARG_MAIN lunvik_test_main)
  endif()
  if(NOT LUNVIK_BUILD_TESTS)
    return()
  endif()
  # Not in sanitized builds: what they add over the same tests offscreen is
  # the Wayland client libraries and the graphics drivers, whose leaks at
  # exit are reported from libraries already unloaded, which no suppression
  # can name.
  if(ARG_WAYLAND AND LUNVIK_SANITIZE)
    return()
  endif()
  file(GLOB srcs CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp ${ARG_DIR}/*.h)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${LUNVIK_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} GTest::gtest GTest::gmock
                        ${ARG_MAIN})
  if(NOT ARG_DATA)
    set(ARG_DATA ${ARG_DIR}/data)
  endif()
  target_compile_definitions(${name} PRIVATE
    LUNVIK_TEST_DATA="${ARG_DATA}")
  # Bundles the tests need of their own: tests/bundles/<Name>/...
  if(NOT ARG_BUNDLES)
    set(ARG_BUNDLES ${ARG_DIR}/bundles)
  endif()
  file(GLOB bundle_dirs LIST_DIRECTORIES true ${ARG_BUNDLES}/*)
  foreach(bundle_dir IN LISTS bundle_dirs)
    if(IS_DIRECTORY ${bundle_dir})
      get_filename_component(bundle ${bundle_dir} NAME)
      lunvik_resources(${name} ${bundle} ${bundle_dir})
    endif()
  endforeach()
  set(wrappers)
  if(ARG_WAYLAND)
    list(APPEND wrappers ${CMAKE_SOURCE_DIR}/tools/with-weston.sh)
  endif()
  if(ARG_SESSION_BUS)
    list(APPEND wrappers ${CMAKE_SOURCE_DIR}/tools/with-session-bus.sh)
  endif()
  if(ARG_UMOCKDEV)
    list(APPEND wrappers ${CMAKE_SOURCE_DIR}/tools/with-umockdev.sh)
  endif()
  if(wrappers)
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${wrappers}")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=C.UTF-8;LANGUAGE=en"
               TIMEOUT 120)
endfunction()
