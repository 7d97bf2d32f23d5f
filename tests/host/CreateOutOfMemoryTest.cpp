// KelPlugin_create when memory runs out: a host sees null, never an exception.
//
// This executable replaces the global allocation functions, and exports them, so that the
// plug-in loaded into it allocates through them. While `failAllocations` is set every
// allocation fails the way the standard allocator would.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "kelhost/PluginLibrary.h"

namespace {
bool failAllocations = false;

void* allocate(std::size_t size) noexcept {
    return failAllocations ? nullptr : std::malloc(size == 0 ? 1 : size);
}
}  // namespace

void* operator new(std::size_t size) {
    if (void* memory = allocate(size)) {
        return memory;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return ::operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}

namespace {

TEST(CreateOutOfMemory, ReturnsNullAndTheLibraryStaysUsable) {
    std::string error;
    auto library = kelhost::PluginLibrary::load(KEL_PLUGIN_PATH, &error);
    ASSERT_NE(library, nullptr) << error;

    failAllocations = true;
    KelPluginInterface::KelPlugin* target = library->create();
    failAllocations = false;
    EXPECT_EQ(nullptr, target);

    kelhost::TargetPtr later = kelhost::makeTarget(*library);
    ASSERT_NE(later, nullptr);
    EXPECT_FALSE(later->isOpened());
}

}  // namespace
