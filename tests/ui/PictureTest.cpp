#include "ui/Picture.h"

#include "platform/RuntimeErrors.h"
#include "tests/support/TempDir.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QByteArray encodeJpeg(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 95);
    return bytes;
}

QImage twoColourImage() {
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(QColor(20, 60, 200));
    for (int y = 0; y < 20; ++y)
        for (int x = 20; x < 40; ++x)
            image.setPixelColor(x, y, QColor(250, 250, 250));
    return image;
}

bool near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12 &&
           std::abs(a.blue() - b.blue()) < 12;
}

} // namespace

TEST(Picture, DecodesJpegWithItsSizeAndColours) {
    const QImage decoded = ui::DecodeJpeg(encodeJpeg(twoColourImage()));
    ASSERT_EQ(decoded.size(), QSize(40, 20));
    EXPECT_TRUE(near(decoded.pixelColor(5, 10), QColor(20, 60, 200)));
    EXPECT_TRUE(near(decoded.pixelColor(35, 10), QColor(250, 250, 250)));
}

TEST(Picture, RefusesDataThatIsNoJpeg) {
    EXPECT_THROW(ui::DecodeJpeg(QByteArray()), platform::Exception);
    EXPECT_THROW(ui::DecodeJpeg(QByteArray("\xFF\xD8 not really a picture", 24)),
                 platform::Exception);
    const QByteArray withoutImage = encodeJpeg(twoColourImage()).left(2) + "\xFF\xD9";
    EXPECT_THROW(ui::DecodeJpeg(withoutImage), platform::Exception);
}

TEST(Picture, LoadsJpegAndBitmapFilesAndReportsMissingOnes) {
    testsupport::TempDir dir;
    const QByteArray jpeg = encodeJpeg(twoColourImage());
    const auto jpegFile = dir.write("a.jpg", std::string(jpeg.constData(), jpeg.size()));
    EXPECT_EQ(ui::LoadPicture(QString::fromStdString(jpegFile.string())).size(), QSize(40, 20));

    const QString bitmap = QString::fromStdString((dir / "b.bmp").string());
    ASSERT_TRUE(twoColourImage().convertToFormat(QImage::Format_Indexed8).save(bitmap, "BMP"));
    const QImage loaded = ui::LoadPicture(bitmap);
    EXPECT_EQ(loaded.size(), QSize(40, 20));
    EXPECT_TRUE(near(loaded.pixelColor(35, 1), QColor(250, 250, 250)));

    EXPECT_THROW(ui::LoadPicture(QString::fromStdString((dir / "none.jpg").string())),
                 platform::EFOpenError);
}

TEST(Picture, BoxPaintsAtOwnSizeOrStretchedAndReportsClicks) {
    ui::PictureBox box;
    box.resize(80, 40);
    box.setPicture(twoColourImage());
    QImage plain(80, 40, QImage::Format_RGB32);
    plain.fill(Qt::black);
    box.render(&plain, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_TRUE(near(plain.pixelColor(30, 10), QColor(250, 250, 250)));
    EXPECT_TRUE(near(plain.pixelColor(60, 30), Qt::black)); // outside the picture

    box.setStretch(true);
    QImage stretched(80, 40, QImage::Format_RGB32);
    stretched.fill(Qt::black);
    box.render(&stretched, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_TRUE(near(stretched.pixelColor(30, 10), QColor(20, 60, 200)));
    EXPECT_TRUE(near(stretched.pixelColor(70, 30), QColor(250, 250, 250)));

    QSignalSpy clicks(&box, &ui::PictureBox::clicked);
    box.show();
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks.count(), 1);
}
