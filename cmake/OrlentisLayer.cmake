# One layer of the program: a static library from an explicit list of sources, linked only to
# the layers below it. Which headers a layer may include is checked by scripts/check-layers.py.
function(orlentis_layer name)
  cmake_parse_arguments(LAYER "" "" "SOURCES;LINKS" ${ARGN})
  add_library(orlentis_${name} STATIC ${LAYER_SOURCES})
  target_include_directories(orlentis_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_definitions(orlentis_${name} PUBLIC
    ORLENTIS_VERSION="${PROJECT_VERSION}" ASIO_NO_DEPRECATED)
  target_link_libraries(orlentis_${name} PUBLIC ${LAYER_LINKS})
endfunction()

# Compiles files of resources/ into a layer: entries are "path=symbol" pairs, header the
# declaration of the symbols.
function(orlentis_embed output header)
  set(paths "")
  foreach(entry ${ARGN})
    string(REPLACE "=" ";" parts "${entry}")
    list(GET parts 0 path)
    list(APPEND paths ${path})
  endforeach()
  string(JOIN "," entries ${ARGN})
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${output} -DHEADER=${header} -DENTRIES=${entries}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedResources.cmake
    DEPENDS ${paths} ${PROJECT_SOURCE_DIR}/cmake/EmbedResources.cmake
    VERBATIM)
endfunction()
