#include "codec/jpegerror.h"

namespace yotsumado {

namespace {

[[noreturn]] void JumpOnError(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
}

void DropMessage(j_common_ptr cinfo, int level)
{
    if (level < 0)
        ++cinfo->err->num_warnings;
}

void DropOutput(j_common_ptr) {}

} // namespace

void InstallJpegErrorManager(jpeg_common_struct* cinfo, JpegErrorManager* err)
{
    cinfo->err = jpeg_std_error(&err->pub);
    err->pub.error_exit = JumpOnError;
    err->pub.emit_message = DropMessage;
    err->pub.output_message = DropOutput;
}

void JpegFail(j_common_ptr cinfo, int code)
{
    cinfo->err->msg_code = code;
    (*cinfo->err->error_exit)(cinfo);
    std::abort();  // error_exit never returns
}

EJPEG JpegError(int code)
{
    return EJPEG(QStringLiteral("JPEG エラー #%1").arg(code));
}

} // namespace yotsumado
