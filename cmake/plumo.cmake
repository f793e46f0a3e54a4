# Helpers shared by the CMake files of the project.

# plumo_library(name SOURCES...): a static library of the core, seen from src/.
function(plumo_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()

# plumo_test(name SOURCES... LIBS ...): one GoogleTest program. Natively every case becomes a
# ctest test; under Wine the whole program is one test, so that one Wine start serves it.
# The ThreadSanitizer build makes only the programs whose code starts threads.
set(PLUMO_THREADED_TESTS engine_test platform_test variables_test runtime_test)
function(plumo_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  if(PLUMO_TSAN AND NOT name IN_LIST PLUMO_THREADED_TESTS)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} plumo_gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
  endif()
endfunction()

# plumo_embed_text(target file function): compiles the file's bytes into the target, returned
# by std::string_view plumo::function(). Rebuilt when the file changes.
function(plumo_embed_text target file function)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${function}.cpp)
  add_custom_command(OUTPUT ${source}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${file} -DOUTPUT=${source} -DFUNCTION=${function}
            -P ${PROJECT_SOURCE_DIR}/cmake/embed_text.cmake
    DEPENDS ${file} ${PROJECT_SOURCE_DIR}/cmake/embed_text.cmake
    COMMENT "Embedding ${file}")
  target_sources(${target} PRIVATE ${source})
endfunction()
