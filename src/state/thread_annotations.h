// Clang's thread-safety attributes, so that the compiler checks which code holds which
// lock (-Wthread-safety in the Clang build); other compilers read them as nothing.
#pragma once

#if defined(__clang__)
#define RAVOCHAT_TSA(x) __attribute__((x))
#else
#define RAVOCHAT_TSA(x)
#endif

#define CAPABILITY(x) RAVOCHAT_TSA(capability(x))
#define SCOPED_CAPABILITY RAVOCHAT_TSA(scoped_lockable)
#define GUARDED_BY(x) RAVOCHAT_TSA(guarded_by(x))
#define REQUIRES(...) RAVOCHAT_TSA(requires_capability(__VA_ARGS__))
#define ACQUIRE(...) RAVOCHAT_TSA(acquire_capability(__VA_ARGS__))
#define RELEASE(...) RAVOCHAT_TSA(release_capability(__VA_ARGS__))
#define EXCLUDES(...) RAVOCHAT_TSA(locks_excluded(__VA_ARGS__))
#define RETURN_CAPABILITY(x) RAVOCHAT_TSA(lock_returned(x))
#define NO_THREAD_SAFETY_ANALYSIS RAVOCHAT_TSA(no_thread_safety_analysis)
