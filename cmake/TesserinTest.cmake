# tesserin_test(NAME <name> [GUI] SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable; its cases are registered with ctest one by one.
# Every test runs headless and finds the shared test corpora through TESSERIN_TESTDATA.
# A GUI test's main makes the Qt application first, as the program's does.
set(TESSERIN_TESTDATA "${CMAKE_SOURCE_DIR}/../shared/testdata" CACHE PATH "Public image test corpora")
# WebP, GIF, TIFF, HEIF and AVIF files written at build time (tests/readers),
# for the tests and the fuzz replays anywhere.
set(TESSERIN_PICTURES "${CMAKE_BINARY_DIR}/pictures")
set(TESSERIN_HEIF_FILES "${CMAKE_BINARY_DIR}/heif-files")

add_library(tesserin_gui_test_main STATIC ${PROJECT_SOURCE_DIR}/tests/gui_test_main.cpp)
target_link_libraries(tesserin_gui_test_main PUBLIC GTest::gtest Qt6::Core Qt6::Widgets)

function(tesserin_test)
  cmake_parse_arguments(T "GUI" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  if(T_GUI)
    set(main tesserin_gui_test_main)
  else()
    set(main GTest::gtest_main)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest ${main})
  target_compile_definitions(${T_NAME} PRIVATE TESSERIN_TESTDATA="${TESSERIN_TESTDATA}")
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      TIMEOUT ${T_TIMEOUT}
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TESSERIN_TESTDATA=${TESSERIN_TESTDATA}")
endfunction()

# tesserin_heif_files(<target> <folder> <what> <entry>...)
# A target writing HEIF and AVIF files into <folder> with tests/readers'
# heif_maker. Each entry is a file name followed by heif_maker's options, all
# joined by "|": "deep10.avif|depth=10".
function(tesserin_heif_files target folder what)
  set(commands)
  foreach(entry IN LISTS ARGN)
    string(REPLACE "|" ";" args "${entry}")
    list(POP_FRONT args name)
    list(APPEND commands COMMAND heif_maker ${folder}/${name} ${args})
  endforeach()
  add_custom_command(OUTPUT ${folder}.stamp
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    ${commands}
    COMMAND ${CMAKE_COMMAND} -E touch ${folder}.stamp
    DEPENDS heif_maker
    COMMENT "Writing ${what}")
  add_custom_target(${target} DEPENDS ${folder}.stamp)
endfunction()
