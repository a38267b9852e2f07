// Reading the program's own pictures, PNG files compiled into it.
#pragma once

#include <QImageReader>
#include <QPixmap>

namespace brennic::ui {

// Naming the format and forbidding a guess keeps Qt from loading every image
// plug-in on the system (GIF, ICO, JPEG with its library, ...) only to ask each
// whether it reads the file: that probing took a measurable part of the start.
inline QPixmap PngPicture(const QString& path) {
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

} // namespace brennic::ui
