/* The C side of JPEG decoding: everything that runs inside the JPEG library's frames.
 *
 * The library reports fatal errors by calling a hook that must not return. Its sanctioned
 * way out is setjmp/longjmp, and a longjmp (like a C++ exception) must never cross C++
 * frames. So every call into the library happens here, in C, behind a setjmp of the step
 * function that made it; each step returns a code and the C++ caller raises the exception
 * once it is back in its own frames. The only call out to C++ from inside the library is
 * the progress callback, which is noexcept and answers "go on" or "stop".
 *
 * Return codes of the steps: 0 success, > 0 the library's message code of a fatal error,
 * < 0 one of the GALIMO_JPEG_ codes below. */
#ifndef GALIMO_JPEGGLUE_H
#define GALIMO_JPEGGLUE_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    GALIMO_JPEG_STOPPED = -1, /* the progress callback asked to stop */
    GALIMO_JPEG_TOO_BIG = -2, /* the header asks for more pixels than we allow */
    GALIMO_JPEG_NO_MEMORY = -3 /* the context itself could not be allocated */
};

/* More pixels than this would be a bitmap of over a gigabyte: refused before allocation. */
#define GALIMO_JPEG_MAX_PIXELS (1ULL << 28)

typedef struct galimo_jpeg galimo_jpeg;

typedef struct galimo_jpeg_header {
    unsigned width, height;
    int components;
    int grey;        /* the file's own colour space is grey */
    int multi_scan;  /* progressive or otherwise several scans */
    int four_colour; /* CMYK or YCCK */
} galimo_jpeg_header;

typedef struct galimo_jpeg_params {
    int grey_output;          /* force grey output */
    int speed;                /* 1: fast DCT, one-pass quantiser, ordered dither */
    int palette_output;       /* 1: quantise colour output to 8 bits */
    int scale;                /* 0..3: 1/1 .. 1/8 */
    int scale_eighths;        /* 1..7: decode at that many eighths instead; 0: as scale says */
    int block_smoothing;
    const unsigned char* colour_map; /* assigned palette as R,G,B triplets, or NULL */
    int colour_map_size;
} galimo_jpeg_params;

typedef struct galimo_jpeg_output {
    unsigned width, height;
    int indexed;        /* 1: one byte per pixel, index into the colour map */
    int map_components; /* 1 grey, 3 red, green, blue */
    int map_size;       /* actual number of colours, 0 when there is no map */
    const unsigned char* map[3];
} galimo_jpeg_output;

/* Progress callback: the library's counters and the rows output so far. Returns 0 to go
 * on, anything else to stop decoding (the step then returns GALIMO_JPEG_STOPPED). */
typedef int (*galimo_jpeg_progress_fn)(void* owner, long pass_counter, long pass_limit, int completed_passes,
                                       int total_passes, unsigned output_row, unsigned output_height);

/* A decompressor over size bytes at data (kept by the caller until close). The memory
 * source refills a 4096-byte buffer from them. Returns NULL only when out of memory; the
 * library's own creation error is returned through code. */
galimo_jpeg* galimo_jpeg_open(const unsigned char* data, size_t size, galimo_jpeg_progress_fn progress, void* owner,
                              int* code);
/* Destroys the decompressor; safe on NULL and after any failed step. */
void galimo_jpeg_close(galimo_jpeg* jpeg);

int galimo_jpeg_read_header(galimo_jpeg* jpeg, galimo_jpeg_header* header);
/* Decoding parameters; call after the header. */
int galimo_jpeg_setup(galimo_jpeg* jpeg, const galimo_jpeg_params* params);
/* Starts decompression (multi-scan files and two-pass quantisation read everything here). */
int galimo_jpeg_start(galimo_jpeg* jpeg, galimo_jpeg_output* output);
/* Reads every remaining row, one a call, row k to first_row + k * stride: one byte a pixel
 * when the output is indexed, else four (blue, green, red, 0xFF). */
int galimo_jpeg_read_rows(galimo_jpeg* jpeg, unsigned char* first_row, ptrdiff_t stride);
int galimo_jpeg_finish(galimo_jpeg* jpeg);
/* Rows written by read_rows so far (also after a failure). */
unsigned galimo_jpeg_rows_done(const galimo_jpeg* jpeg);

/* How many of the bytes to give the library: all, or a truncated file cut before its last
 * incomplete marker segment. */
size_t galimo_jpeg_usable_length(const unsigned char* data, size_t size);

/* One row of Adobe-style inverted CMYK to blue, green, red, 0xFF. Exposed for tests. */
void galimo_jpeg_cmyk_row(const unsigned char* cmyk, unsigned char* bgra, unsigned width, int inverted);

#ifdef __cplusplus
}
#endif

#endif
