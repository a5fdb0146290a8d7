# lumetto_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [QT])
# Builds one GoogleTest program and registers each of its tests with CTest.
# QT marks tests that create widgets: they run on Qt's offscreen platform.
function(lumetto_test name)
  cmake_parse_arguments(T "QT" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  set(env "LUMETTO_BIN_DIR=${CMAKE_BINARY_DIR}/bin" "LUMETTO_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  if(T_QT)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  # The settings reach each test through "cmake -E env": a list in the
  # ENVIRONMENT property does not survive gtest_discover_tests.
  # A cross-built test (Windows) is run by its own script, not through CTest.
  if(NOT CMAKE_CROSSCOMPILING)
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${CMAKE_COMMAND};-E;env;${env}")
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
  endif()
endfunction()

# The libraries of plain C++ (no Qt): built with the stricter warnings below.
set(LUMETTO_PLAIN_LIBS lumetto_codec lumetto_link lumetto_media lumetto_media_ffmpeg lumetto_platform
    lumetto_display_core lumetto_ports lumetto_app_core lumetto_test_support)

# lumetto_library(NAME SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
function(lumetto_library name)
  cmake_parse_arguments(L "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  # The plain C++ cores also keep shadowing and silent conversions out.
  if(name IN_LIST LUMETTO_PLAIN_LIBS)
    target_compile_options(${name} PRIVATE -Wshadow -Wconversion -Wsign-conversion)
  endif()
  target_link_libraries(${name} PUBLIC ${L_PUBLIC_LIBS} PRIVATE ${L_PRIVATE_LIBS})
endfunction()
