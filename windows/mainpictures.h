#pragma once
#include <QPixmap>
#include <QSize>

// The main window's pictures, drawn once at creation.
QPixmap BackgroundPicture(const QSize& size);
QPixmap CloseImagePicture(); // the close picture
QPixmap HelpImagePicture();  // the help picture
QPixmap MicrophonePicture(); // the microphone beside the title
