#pragma once
// The error manager shared by the JPEG decoder and encoder. libjpeg reports
// a fatal error by calling error_exit, which jumps back to the setjmp of the
// one C-style routine that makes the library calls; that routine destroys
// its codec object and hands the message code back, and only then, in
// ordinary C++ code, does it become an exception. No object with a
// destructor may live in the frames a jump crosses.

#include "core/error.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

namespace yotsumado {

struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

// Points the codec object's error handling at err: fatal errors jump to
// err.jump, warnings and trace messages are counted and dropped (the program
// keeps no log). Call before jpeg_create_*; then setjmp(err.jump).
void InstallJpegErrorManager(jpeg_common_struct* cinfo, JpegErrorManager* err);

// Stops the running library call with the given message code.
[[noreturn]] void JpegFail(j_common_ptr cinfo, int code);

// The error the user sees for a library message code: "JPEG エラー #%d".
EJPEG JpegError(int code);

} // namespace yotsumado
