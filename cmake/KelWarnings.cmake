# The warning set every target of the project builds with.
add_library(kel_warnings INTERFACE)
target_compile_options(kel_warnings INTERFACE
    -Wall -Wextra -Wpedantic
    -Wnon-virtual-dtor -Woverloaded-virtual
    -Wconversion -Wsign-conversion -Wshadow
    -Wcast-align -Wformat=2 -Wnull-dereference)
if(KEL_WERROR)
    target_compile_options(kel_warnings INTERFACE -Werror)
endif()
