#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <vector>

// The main window's background pictures: one per screen width the program knows.
struct BackgroundPicture
{
    QString fileName; // "532.jpg"
    QSize size;
};
const std::vector<BackgroundPicture> &BackgroundPictures();

// The picture, drawn for that size: the program's name over a warm paper tone with a pair
// of scales.
QImage DrawBackground(const QSize &size);
