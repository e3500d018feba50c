// Files the tests write for the program to read.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <gtest/gtest.h>

namespace galimo::test {

// A plain bitmap of one colour.
inline void Bmp(const QString& path, int w, int h, QColor colour = Qt::darkCyan)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    ASSERT_TRUE(img.save(path, "BMP")) << path.toStdString();
}

}  // namespace galimo::test
