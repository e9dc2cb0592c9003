#include "core/hive_format/cut_short_guard.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>

namespace platform {

namespace {

// A few slots the signal handler can read without taking a lock: a range
// counts once its start is set, and stops counting when the start is zeroed.
struct Slot {
    std::atomic<std::uintptr_t> start{0};
    std::atomic<std::size_t> length{0};
    std::atomic<bool> cut{false};
    std::atomic<bool> taken{false};
};
constexpr int kSlots = 64;
Slot slots[kSlots];
std::uintptr_t pageSize = 4096;
struct sigaction previous {};

void passOn(int signal, siginfo_t* info, void* context)
{
    if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction != nullptr) {
        previous.sa_sigaction(signal, info, context);
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
    } else {
        // The faulting access runs again and the default action ends the process.
        ::signal(signal, SIG_DFL);
    }
}

void onBusError(int signal, siginfo_t* info, void* context)
{
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Slot& slot : slots) {
        const std::uintptr_t start = slot.start.load(std::memory_order_acquire);
        if (start == 0 || address - start >= slot.length.load(std::memory_order_relaxed))
            continue;
        // A private page of zeros in place of the vanished one; the access
        // that faulted then reads it.
        void* page = reinterpret_cast<void*>(address & ~(pageSize - 1));
        if (::mmap(page, pageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED)
            break;
        slot.cut.store(true, std::memory_order_release);
        return;
    }
    passOn(signal, info, context);
}

void installHandler()
{
    pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &previous);
}

} // namespace

CutShortGuard::CutShortGuard(const void* start, std::size_t length)
{
    static std::once_flag installed;
    std::call_once(installed, installHandler);
    for (int i = 0; i < kSlots; ++i) {
        if (slots[i].taken.exchange(true))
            continue;
        slots[i].cut.store(false);
        slots[i].length.store(length);
        slots[i].start.store(reinterpret_cast<std::uintptr_t>(start), std::memory_order_release);
        slot_ = i;
        return;
    }
    errno = EMFILE;
}

CutShortGuard::~CutShortGuard()
{
    if (slot_ < 0)
        return;
    slots[slot_].start.store(0, std::memory_order_release);
    slots[slot_].taken.store(false);
}

bool CutShortGuard::cutShort() const
{
    return slot_ >= 0 && slots[slot_].cut.load(std::memory_order_acquire);
}

} // namespace platform
