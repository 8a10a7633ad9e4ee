# Every target of the project compiles with these warnings; the tree keeps them at zero.
add_library(ravix_warnings INTERFACE)
target_compile_options(ravix_warnings INTERFACE -Wall -Wextra -Wpedantic)
option(RAVIX_WERROR "Treat warnings as errors" OFF)
if(RAVIX_WERROR)
  target_compile_options(ravix_warnings INTERFACE -Werror)
endif()
