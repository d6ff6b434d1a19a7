#pragma once

// How the C library's allocator serves this program: runs build tables of
// hundreds of megabytes and drop them again, so memory freed is kept for
// what comes next instead of being given back and faulted in afresh.

namespace veralith::platform {

// Call once at the start of main, before anything large is allocated:
// - blocks of up to 64 MiB come from the heap, not from mappings of their
//   own (a mapping's pages are faulted in anew each time a table grows into
//   a larger one, and given back when the smaller one is freed);
// - up to 256 MiB free at the heap's top stays there for later tables;
// - the heap grows 32 MiB at a time (address space only: pages are faulted
//   in as they are first used).
// Where the C library offers no such settings it does nothing.
void TuneAllocator();

} // namespace veralith::platform
