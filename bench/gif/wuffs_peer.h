/* Wuffs as a peer of the GIF benchmark (see wuffs_peer.c). */
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Decodes every frame of a GIF file held in memory; answers the number of frames, or -1
 * when Wuffs refuses the data. Adds a byte of the result to *checksum. */
long WuffsDecodeIndexes(const uint8_t* data, size_t size, unsigned* checksum);

#ifdef __cplusplus
}
#endif
