# Warnings every target of ours compiles with; CI turns them into errors.
add_library(marivel_warnings INTERFACE)
target_compile_options(marivel_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow)
if(MARIVEL_WERROR)
  target_compile_options(marivel_warnings INTERFACE -Werror)
endif()
