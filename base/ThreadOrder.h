#pragma once
// Orderings between threads that a library guarantees but ThreadSanitizer
// cannot see.
//
// GLib and GStreamer hand work between their threads with futexes, which
// ThreadSanitizer does not follow: to it, a GStreamer streaming thread and
// the thread that built the pipeline never synchronise. Where our code relies
// on such an ordering (a callback sees the fields set before the state change
// that started it; a pipeline's callbacks are over once
// gst_element_set_state(NULL) has returned), it states it here, so that the
// races that remain visible are our own. Both calls compile to nothing
// unless the build uses ThreadSanitizer.

#if defined(__SANITIZE_THREAD__)
#define LUMIDEX_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define LUMIDEX_THREAD_SANITIZER 1
#endif
#endif

#ifdef LUMIDEX_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace lumidex {

// Everything this thread did so far happens before whatever a thread does
// after a later happensAfter(tag) on the same tag.
inline void happensBefore([[maybe_unused]] const void* tag) {
#ifdef LUMIDEX_THREAD_SANITIZER
    __tsan_release(const_cast<void*>(tag));
#endif
}

// The other half of happensBefore(tag).
inline void happensAfter([[maybe_unused]] const void* tag) {
#ifdef LUMIDEX_THREAD_SANITIZER
    __tsan_acquire(const_cast<void*>(tag));
#endif
}

}  // namespace lumidex
