# Every project target gets the same warning set; the tree is kept warning-free.
add_library(mw_warnings INTERFACE)
target_compile_options(mw_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wformat=2
    $<$<BOOL:${MW_WERROR}>:-Werror>)
