// Link-time replacement of calloc for the seam tests: glibc's own calloc,
// made to fail on demand.
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "seams/allocation_faults.hpp"

#if defined(__SANITIZE_ADDRESS__)
#define QUILLET_SANITIZED_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLET_SANITIZED_ALLOCATOR 1
#endif
#endif

namespace quillet_test {
namespace {

struct AllocationPlan {
    bool planned = false;
    bool counting = false;
    int calls = 0;
    int failing_call = 0;
};

AllocationPlan plan;

}  // namespace

#ifdef QUILLET_SANITIZED_ALLOCATOR
bool allocation_faults_available() { return false; }
#else
bool allocation_faults_available() { return true; }
#endif

void fail_allocation_call(int n) { plan = AllocationPlan{true, false, 0, n}; }

void arm_allocation_faults(bool armed) { plan.counting = plan.planned && armed; }

int stop_allocation_faults() {
    const int calls = plan.calls;
    plan = AllocationPlan{};
    return calls;
}

}  // namespace quillet_test

#ifndef QUILLET_SANITIZED_ALLOCATOR
extern "C" void* __libc_calloc(std::size_t count, std::size_t size);

extern "C" void* calloc(std::size_t count, std::size_t size) {
    using quillet_test::plan;
    if (plan.counting && ++plan.calls == plan.failing_call) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_calloc(count, size);
}

namespace {

// Whether this allocation is the one that fails.
bool fails_now() {
    using quillet_test::plan;
    return plan.counting && ++plan.calls == plan.failing_call;
}

void* allocate(std::size_t size) {
    if (fails_now()) throw std::bad_alloc();
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
#endif
