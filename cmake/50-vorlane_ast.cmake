# The syntax-tree graph builder: the tree-sitter runtime and grammars built from their
# npm packages, library vorlane_ast_lib, top-level module vorlane_ast with its command,
# the small runtime and grammar modules beside it, and the vorlane_ast test suite.

# Pinned sources, fetched once with `npm pack` into dist/tree-sitter (shared by every
# build folder of this checkout) and unpacked there; nothing of them is committed.
set(TS_PACKAGES tree-sitter@0.25.1 tree-sitter-typescript@0.23.2 tree-sitter-javascript@0.23.1
                tree-sitter-python@0.23.6 tree-sitter-go@0.23.4)
set(TS_CACHE "${CMAKE_SOURCE_DIR}/dist/tree-sitter" CACHE PATH "where the tree-sitter packages are unpacked")
foreach(spec ${TS_PACKAGES})
  string(REPLACE "@" ";" parts ${spec})
  list(GET parts 0 pkg)
  list(GET parts 1 ver)
  set(dir "${TS_CACHE}/src/${pkg}-${ver}")
  set(tarball "${TS_CACHE}/tarballs/${pkg}-${ver}.tgz")
  if(NOT EXISTS "${dir}/package.json")
    if(NOT EXISTS "${tarball}")
      find_program(NPM npm REQUIRED)
      file(MAKE_DIRECTORY "${TS_CACHE}/tarballs")
      message(STATUS "fetching ${spec}")
      execute_process(COMMAND ${NPM} pack ${spec} --silent WORKING_DIRECTORY "${TS_CACHE}/tarballs"
                      RESULT_VARIABLE rc OUTPUT_QUIET)
      if(NOT rc EQUAL 0 OR NOT EXISTS "${tarball}")
        message(FATAL_ERROR "npm pack ${spec} failed (${rc})")
      endif()
    endif()
    file(REMOVE_RECURSE "${dir}" "${TS_CACHE}/unpack")
    file(ARCHIVE_EXTRACT INPUT "${tarball}" DESTINATION "${TS_CACHE}/unpack")
    file(MAKE_DIRECTORY "${TS_CACHE}/src")
    file(RENAME "${TS_CACHE}/unpack/package" "${dir}")
    file(REMOVE_RECURSE "${TS_CACHE}/unpack")
  endif()
  string(REPLACE "-" "_" var ${pkg})
  set(TS_DIR_${var} "${dir}")
endforeach()

# The runtime: one translation unit (its lib.c, included by the builder's walk, which uses
# the runtime's inline child iteration), on the builder's allocator. Vendored C, built
# with its own flags, no -Werror.
set(TS_LIB "${TS_DIR_tree_sitter}/vendor/tree-sitter/lib")
add_library(tree_sitter_runtime STATIC graph/vorlane_ast/runtime/walk.c graph/vorlane_ast/runtime/alloc.cpp)
set_source_files_properties(graph/vorlane_ast/runtime/walk.c PROPERTIES COMPILE_OPTIONS -w)
set_source_files_properties(graph/vorlane_ast/runtime/alloc.cpp PROPERTIES COMPILE_OPTIONS "${TARVELLE_WARNINGS}")
target_include_directories(tree_sitter_runtime SYSTEM PUBLIC "${TS_LIB}/include"
                           PRIVATE "${TS_LIB}/src" "${CMAKE_SOURCE_DIR}")
target_compile_definitions(tree_sitter_runtime PRIVATE _POSIX_C_SOURCE=200112L _DEFAULT_SOURCE)
set_target_properties(tree_sitter_runtime PROPERTIES C_STANDARD 11 C_EXTENSIONS OFF)
# Calls between the runtime's own functions bind inside the module that links it, so the
# compiler may inline them instead of going through the symbol table.
target_compile_options(tree_sitter_runtime PRIVATE -O3 -fvisibility=hidden -fno-semantic-interposition)

# One grammar: parser.c and, where the grammar has one, scanner.c of its src folder.
function(ts_grammar target srcdir)
  set(sources "${srcdir}/parser.c")
  if(EXISTS "${srcdir}/scanner.c")
    list(APPEND sources "${srcdir}/scanner.c")
  endif()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PRIVATE "${srcdir}")
  set_target_properties(${target} PROPERTIES C_STANDARD 11 C_EXTENSIONS OFF)
  target_compile_options(${target} PRIVATE -w -O3)
endfunction()
ts_grammar(ts_grammar_typescript "${TS_DIR_tree_sitter_typescript}/typescript/src")
ts_grammar(ts_grammar_tsx "${TS_DIR_tree_sitter_typescript}/tsx/src")
ts_grammar(ts_grammar_javascript "${TS_DIR_tree_sitter_javascript}/src")
ts_grammar(ts_grammar_python "${TS_DIR_tree_sitter_python}/src")
ts_grammar(ts_grammar_go "${TS_DIR_tree_sitter_go}/src")

if(NOT TARVELLE_WINDOWS OR TARVELLE_HOST_OBJECTS OR TARVELLE_WINDOWS_MODULES)
# The runtime and the grammars as the host imports them (tree_sitter, tree_sitter_go, ...),
# installed beside vorlane_ast so that they are found first and a test can hide each; on
# Windows compiled as objects only.
function(ts_host_module name source)
  if(TARVELLE_WINDOWS AND NOT TARVELLE_WINDOWS_MODULES)
    tarvelle_host_objects(${name}_pymodule host/tree_sitter/${source})
    target_include_directories(${name}_pymodule PRIVATE ${CMAKE_SOURCE_DIR})
    return()
  endif()
  pybind11_add_module(${name}_pymodule host/tree_sitter/${source} ${ARGN})
  set_target_properties(${name}_pymodule PROPERTIES OUTPUT_NAME ${name})
  target_include_directories(${name}_pymodule PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${name}_pymodule PRIVATE ${TARVELLE_WARNINGS})
  install(TARGETS ${name}_pymodule LIBRARY DESTINATION .)
endfunction()
ts_host_module(tree_sitter runtime_module.cpp)
target_link_libraries(tree_sitter_pymodule PRIVATE tree_sitter_runtime)
foreach(g typescript javascript python go)
  ts_host_module(tree_sitter_${g} grammar_${g}.cpp)
endforeach()
target_link_libraries(tree_sitter_typescript_pymodule PRIVATE ts_grammar_typescript ts_grammar_tsx)
target_link_libraries(tree_sitter_javascript_pymodule PRIVATE ts_grammar_javascript)
target_link_libraries(tree_sitter_python_pymodule PRIVATE ts_grammar_python)
target_link_libraries(tree_sitter_go_pymodule PRIVATE ts_grammar_go)

endif()

tarvelle_library(vorlane_ast_lib graph/vorlane_ast graph_kit vorlane_lib tree_sitter_runtime)
tarvelle_module(NAME vorlane_ast DEST . PACKAGE "" LIBS vorlane_ast_lib)
# The C++ tests parse with the grammars linked in directly.
tarvelle_test_suite(vorlane_ast tests/graph/vorlane_ast vorlane_ast_lib ts_grammar_typescript ts_grammar_tsx
                    ts_grammar_javascript ts_grammar_python ts_grammar_go)
