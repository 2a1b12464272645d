# Warnings in our own code (errors with FENMOOR_WERROR); third-party headers come in as SYSTEM
# includes.
# -Wrestrict is off: GCC 12 reports false overlaps inside std::string's operator+ at -O3
# (GCC bug 105329), which would fail only the release build.
function(fenmoor_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
        -Wno-missing-field-initializers -Wno-restrict)
    if(FENMOOR_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
