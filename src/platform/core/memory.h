// How the C library's allocator treats the large blocks pictures live in.
#pragma once

namespace galimo {

// Decoded photos and their reduced copies are blocks of megabytes, made and dropped for every
// photo shown and every thumbnail. By default each such block is taken fresh from the system
// and given back when freed, so every one of its pages is faulted in again, zeroed, at each
// use: on a virtual machine that costs more than decoding the photo. Blocks up to 64 MiB are
// kept in the allocator's heaps instead, and up to 128 MiB freed at a heap's top is kept for
// the next picture. Called first thing in main, before any thread.
void KeepPictureBlocksForReuse();

}  // namespace galimo
