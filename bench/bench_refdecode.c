/* The reference decoders the formats section measures the program against:
 * each library read the plainest way its own documentation shows, to 8-bit
 * R G B (A) in memory, nothing written out.
 * Usage: bench_refdecode png|tiff|gif|heif FILE [THREADS]
 * Prints "width height" of what it decoded; exits 1 when the file is refused. */
#include <gif_lib.h>
#include <libheif/heif.h>
#include <spng.h>
#include <tiffio.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int DecodePng(const char* path)
{
    FILE* file = fopen(path, "rb");
    if (!file)
        return 1;
    spng_ctx* ctx = spng_ctx_new(0);
    spng_set_png_file(ctx, file);
    struct spng_ihdr ihdr;
    size_t size = 0;
    int status = 1;
    if (spng_get_ihdr(ctx, &ihdr) == 0 && spng_decoded_image_size(ctx, SPNG_FMT_RGB8, &size) == 0) {
        unsigned char* out = malloc(size);
        if (out && spng_decode_image(ctx, out, size, SPNG_FMT_RGB8, SPNG_DECODE_TRNS) == 0) {
            printf("%u %u\n", ihdr.width, ihdr.height);
            status = 0;
        }
        free(out);
    }
    spng_ctx_free(ctx);
    fclose(file);
    return status;
}

static int DecodeTiff(const char* path)
{
    TIFF* tiff = TIFFOpen(path, "r");
    if (!tiff)
        return 1;
    uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    const tmsize_t stripSize = TIFFStripSize(tiff);
    const uint32_t strips = TIFFNumberOfStrips(tiff);
    unsigned char* buffer = malloc((size_t)stripSize * strips);
    int status = buffer ? 0 : 1;
    for (uint32_t s = 0; status == 0 && s < strips; ++s)
        if (TIFFReadEncodedStrip(tiff, s, buffer + (size_t)s * stripSize, stripSize) < 0)
            status = 1;
    if (status == 0)
        printf("%u %u\n", width, height);
    free(buffer);
    TIFFClose(tiff);
    return status;
}

static int DecodeGif(const char* path)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path, &error);
    if (!gif)
        return 1;
    const int status = DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0 ? 0 : 1;
    if (status == 0)
        printf("%d %d\n", gif->SWidth, gif->SHeight);
    DGifCloseFile(gif, &error);
    return status;
}

static int DecodeHeif(const char* path, int threads)
{
    struct heif_context* ctx = heif_context_alloc();
    heif_context_set_max_decoding_threads(ctx, threads);
    struct heif_image_handle* handle = NULL;
    struct heif_image* image = NULL;
    int status = 1;
    if (heif_context_read_from_file(ctx, path, NULL).code == heif_error_Ok
        && heif_context_get_primary_image_handle(ctx, &handle).code == heif_error_Ok
        && heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, NULL).code
               == heif_error_Ok) {
        printf("%d %d\n", heif_image_get_width(image, heif_channel_interleaved),
               heif_image_get_height(image, heif_channel_interleaved));
        status = 0;
    }
    if (image)
        heif_image_release(image);
    if (handle)
        heif_image_handle_release(handle);
    heif_context_free(ctx);
    return status;
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: bench_refdecode png|tiff|gif|heif FILE [THREADS]\n");
        return 2;
    }
    TIFFSetWarningHandler(NULL);
    const char* kind = argv[1];
    if (strcmp(kind, "png") == 0)
        return DecodePng(argv[2]);
    if (strcmp(kind, "tiff") == 0)
        return DecodeTiff(argv[2]);
    if (strcmp(kind, "gif") == 0)
        return DecodeGif(argv[2]);
    if (strcmp(kind, "heif") == 0)
        return DecodeHeif(argv[2], argc > 3 ? atoi(argv[3]) : 2);
    return 2;
}
