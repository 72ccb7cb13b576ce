#include "ui/Picture.h"

#include "platform/RuntimeErrors.h"

#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace ui {
namespace {

// libjpeg reports fatal errors through error_exit, which must not return; it jumps back to
// the decoder, whose frame holds no object with a destructor between setjmp and longjmp.
struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jumpOnError(j_common_ptr info) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->jump, 1);
}

void ignoreWarning(j_common_ptr, int) {}

// Decodes into image (RGB888, allocated once the size is known); returns false with the
// message filled when libjpeg gives up.
bool decodeInto(const unsigned char* data, unsigned long size, QImage* image, char* message) {
    jpeg_decompress_struct info;
    JpegErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpOnError;
    errors.base.emit_message = ignoreWarning;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", errors.message);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    *image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                    QImage::Format_RGB888);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image->scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

QImage DecodeJpeg(const QByteArray& data) {
    if (data.isEmpty())
        throw platform::Exception("JPEG 数据为空");
    QImage image;
    char message[JMSG_LENGTH_MAX] = {};
    if (!decodeInto(reinterpret_cast<const unsigned char*>(data.constData()),
                    static_cast<unsigned long>(data.size()), &image, message))
        throw platform::Exception(std::string("JPEG 图片无法解码: ") + message);
    return image;
}

QImage LoadPicture(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw platform::EFOpenError(path.toStdString(), file.errorString().toStdString());
    const QByteArray data = file.readAll();
    if (data.startsWith("\xFF\xD8"))
        return DecodeJpeg(data);
    QImage image = QImage::fromData(data);
    if (image.isNull())
        throw platform::Exception("图片格式无法识别: " + path.toStdString());
    return image;
}

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
}

void PictureBox::setPicture(const QImage& picture) {
    image = picture;
    update();
}

void PictureBox::setStretch(bool stretch) {
    stretched = stretch;
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    if (image.isNull())
        return;
    QPainter painter(this);
    if (stretched)
        painter.drawImage(rect(), image);
    else
        painter.drawImage(QPoint(0, 0), image);
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void PictureBox::mouseMoveEvent(QMouseEvent*) {
    emit mouseMoved();
}

} // namespace ui
