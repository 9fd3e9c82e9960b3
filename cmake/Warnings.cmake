# Project-wide compile settings for every target Tovrin builds.
add_compile_options(-Wall -Wextra -Wpedantic)
# Every text's encoding is a decision: no implicit conversion from char*.
add_compile_definitions(QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)

# Builds one of the static libraries under src/: every .cpp beside it.
function(tovrin_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LINKS})
endfunction()

# One GoogleTest executable, registered with CTest case by case. LABELS are
# given to each case (`threads`: the cases the tsan preset runs).
function(tovrin_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} tovrin_test_support GTest::gtest GTest::gtest_main)
  # A hung case fails after ten minutes instead of holding CI to its limit.
  # The discovered tests take one environment variable: gtest_discover_tests
  # splits a list value into separate properties. The build tree the samples
  # are cached in is compiled into the test support library instead.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 600 ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS "${ARG_LABELS}")
endfunction()
