/* The JPEG library's hooks and the decoding steps; see jpegglue.h for why this is C. */
#include "picture/jpegglue.h"

#include <setjmp.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <jerror.h>
#include <jpeglib.h>

#define SOURCE_BUFFER_SIZE 4096

typedef struct memory_source {
    struct jpeg_source_mgr pub;
    const unsigned char* data;
    size_t size;
    size_t position;
    JOCTET* buffer;
    boolean start_of_data;
} memory_source;

struct galimo_jpeg {
    struct jpeg_decompress_struct cinfo; /* first: the library's pointers are ours */
    struct jpeg_error_mgr err;
    struct jpeg_progress_mgr progress;
    jmp_buf jump;
    int created;
    int stopped;
    galimo_jpeg_progress_fn progress_fn;
    const unsigned char* data;
    size_t size;
    void* owner;
    int four_colour;
    JSAMPARRAY cmyk_row;
    unsigned rows_done;
};

/* --- error manager ------------------------------------------------------------------ */

static void error_exit(j_common_ptr cinfo)
{
    galimo_jpeg* jpeg = (galimo_jpeg*)cinfo;
    longjmp(jpeg->jump, 1);
}

/* Warnings and traces are not shown: a damaged file shows what can be decoded. */
static void emit_message(j_common_ptr cinfo, int level)
{
    (void)cinfo;
    (void)level;
}

static void output_message(j_common_ptr cinfo) { (void)cinfo; }

static void format_message(j_common_ptr cinfo, char* buffer)
{
    (void)cinfo;
    buffer[0] = '\0';
}

static void reset_error_mgr(j_common_ptr cinfo)
{
    cinfo->err->msg_code = 0;
    cinfo->err->num_warnings = 0;
}

static void progress_monitor(j_common_ptr cinfo)
{
    galimo_jpeg* jpeg = (galimo_jpeg*)cinfo;
    if (!jpeg->progress_fn) return;
    if (jpeg->progress_fn(jpeg->owner, jpeg->progress.pass_counter, jpeg->progress.pass_limit,
                          jpeg->progress.completed_passes, jpeg->progress.total_passes, jpeg->cinfo.output_scanline,
                          jpeg->cinfo.output_height)) {
        jpeg->stopped = 1;
        longjmp(jpeg->jump, 1);
    }
}

/* The code a step returns after a longjmp. */
static int failure_code(const galimo_jpeg* jpeg)
{
    if (jpeg->stopped) return GALIMO_JPEG_STOPPED;
    return jpeg->err.msg_code > 0 ? jpeg->err.msg_code : JMSG_LASTMSGCODE;
}

/* --- memory source ------------------------------------------------------------------ */

static void init_source(j_decompress_ptr cinfo)
{
    memory_source* src = (memory_source*)cinfo->src;
    src->start_of_data = TRUE;
}

static boolean fill_input_buffer(j_decompress_ptr cinfo)
{
    memory_source* src = (memory_source*)cinfo->src;
    size_t count = src->size - src->position;
    if (count > SOURCE_BUFFER_SIZE) count = SOURCE_BUFFER_SIZE;
    if (count == 0) {
        if (src->start_of_data) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        /* A truncated file: end it here so the library finishes with what it has. */
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->buffer[0] = (JOCTET)0xFF;
        src->buffer[1] = (JOCTET)JPEG_EOI;
        count = 2;
    } else {
        memcpy(src->buffer, src->data + src->position, count);
        src->position += count;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = count;
    src->start_of_data = FALSE;
    return TRUE;
}

static void skip_input_data(j_decompress_ptr cinfo, long num_bytes)
{
    memory_source* src = (memory_source*)cinfo->src;
    if (num_bytes <= 0) return;
    while (num_bytes > (long)src->pub.bytes_in_buffer) {
        num_bytes -= (long)src->pub.bytes_in_buffer;
        (void)fill_input_buffer(cinfo);
    }
    src->pub.next_input_byte += (size_t)num_bytes;
    src->pub.bytes_in_buffer -= (size_t)num_bytes;
}

static void term_source(j_decompress_ptr cinfo) { (void)cinfo; }

/* The library ends a truncated file well when the data stops inside a scan, but a file
 * cut inside a marker segment (a Huffman table between two progressive scans, say) ends
 * in a fatal error and loses every scan already read. So for a file that does not end
 * with its end-of-image marker, walk the segments and stop the data before a segment that
 * the file does not hold whole. */
size_t galimo_jpeg_usable_length(const unsigned char* data, size_t size)
{
    size_t i = 2;
    if (size < 4 || (data[size - 2] == 0xFF && data[size - 1] == JPEG_EOI)) return size;
    if (data[0] != 0xFF || data[1] != 0xD8) return size; /* not a JPEG: let the library say so */
    while (i + 1 < size) {
        unsigned code;
        size_t length;
        if (data[i] != 0xFF) return size; /* not where a marker should be: leave it to the library */
        code = data[i + 1];
        if (code == 0xFF) { /* fill byte */
            ++i;
            continue;
        }
        if (code == JPEG_EOI) return size;
        if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {
            i += 2;
            continue;
        }
        if (i + 4 > size) return i;
        length = (size_t)data[i + 2] << 8 | data[i + 3];
        if (i + 2 + length > size) return i;
        i += 2 + length;
        if (code == 0xDA) { /* entropy-coded data up to the next marker that is not a restart */
            while (i + 1 < size && !(data[i] == 0xFF && data[i + 1] != 0 && data[i + 1] != 0xFF &&
                                     !(data[i + 1] >= 0xD0 && data[i + 1] <= 0xD7)))
                ++i;
            if (i + 1 >= size) return size; /* cut inside the scan: the library copes */
        }
    }
    return i < size ? i : size;
}

static void attach_memory_source(j_decompress_ptr cinfo, const unsigned char* data, size_t size)
{
    memory_source* src =
        (memory_source*)(*cinfo->mem->alloc_small)((j_common_ptr)cinfo, JPOOL_PERMANENT, sizeof(memory_source));
    src->buffer = (JOCTET*)(*cinfo->mem->alloc_small)((j_common_ptr)cinfo, JPOOL_PERMANENT, SOURCE_BUFFER_SIZE);
    src->data = data;
    src->size = data ? galimo_jpeg_usable_length(data, size) : 0;
    src->position = 0;
    src->start_of_data = TRUE;
    src->pub.init_source = init_source;
    src->pub.fill_input_buffer = fill_input_buffer;
    src->pub.skip_input_data = skip_input_data;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = term_source;
    src->pub.next_input_byte = NULL;
    src->pub.bytes_in_buffer = 0;
    cinfo->src = &src->pub;
}

/* --- steps -------------------------------------------------------------------------- */

/* The bytes come through the context, not as arguments, so nothing the setjmp frame reads
 * after a longjmp lives in a register. */
static int create(galimo_jpeg* jpeg)
{
    if (setjmp(jpeg->jump)) return failure_code(jpeg);
    jpeg_CreateDecompress(&jpeg->cinfo, JPEG_LIB_VERSION, sizeof(struct jpeg_decompress_struct));
    jpeg->created = 1;
    jpeg->progress.progress_monitor = progress_monitor;
    jpeg->cinfo.progress = &jpeg->progress;
    attach_memory_source(&jpeg->cinfo, jpeg->data, jpeg->size);
    return 0;
}

galimo_jpeg* galimo_jpeg_open(const unsigned char* data, size_t size, galimo_jpeg_progress_fn progress, void* owner,
                              int* code)
{
    galimo_jpeg* jpeg = (galimo_jpeg*)calloc(1, sizeof(galimo_jpeg));
    *code = 0;
    if (!jpeg) {
        *code = GALIMO_JPEG_NO_MEMORY;
        return NULL;
    }
    jpeg->cinfo.err = jpeg_std_error(&jpeg->err);
    jpeg->err.error_exit = error_exit;
    jpeg->err.emit_message = emit_message;
    jpeg->err.output_message = output_message;
    jpeg->err.format_message = format_message;
    jpeg->err.reset_error_mgr = reset_error_mgr;
    jpeg->progress_fn = progress;
    jpeg->owner = owner;
    jpeg->data = data;
    jpeg->size = size;
    *code = create(jpeg);
    if (*code) {
        galimo_jpeg_close(jpeg);
        return NULL;
    }
    return jpeg;
}

void galimo_jpeg_close(galimo_jpeg* jpeg)
{
    if (!jpeg) return;
    if (jpeg->created) jpeg_destroy_decompress(&jpeg->cinfo);
    free(jpeg);
}

int galimo_jpeg_read_header(galimo_jpeg* jpeg, galimo_jpeg_header* header)
{
    j_decompress_ptr cinfo = &jpeg->cinfo;
    if (setjmp(jpeg->jump)) return failure_code(jpeg);
    jpeg_read_header(cinfo, TRUE);
    header->width = cinfo->image_width;
    header->height = cinfo->image_height;
    header->components = cinfo->num_components;
    header->grey = cinfo->jpeg_color_space == JCS_GRAYSCALE;
    header->multi_scan = jpeg_has_multiple_scans(cinfo) ? 1 : 0;
    header->four_colour = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    if ((unsigned long long)cinfo->image_width * cinfo->image_height > GALIMO_JPEG_MAX_PIXELS)
        return GALIMO_JPEG_TOO_BIG;
    return 0;
}

int galimo_jpeg_setup(galimo_jpeg* jpeg, const galimo_jpeg_params* params)
{
    j_decompress_ptr cinfo = &jpeg->cinfo;
    if (setjmp(jpeg->jump)) return failure_code(jpeg);
    if (params->scale_eighths > 0 && params->scale_eighths < 8) {
        cinfo->scale_num = (unsigned)params->scale_eighths;
        cinfo->scale_denom = 8;
    } else {
        cinfo->scale_num = 1;
        cinfo->scale_denom = 1u << (params->scale & 3);
    }
    cinfo->do_block_smoothing = params->block_smoothing ? TRUE : FALSE;
    jpeg->four_colour = 0;
    if (params->grey_output) {
        cinfo->out_color_space = JCS_GRAYSCALE;
    } else if (cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK) {
        /* The library gives CMYK at best; we turn it into colour rows ourselves. */
        cinfo->out_color_space = JCS_CMYK;
        jpeg->four_colour = 1;
    } else if (cinfo->out_color_space != JCS_GRAYSCALE) {
        /* Four bytes a pixel in the bitmap's own order: rows go in without a copy. The A
         * variant guarantees 0xFF in the fourth byte, which the bitmap format requires. */
        cinfo->out_color_space = params->palette_output ? JCS_RGB : JCS_EXT_BGRA;
    }
    if ((params->palette_output && !jpeg->four_colour) || cinfo->out_color_space == JCS_GRAYSCALE) {
        cinfo->quantize_colors = TRUE;
        cinfo->desired_number_of_colors = 236;
    }
    if (params->speed) {
        cinfo->dct_method = JDCT_IFAST;
        cinfo->two_pass_quantize = FALSE;
        cinfo->dither_mode = JDITHER_ORDERED;
    }
    if (cinfo->quantize_colors && params->colour_map && params->colour_map_size > 0 &&
        cinfo->out_color_space == JCS_RGB) {
        int n = params->colour_map_size > 256 ? 256 : params->colour_map_size;
        JSAMPARRAY map = (*cinfo->mem->alloc_sarray)((j_common_ptr)cinfo, JPOOL_IMAGE, (JDIMENSION)n, 3);
        for (int i = 0; i < n; ++i) {
            map[0][i] = params->colour_map[3 * i];
            map[1][i] = params->colour_map[3 * i + 1];
            map[2][i] = params->colour_map[3 * i + 2];
        }
        cinfo->colormap = map;
        cinfo->actual_number_of_colors = n;
    }
    return 0;
}

int galimo_jpeg_start(galimo_jpeg* jpeg, galimo_jpeg_output* output)
{
    j_decompress_ptr cinfo = &jpeg->cinfo;
    if (setjmp(jpeg->jump)) return failure_code(jpeg);
    jpeg_start_decompress(cinfo);
    if ((unsigned long long)cinfo->output_width * cinfo->output_height > GALIMO_JPEG_MAX_PIXELS)
        return GALIMO_JPEG_TOO_BIG;
    if (jpeg->four_colour)
        jpeg->cmyk_row = (*cinfo->mem->alloc_sarray)((j_common_ptr)cinfo, JPOOL_IMAGE, cinfo->output_width * 4, 1);
    memset(output, 0, sizeof *output);
    output->width = cinfo->output_width;
    output->height = cinfo->output_height;
    output->indexed = cinfo->quantize_colors ? 1 : 0;
    if (cinfo->quantize_colors && cinfo->colormap) {
        output->map_components = cinfo->out_color_components;
        output->map_size = cinfo->actual_number_of_colors;
        for (int i = 0; i < cinfo->out_color_components && i < 3; ++i) output->map[i] = cinfo->colormap[i];
    }
    return 0;
}

/* round(x / 255) for 0 <= x <= 255 * 255 */
static inline unsigned div255(unsigned x)
{
    x += 128;
    return (x + (x >> 8)) >> 8;
}

void galimo_jpeg_cmyk_row(const unsigned char* cmyk, unsigned char* bgra, unsigned width, int inverted)
{
    for (unsigned x = 0; x < width; ++x, cmyk += 4, bgra += 4) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        /* Inverted CMYK stores 255 - ink: each channel is what the ink and the black let
         * through. */
        bgra[0] = (unsigned char)div255(y * k);
        bgra[1] = (unsigned char)div255(m * k);
        bgra[2] = (unsigned char)div255(c * k);
        bgra[3] = 0xFF;
    }
}

int galimo_jpeg_read_rows(galimo_jpeg* jpeg, unsigned char* first_row, ptrdiff_t stride)
{
    j_decompress_ptr cinfo = &jpeg->cinfo;
    if (setjmp(jpeg->jump)) return failure_code(jpeg);
    /* Photo editors write Adobe CMYK inverted; so does every file with the Adobe marker. */
    const int inverted = cinfo->saw_Adobe_marker;
    while (cinfo->output_scanline < cinfo->output_height) {
        unsigned char* target = first_row + (ptrdiff_t)cinfo->output_scanline * stride;
        JSAMPROW row = jpeg->four_colour ? jpeg->cmyk_row[0] : target;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) break; /* only a suspending source stops here */
        if (jpeg->four_colour) galimo_jpeg_cmyk_row(jpeg->cmyk_row[0], target, cinfo->output_width, inverted);
        jpeg->rows_done = cinfo->output_scanline;
    }
    return 0;
}

int galimo_jpeg_finish(galimo_jpeg* jpeg)
{
    if (setjmp(jpeg->jump)) return failure_code(jpeg);
    jpeg_finish_decompress(&jpeg->cinfo);
    return 0;
}

unsigned galimo_jpeg_rows_done(const galimo_jpeg* jpeg) { return jpeg->rows_done; }
