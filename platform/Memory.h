#pragma once

namespace platform {

// Sets up the allocator for a process that handles buffers of many megabytes which come and go
// with every chart (parts, cells, clipboard bytes). Call once, first thing in main, before any
// thread starts. Does nothing where the C library offers no such setting.
//
// With glibc, each freed large buffer raises the size from which buffers get a mapping of their
// own, so that later ones are carved from the heap, whose freed pages stay with the process: a
// copy run of heavy charts then keeps tens of megabytes it no longer uses. A fixed size of one
// megabyte gives each large buffer its own mapping, handed back to the system when freed.
void configureMemory();

}  // namespace platform
