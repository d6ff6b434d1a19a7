#pragma once

// How this program's memory is allocated. Runs build tables of hundreds of
// megabytes out of millions of small texts and drop them again; the
// allocator is set up for that before anything is allocated.

namespace veralith::platform {

// Call once at the start of main (a program that calls it also takes the
// settings that jemalloc reads before the first allocation).
// - With jemalloc (the release build): its memory comes in huge pages where
//   the system offers them, so that filling a large table takes a page fault
//   per 2 MiB instead of per 4 KiB.
// - With the C library's allocator: blocks of up to 64 MiB come from the
//   heap rather than mappings of their own (a mapping's pages are faulted in
//   anew each time a table grows into a larger one), up to 256 MiB free at
//   the heap's top stays there for later tables, and the heap grows 32 MiB
//   at a time (address space only).
void TuneAllocator();

} // namespace veralith::platform
