// libjpeg glue.
//
// The library's standard error manager prints and ends the process; ours
// jumps back to the setjmp point of the call in progress instead, and keeps
// the library's messages quiet (the caller logs what failed). The functions
// holding a setjmp point keep what they need after the jump in a record
// reached through a reference, and own nothing with a destructor.
#include "gfx2d/jpeg_codec.h"

#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>
#include <cstdlib>

namespace {

struct JpegError {
  jpeg_error_mgr pub;
  jmp_buf jump;
  bool cut_short;  // the library reported data missing from the scan
};

void qvl_jpeg_on_error(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

// Warnings are counted as the library's own handler does, and the ones that
// say the scan data ended early are remembered: the library would fill the
// rows still to come with grey, which is no image of the file.
void qvl_jpeg_on_emit(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace messages
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  err->pub.num_warnings++;
  if (err->pub.msg_code == JWRN_HIT_MARKER || err->pub.msg_code == JWRN_JPEG_EOF)
    err->cut_short = true;
}

void qvl_jpeg_on_message(j_common_ptr) {}

// The memory source: the whole file, then an endless end-of-image marker, so
// that the library never reads past the data; a file that lacks only its
// final marker decodes whole.
struct JpegSource {
  jpeg_source_mgr pub;
  const uint8_t* data;
  size_t size;
};

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

void qvl_jpeg_src_init(j_decompress_ptr) {}
void qvl_jpeg_src_term(j_decompress_ptr) {}

boolean qvl_jpeg_src_fill(j_decompress_ptr cinfo) {
  cinfo->src->next_input_byte = kEndOfImage;
  cinfo->src->bytes_in_buffer = 2;
  return TRUE;
}

void qvl_jpeg_src_skip(j_decompress_ptr cinfo, long n) {
  if (n <= 0) return;
  jpeg_source_mgr* src = cinfo->src;
  if (static_cast<unsigned long>(n) > src->bytes_in_buffer) {
    qvl_jpeg_src_fill(cinfo);
  } else {
    src->next_input_byte += n;
    src->bytes_in_buffer -= static_cast<size_t>(n);
  }
}

// A file of more scans than this is refused: real encoders write about ten,
// while each scan of a progressive file passes over the whole image, so a
// few kilobytes of empty scans would cost seconds.
constexpr int kMaxScans = 256;
// libjpeg's own working memory: the coefficients of a progressive image of
// kImageFileMaxPixels with four components, 2 bytes each.
constexpr long kMaxWorkBytes = static_cast<long>(kImageFileMaxPixels * 4 * 2);

// Called by the library between iMCU rows while it reads the scans. Data
// that ran out would only be decoded as zeros to the end of the last scan,
// so the read ends at once; and so it does past the scan limit.
void qvl_jpeg_on_progress(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  const int scan = reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number;
  if (err->cut_short || scan > kMaxScans) std::longjmp(err->jump, 1);
}

// The fewest bits the entropy-coded data can take: with Huffman coding
// every block of every component carries at least a 1-bit DC code.
// Arithmetic coding is refused: it codes a flat image in a few bytes, so
// nothing about the file bounds what it makes (a hundred bytes declaring a
// progressive image at the pixel budget took 900 MB and 6 s), and libjpeg
// 6b never read it.
bool data_can_hold(j_decompress_ptr cinfo, size_t size) {
  if (cinfo->arith_code) return false;
  uint64_t blocks = 0;
  for (int ci = 0; ci < cinfo->num_components; ++ci) {
    const jpeg_component_info& c = cinfo->comp_info[ci];
    blocks += uint64_t{c.width_in_blocks} * c.height_in_blocks;
  }
  return uint64_t{size} * 8 >= blocks;
}

struct JpegDecode {
  jpeg_decompress_struct cinfo;
  JpegError err;
  jpeg_progress_mgr progress;
  bool created;
};

// Creates the decompressor on the memory source; runs under the caller's
// setjmp point.
void start_reading(JpegDecode& d, const uint8_t* data, size_t size) {
  j_decompress_ptr cinfo = &d.cinfo;
  // The installed library's own version and structure size.
  jpeg_create_decompress(cinfo);
  d.created = true;

  auto* src = static_cast<JpegSource*>((*cinfo->mem->alloc_small)(
      reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(JpegSource)));
  src->pub.next_input_byte = data;
  src->pub.bytes_in_buffer = size;
  src->pub.init_source = qvl_jpeg_src_init;
  src->pub.fill_input_buffer = qvl_jpeg_src_fill;
  src->pub.skip_input_data = qvl_jpeg_src_skip;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = qvl_jpeg_src_term;
  src->data = data;
  src->size = size;
  cinfo->src = &src->pub;
}

bool run_read_size(JpegDecode& d, const uint8_t* data, size_t size, int64_t& width,
                   int64_t& height) {
  if (setjmp(d.err.jump)) return false;
  start_reading(d, data, size);
  jpeg_read_header(&d.cinfo, TRUE);
  width = d.cinfo.image_width;
  height = d.cinfo.image_height;
  return true;
}

bool run_decode(JpegDecode& d, const uint8_t* data, size_t size, PixelImage& image,
                int& components) {
  if (setjmp(d.err.jump)) return false;
  start_reading(d, data, size);
  j_decompress_ptr cinfo = &d.cinfo;
  jpeg_read_header(cinfo, TRUE);
  components = cinfo->num_components;
  if (components != 1 && components != 3 && components != 4) return false;
  if (!qvl_img_decodable(cinfo->image_width, cinfo->image_height) || !data_can_hold(cinfo, size))
    return false;
  cinfo->mem->max_memory_to_use = kMaxWorkBytes;
  d.progress.progress_monitor = qvl_jpeg_on_progress;
  cinfo->progress = &d.progress;
  // Grey and colour come out as RGBA straight from the library; four
  // components (CMYK) keep their bytes.
  if (components != 4) cinfo->out_color_space = JCS_EXT_RGBA;
  jpeg_start_decompress(cinfo);  // reads every scan of a progressive file
  if (d.err.cut_short || cinfo->output_components != 4) return false;
  const int32_t w = static_cast<int32_t>(cinfo->output_width);
  const int32_t h = static_cast<int32_t>(cinfo->output_height);
  // Rows take memory as they come, so data that ends early is found
  // before the whole image is allocated.
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW row = image.arriving_row(w, static_cast<int32_t>(cinfo->output_scanline), h);
    if (!row) return false;
    jpeg_read_scanlines(cinfo, &row, 1);
    if (d.err.cut_short) return false;
  }
  jpeg_finish_decompress(cinfo);
  image.has_alpha = components == 4;
  return true;
}

struct JpegEncode {
  jpeg_compress_struct cinfo;
  JpegError err;
  bool created;
  unsigned char* buffer;  // malloc'd by the memory destination
  unsigned long size;
};

bool run_encode(JpegEncode& e, const uint8_t* pixels, JpegPixelOrder order, int w, int h) {
  if (setjmp(e.err.jump)) return false;
  j_compress_ptr cinfo = &e.cinfo;
  jpeg_create_compress(cinfo);
  e.created = true;
  jpeg_mem_dest(cinfo, &e.buffer, &e.size);
  cinfo->image_width = static_cast<JDIMENSION>(w);
  cinfo->image_height = static_cast<JDIMENSION>(h);
  cinfo->input_components = 4;
  cinfo->in_color_space = order == JpegPixelOrder::bgrx ? JCS_EXT_BGRX : JCS_EXT_RGBX;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, 80, TRUE);
  jpeg_start_compress(cinfo, TRUE);
  while (cinfo->next_scanline < cinfo->image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels) + static_cast<size_t>(cinfo->next_scanline) * w * 4;
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  return true;
}

void quiet_errors(JpegDecode& d) {
  d.cinfo.err = jpeg_std_error(&d.err.pub);
  d.err.pub.error_exit = qvl_jpeg_on_error;
  d.err.pub.emit_message = qvl_jpeg_on_emit;
  d.err.pub.output_message = qvl_jpeg_on_message;
}

}  // namespace

bool qvl_jpeg_decode(const uint8_t* data, size_t size, PixelImage& image, int& components) {
  components = 0;
  if (!data) return false;
  JpegDecode d{};
  quiet_errors(d);
  bool ok = run_decode(d, data, size, image, components);
  if (d.created) jpeg_destroy_decompress(&d.cinfo);
  return ok;
}

bool qvl_jpeg_declared_size(const uint8_t* data, size_t size, int64_t& width, int64_t& height) {
  if (!data) return false;
  JpegDecode d{};
  quiet_errors(d);
  bool ok = run_read_size(d, data, size, width, height);
  if (d.created) jpeg_destroy_decompress(&d.cinfo);
  return ok;
}

bool qvl_jpeg_encode(const uint8_t* pixels, JpegPixelOrder order, int w, int h, ImageBytes& out) {
  if (!pixels || w <= 0 || h <= 0 || !qvl_img_size_fits(w, h)) return false;
  JpegEncode e{};
  e.cinfo.err = jpeg_std_error(&e.err.pub);
  e.err.pub.error_exit = qvl_jpeg_on_error;
  e.err.pub.output_message = qvl_jpeg_on_message;
  bool ok = run_encode(e, pixels, order, w, h);
  if (e.created) jpeg_destroy_compress(&e.cinfo);
  if (ok) {
    out.adopt(e.buffer, e.size);
  } else {
    std::free(e.buffer);
  }
  return ok;
}
