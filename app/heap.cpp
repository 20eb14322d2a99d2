// The C++ allocation operators of the exe, on the C heap. The runtime's own
// operator new throws bad_alloc, which drags the exception machinery into a
// program built without exceptions; running out of memory ends the process
// here just as an unhandled bad_alloc would.
#include <cstdlib>
#include <new>

void* operator new(std::size_t size) {
    void* const block = std::malloc(size ? size : 1);
    if (!block) std::abort();
    return block;
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
