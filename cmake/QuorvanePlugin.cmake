# quorvane_plugin(NAME <name> DELIVERABLE <Glow|Spokewash|...> SOURCES ... [LIBS ...]
#                 [OUTPUT_DIRECTORY <dir>])
# builds the plug-in library <name>.so (no lib prefix) into ${CMAKE_BINARY_DIR}/plugins/ with
# only EntryPointFunc and QuorvaneDescribeControls exported, writes its property list
# <name>.pipl beside it, and registers a test that checks the exports.
#
# Run as a script (cmake -DQUORVANE_CHECK_EXPORTS_OF=<library> -DQUORVANE_NM=<nm> -P this
# file), it performs that check.

set(QUORVANE_EXPORTED_SYMBOLS EntryPointFunc QuorvaneDescribeControls)

if(CMAKE_SCRIPT_MODE_FILE AND DEFINED QUORVANE_CHECK_EXPORTS_OF)
  execute_process(COMMAND ${QUORVANE_NM} -D --defined-only ${QUORVANE_CHECK_EXPORTS_OF}
                  OUTPUT_VARIABLE listing RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot list the symbols of ${QUORVANE_CHECK_EXPORTS_OF}")
  endif()
  string(REGEX MATCHALL "[^\n]+" lines "${listing}")
  set(exported)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^.* ([^ ]+)$" "\\1" symbol "${line}")
    list(APPEND exported ${symbol})
  endforeach()
  list(SORT exported)
  set(expected ${QUORVANE_EXPORTED_SYMBOLS})
  list(SORT expected)
  if(NOT exported STREQUAL expected)
    message(FATAL_ERROR "${QUORVANE_CHECK_EXPORTS_OF} exports '${exported}', "
                        "expected exactly '${expected}'")
  endif()
  return()
endif()

set(QUORVANE_PLUGIN_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

function(quorvane_plugin)
  cmake_parse_arguments(P "" "NAME;DELIVERABLE;OUTPUT_DIRECTORY" "SOURCES;LIBS" ${ARGN})
  if(NOT P_NAME OR NOT P_DELIVERABLE OR NOT P_SOURCES)
    message(FATAL_ERROR "quorvane_plugin needs NAME, DELIVERABLE and SOURCES")
  endif()
  set(name ${P_NAME})
  set(dir ${CMAKE_BINARY_DIR}/plugins)
  if(P_OUTPUT_DIRECTORY)
    set(dir ${P_OUTPUT_DIRECTORY})
  endif()

  set(exports_map ${CMAKE_BINARY_DIR}/quorvane_plugin_exports.map)
  if(NOT EXISTS ${exports_map})
    list(JOIN QUORVANE_EXPORTED_SYMBOLS "; " global)
    file(WRITE ${exports_map} "{\n  global: ${global};\n  local: *;\n};\n")
  endif()

  add_library(${name} MODULE ${P_SOURCES})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${dir}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${exports_map})
  target_link_libraries(${name} PRIVATE quorvane_ae ${P_LIBS})
  # The version script also hides what the standard library's headers would export.
  target_link_options(${name} PRIVATE "LINKER:--version-script=${exports_map}"
                      "LINKER:--no-undefined")
  quorvane_gbk_texts(${name})

  string(TOLOWER ${P_DELIVERABLE} deliverable)
  set(pipl ${dir}/${name}.pipl)
  add_custom_command(OUTPUT ${pipl}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND quorvane_pipl ${deliverable} ${pipl}
    DEPENDS quorvane_pipl
    COMMENT "Property list ${name}.pipl"
    VERBATIM)
  add_custom_target(${name}_pipl ALL DEPENDS ${pipl})
  add_dependencies(${name} ${name}_pipl)

  add_test(NAME ${name}_exports
    COMMAND ${CMAKE_COMMAND} -DQUORVANE_CHECK_EXPORTS_OF=$<TARGET_FILE:${name}>
            -DQUORVANE_NM=${CMAKE_NM} -P ${QUORVANE_PLUGIN_SCRIPT})
endfunction()
