# quillmere_unity(<target>)
# Compiles the target's sources as unity sources of eight files each, so the Qt and standard
# headers are parsed a few times per library instead of once per file. Every build does it, the
# tests' as well as `make run`'s, so the suite always tests the objects that are shipped. The
# files of one library must therefore not define the same name at file scope (anonymous
# namespaces included), nor bring names into file scope with using-directives.
function(quillmere_unity target)
  if(QUILLMERE_UNITY_BUILD)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
    # A class holding a type of its own file's anonymous namespace is fine; gcc warns of it only
    # because, included in a unity source, the file looks like a header to it.
    target_compile_options(${target} PRIVATE
                           $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>)
  endif()
endfunction()

# quillmere_library(<name> [LINK <targets>...])
# A static library made of every .cpp under the calling folder (subfolders included), so that
# adding a source file needs no edit here. A folder with headers only becomes an INTERFACE
# library. Includes are spelled from the source root: #include "engine/package/Package.h".
function(quillmere_library name)
  cmake_parse_arguments(Q "" "" "LINK;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(pattern IN LISTS Q_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${pattern}")
  endforeach()
  set(cpp ${sources})
  list(FILTER cpp INCLUDE REGEX "\\.cpp$")
  if(cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${Q_LINK})
    quillmere_unity(${name})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${Q_LINK})
  endif()
endfunction()

# quillmere_add_test(<name> <command> [arguments...])
# One ctest entry that runs its command in folders of its own (home, configuration, data,
# cache, runtime, temporary; see isolated-test.sh), fresh on every run, headless.
function(quillmere_add_test name)
  add_test(NAME ${name}
           COMMAND ${PROJECT_SOURCE_DIR}/cmake/isolated-test.sh
                   ${CMAKE_BINARY_DIR}/test-env/${name} ${ARGN})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QUILLMERE_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

# quillmere_qtest(<name> SOURCES <files>... [LINK <targets>...])
# One QtTest executable (QTEST_MAIN or QTEST_GUILESS_MAIN in its source), run by ctest headless.
function(quillmere_qtest name)
  cmake_parse_arguments(Q "" "" "SOURCES;LINK" ${ARGN})
  add_executable(${name} ${Q_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${Q_LINK})
  quillmere_add_test(${name} $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()

# quillmere_gtest(<name> SOURCES <files>... [LINK <targets>...])
# One GoogleTest executable, run by ctest as one test (its cases report in its output), with
# the same environment as the QtTest programs.
function(quillmere_gtest name)
  cmake_parse_arguments(Q "" "" "SOURCES;LINK" ${ARGN})
  add_executable(${name} ${Q_SOURCES})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main ${Q_LINK})
  quillmere_add_test(${name} $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()
