# Warnings are errors in our own code; third-party headers come in as SYSTEM includes.
function(fenmoor_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
        -Wno-missing-field-initializers)
endfunction()
