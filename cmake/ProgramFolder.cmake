# The program folder is the folder of the executable: it carries the slider
# engine and the shipped resources. Copy them next to the executables at build
# time so the editor, the command line tool and the tests all find them.
set(MARIVEL_PROGRAM_DIR ${CMAKE_BINARY_DIR}/bin)
set(MARIVEL_ENGINE_SOURCE ${CMAKE_SOURCE_DIR}/engine/tessaline.js)

add_custom_command(
  OUTPUT ${MARIVEL_PROGRAM_DIR}/tessaline.js
  COMMAND ${CMAKE_COMMAND} -E make_directory ${MARIVEL_PROGRAM_DIR}
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${MARIVEL_ENGINE_SOURCE} -DTARGET=${MARIVEL_PROGRAM_DIR}/tessaline.js
          -P ${CMAKE_SOURCE_DIR}/cmake/ShipEngine.cmake
  DEPENDS ${MARIVEL_ENGINE_SOURCE} ${CMAKE_SOURCE_DIR}/cmake/ShipEngine.cmake
  COMMENT "Writing the slider engine beside the executables")

# The sample project itself is written by its publishing below.
add_custom_target(marivel_program_files ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/resources/help ${MARIVEL_PROGRAM_DIR}/help
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/resources/templates ${MARIVEL_PROGRAM_DIR}/templates
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/resources/samples/index.html
          ${MARIVEL_PROGRAM_DIR}/samples/index.html
  DEPENDS ${MARIVEL_PROGRAM_DIR}/tessaline.js
  COMMENT "Copying help, samples and templates beside the executables")

# The sample shown by Help > View Sample is a live slider, so its page,
# scripts and prepared images are published at build time by this build's
# marivel-publish: they always match the sample project and the engine instead
# of going stale in the repository. The project and its originals are copied
# into the program folder and published where they lie, so the published
# project names its pictures relative to itself, as the installed one must.
set(MARIVEL_SAMPLE_SOURCE ${CMAKE_SOURCE_DIR}/resources/samples)
set(MARIVEL_SAMPLE_DIR ${MARIVEL_PROGRAM_DIR}/samples)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${MARIVEL_SAMPLE_SOURCE}/Sample.mvl)
file(STRINGS ${MARIVEL_SAMPLE_SOURCE}/Sample.mvl sample_lines)
set(sample_originals)
set(sample_prepared)
set(in_items FALSE)
set(item_index 0)
foreach(line IN LISTS sample_lines)
  if(line STREQUAL "</Item_Parameters>")
    set(in_items FALSE)
  elseif(in_items)
    # An item line: ImageFile#$@OriginalImagePath#$@...
    if(line MATCHES "^[^#]*#\\$@([^#]+)#\\$@")
      list(APPEND sample_originals ${MARIVEL_SAMPLE_SOURCE}/${CMAKE_MATCH_1})
      list(APPEND sample_prepared ${MARIVEL_SAMPLE_DIR}/slider${item_index}.jpg)
    endif()
    math(EXPR item_index "${item_index} + 1")
  elseif(line STREQUAL "<Item_Parameters>")
    set(in_items TRUE)
  endif()
endforeach()

add_custom_command(
  OUTPUT ${MARIVEL_SAMPLE_DIR}/Sample.html ${MARIVEL_SAMPLE_DIR}/Sample_PublishReport.txt
         ${MARIVEL_SAMPLE_DIR}/tessalinecfg.js ${MARIVEL_SAMPLE_DIR}/tessaline.css
         ${MARIVEL_SAMPLE_DIR}/tessaline.js ${MARIVEL_SAMPLE_DIR}/Sample.mvl
  BYPRODUCTS ${sample_prepared}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${MARIVEL_SAMPLE_SOURCE}/images ${MARIVEL_SAMPLE_DIR}/images
  COMMAND ${CMAKE_COMMAND} -E copy ${MARIVEL_SAMPLE_SOURCE}/Sample.mvl ${MARIVEL_SAMPLE_DIR}/Sample.mvl
  COMMAND marivel-publish ${MARIVEL_SAMPLE_DIR}/Sample.mvl > ${CMAKE_BINARY_DIR}/sample-publish.log
  DEPENDS marivel-publish ${MARIVEL_SAMPLE_SOURCE}/Sample.mvl ${sample_originals} ${MARIVEL_ENGINE_SOURCE}
  COMMENT "Publishing the sample project into the program folder")
add_custom_target(marivel_sample ALL DEPENDS ${MARIVEL_SAMPLE_DIR}/Sample.html)
