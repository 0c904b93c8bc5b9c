# Warnings, sanitizers and source-path mapping shared by every target of the project.

# Error texts carry "<source path>:<line>"; map the checkout's absolute path away so
# they show repository-relative paths such as libqzvalue/src/qzvalue.cpp.
add_compile_options("-fmacro-prefix-map=${PROJECT_SOURCE_DIR}/=")

if(QZ_SANITIZE AND QZ_TSAN)
  message(FATAL_ERROR "QZ_SANITIZE and QZ_TSAN exclude each other: pick one sanitizer build")
endif()
if(QZ_SANITIZE)
  set(QZ_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer)
elseif(QZ_TSAN)
  set(QZ_SANITIZE_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
endif()
if(QZ_SANITIZE_FLAGS)
  add_compile_options(${QZ_SANITIZE_FLAGS})
  add_link_options(${QZ_SANITIZE_FLAGS})
endif()

function(qz_strict_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
