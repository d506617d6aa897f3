#pragma once
#include <QPixmap>
#include <QSize>

// The main window's pictures, drawn once at creation.
QPixmap BackgroundPicture(const QSize& size);
QPixmap CloseImagePicture();   // Image2
QPixmap HelpImagePicture();    // Image3
QPixmap MicrophonePicture();   // Image1
