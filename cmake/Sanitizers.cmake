# Builds for finding faults rather than for shipping.
#
# MARIVEL_SANITIZE: everything is built with AddressSanitizer and
# UndefinedBehaviorSanitizer; undefined behaviour stops the program instead
# of letting it carry on, so a test that meets any fails.
#
# MARIVEL_THREAD_SANITIZE: everything is built with ThreadSanitizer, which
# reports data races between the image preparers' worker threads and the
# threads that wait for them. It cannot be combined with AddressSanitizer.
#
# MARIVEL_FUZZ: the libFuzzer targets of tests/fuzz (clang only). The core is
# built with the fuzzer's coverage instrumentation; tests/fuzz registers a
# short run of each target over its seed corpus with CTest.
option(MARIVEL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(MARIVEL_THREAD_SANITIZE "Build with ThreadSanitizer" OFF)
option(MARIVEL_FUZZ "Build the libFuzzer targets (needs clang)" OFF)

if(MARIVEL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(MARIVEL_THREAD_SANITIZE)
  if(MARIVEL_SANITIZE)
    message(FATAL_ERROR "MARIVEL_THREAD_SANITIZE and MARIVEL_SANITIZE cannot be used together")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(MARIVEL_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "MARIVEL_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang")
endif()
