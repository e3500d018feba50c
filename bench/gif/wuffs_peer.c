/* The second peer of gif_bench: the single-file C release of Wuffs, compiled here only
 * (never into the program), behind one function so that its macros stay in this file. */
#include "wuffs_peer.h"

#include <stdlib.h>

#define WUFFS_IMPLEMENTATION
#define WUFFS_CONFIG__MODULES
#define WUFFS_CONFIG__MODULE__BASE
#define WUFFS_CONFIG__MODULE__GIF
#define WUFFS_CONFIG__MODULE__LZW
#include "wuffs-v0.4.c"

/* Every frame to 8-bit palette indexes, each written over its place in one canvas-sized
 * buffer: the decoder, the canvas and its palette are allocated here for each call, as
 * galimo and giflib allocate what they decode into. The decoder's own tables are left
 * uninitialised, its fastest setting. */
long WuffsDecodeIndexes(const uint8_t* data, size_t size, unsigned* checksum)
{
    wuffs_gif__decoder* dec = (wuffs_gif__decoder*)malloc(sizeof__wuffs_gif__decoder());
    if (!dec) return -1;
    long frames = -1;
    uint8_t* canvas = NULL;
    uint8_t* work = NULL;
    if (wuffs_gif__decoder__initialize(dec, sizeof__wuffs_gif__decoder(), WUFFS_VERSION,
                                       WUFFS_INITIALIZE__LEAVE_INTERNAL_BUFFERS_UNINITIALIZED)
            .repr)
        goto done;

    wuffs_base__io_buffer src = wuffs_base__ptr_u8__reader((uint8_t*)data, size, true);
    wuffs_base__image_config ic = {0};
    if (wuffs_gif__decoder__decode_image_config(dec, &ic, &src).repr) goto done;
    const uint32_t w = wuffs_base__pixel_config__width(&ic.pixcfg);
    const uint32_t h = wuffs_base__pixel_config__height(&ic.pixcfg);
    wuffs_base__pixel_config__set(&ic.pixcfg, WUFFS_BASE__PIXEL_FORMAT__INDEXED__BGRA_BINARY,
                                  WUFFS_BASE__PIXEL_SUBSAMPLING__NONE, w, h);
    /* The palette's 1024 bytes come first, then the canvas's indexes. */
    const size_t n = WUFFS_BASE__PIXEL_FORMAT__INDEXED__PALETTE_BYTE_LENGTH + (size_t)w * h;
    canvas = (uint8_t*)malloc(n);
    if (!canvas) goto done;
    wuffs_base__pixel_buffer pb;
    if (wuffs_base__pixel_buffer__set_from_slice(&pb, &ic.pixcfg, wuffs_base__make_slice_u8(canvas, n)).repr)
        goto done;
    const size_t workLen = (size_t)wuffs_gif__decoder__workbuf_len(dec).max_incl;
    work = workLen ? (uint8_t*)malloc(workLen) : NULL;
    if (workLen && !work) goto done;

    long count = 0;
    for (;;) {
        const wuffs_base__status s = wuffs_gif__decoder__decode_frame(
            dec, &pb, &src, WUFFS_BASE__PIXEL_BLEND__SRC, wuffs_base__make_slice_u8(work, workLen), NULL);
        if (s.repr == wuffs_base__note__end_of_data) break;
        if (s.repr) goto done;
        ++count;
    }
    *checksum += canvas[n - 1];
    frames = count;
done:
    free(work);
    free(canvas);
    free(dec);
    return frames;
}
