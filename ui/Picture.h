#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

namespace ui {

// Decodes JPEG data with libjpeg. Throws platform::Exception with libjpeg's explanation when the
// data is not a JPEG picture it can decode.
QImage DecodeJpeg(const QByteArray& data);

// Loads a picture from a file or a Qt resource: JPEG through DecodeJpeg, bitmaps through Qt.
QImage LoadPicture(const QString& path);

// Shows a picture, at its own size at the top left or stretched over the whole widget. Mouse
// events reach the widget's owner through the signals, as a picture component reports them.
class PictureBox final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureBox)

public:
    explicit PictureBox(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return image; }
    void setStretch(bool stretch);

signals:
    void clicked();
    void mouseMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QImage image;
    bool stretched = false;
};

} // namespace ui
