# The product built by clang for the same target, against the same mingw-w64
# headers and libraries, linked by the mingw binutils.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET i686-w64-mingw32)
set(CMAKE_CXX_COMPILER_TARGET i686-w64-mingw32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Debian names its mingw gcc directory "12-win32", which clang's toolchain
# search does not take for a version: hand it libgcc and libstdc++ directly.
execute_process(COMMAND i686-w64-mingw32-gcc -print-libgcc-file-name
                OUTPUT_VARIABLE zena_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(zena_gcc_dir "${zena_libgcc}" DIRECTORY)
set(CMAKE_CXX_FLAGS_INIT "-isystem ${zena_gcc_dir}/include/c++ -isystem ${zena_gcc_dir}/include/c++/i686-w64-mingw32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-L${zena_gcc_dir}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-L${zena_gcc_dir}")
