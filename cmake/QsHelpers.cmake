# qs_add_module(NAME DEPS...): a static library made of every source of the
# module's folder, so adding a file needs no CMake change.
function(qs_add_module name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXTRA" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/*.h
    ${CMAKE_CURRENT_SOURCE_DIR}/*.ui)
  add_library(${name} STATIC ${_src} ${ARG_EXTRA})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/..)
  target_link_libraries(${name} PUBLIC qs_settings ${ARG_DEPS})
endfunction()

# qs_add_test(NAME SOURCES... LIBS... [FIXTURES...]): one test executable,
# registered with CTest, GUI tests on the offscreen platform.
function(qs_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;FIXTURES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE qs_settings qs_testsupport Qt6::Test ${ARG_LIBS})
  # The offscreen platform comes from QT_QPA_PLATFORM (GUI-less tests reject -platform).
  add_test(NAME ${name} COMMAND ${name})
  set(_env "QT_QPA_PLATFORM=offscreen" "QS_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
           "QS_PG_LEFT=127.0.0.1,${QS_PG_PORT_BASE}"
           "QS_PG_RIGHT=127.0.0.1,${QS_PG_PORT_RIGHT}"
           "LC_ALL=C.UTF-8")
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${_env}" TIMEOUT 600)
  if(ARG_FIXTURES)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${ARG_FIXTURES}")
  endif()
endfunction()

# qs_add_tests_in_folder(LIBS... FIXTURES...): every tst_*.cpp of the folder
# becomes its own test executable (one per class under test).
function(qs_add_tests_in_folder)
  cmake_parse_arguments(ARG "" "" "LIBS;FIXTURES" ${ARGN})
  file(GLOB _tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  foreach(_t ${_tests})
    get_filename_component(_n ${_t} NAME_WE)
    qs_add_test(${_n} SOURCES ${_t} LIBS ${ARG_LIBS} FIXTURES ${ARG_FIXTURES})
  endforeach()
endfunction()
