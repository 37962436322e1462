# The program folder is the folder of the executable: it carries the slider
# engine and the shipped resources. Copy them next to the executables at build
# time so the editor, the command line tool and the tests all find them.
set(MARIVEL_PROGRAM_DIR ${CMAKE_BINARY_DIR}/bin)
set(MARIVEL_ENGINE_SOURCE ${CMAKE_SOURCE_DIR}/engine/tessaline.js)

add_custom_command(
  OUTPUT ${MARIVEL_PROGRAM_DIR}/tessaline.js
  COMMAND ${CMAKE_COMMAND} -E make_directory ${MARIVEL_PROGRAM_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${MARIVEL_ENGINE_SOURCE} ${MARIVEL_PROGRAM_DIR}/tessaline.js
  DEPENDS ${MARIVEL_ENGINE_SOURCE}
  COMMENT "Copying the slider engine beside the executables")

add_custom_target(marivel_program_files ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/resources ${MARIVEL_PROGRAM_DIR}
  DEPENDS ${MARIVEL_PROGRAM_DIR}/tessaline.js
  COMMENT "Copying help, samples and templates beside the executables")
