# Warnings are errors everywhere; the product is also hardened.
add_compile_options(-Wall -Wextra -Werror -Wshadow -Wnull-dereference
                    $<$<CXX_COMPILER_ID:GNU>:-Wduplicated-cond>
                    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions> $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>)

if(WIN32)
  # No mingw runtime DLLs, no link time stamp (the same sources give the same
  # bytes); the image relocates (its .reloc section kept),
  # runs with NX, and says it registers no SEH handlers (this compiler's
  # i686 code registers none) instead of failing a SafeSEH check.
  add_compile_options(-fstack-protector-strong -D_FORTIFY_SOURCE=2 -DWIN32_LEAN_AND_MEAN
                      -ffunction-sections -fdata-sections -DNOMINMAX -D_WIN32_WINNT=0x0601)
  add_link_options(-s -Wl,--gc-sections -static -static-libgcc -static-libstdc++ -fstack-protector-strong
                   -Wl,--dynamicbase -Wl,--nxcompat -Wl,--no-seh
                   -Wl,--no-insert-timestamp)
endif()
