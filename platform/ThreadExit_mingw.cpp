// When a thread ends, MinGW-w64's thread library calls the destructors of
// its thread keys in the order the keys were made. Two keys matter here:
// libgcc's, under which it keeps every thread's thread_local variables
// (emulated TLS), and libstdc++'s, under which it keeps the destructors of a
// thread's thread_local objects. libgcc makes its key at the first use of
// any thread_local, which comes before the first such object is built; so
// by default each thread's thread_local storage is freed first and its
// objects are destroyed afterwards, in freed memory. Every worker thread
// that touched such an object (Qt has some: the regular expressions' JIT
// stack) then frees garbage when it ends, and under Wine, whose heap
// overwrites what is freed, faults inside the thread's end, which leaves
// the thread library's lock of its keys taken and hangs the program when
// it exits.
//
// Registering one thread-exit destructor before any thread_local is used
// makes libstdc++'s key the first: objects are destroyed while their
// storage is still there. This runs before the program's other static
// initialisers, and the DLLs it loads use no thread_local before it.

extern "C" int __cxa_thread_atexit(void (*destructor)(void*), void* object, void* dso);
extern "C" void* __dso_handle;

namespace {

void nothing(void*) { }

[[gnu::constructor(101)]] void destroyThreadLocalsBeforeTheirStorage()
{
    __cxa_thread_atexit(nothing, nullptr, &__dso_handle);
}

} // namespace
