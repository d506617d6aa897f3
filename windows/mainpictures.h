#pragma once
#include <QPixmap>
#include <QSize>

// The main window's pictures, drawn at the size they are shown (the designed
// one, or larger with a larger desktop font) for the screen's pixel ratio, so
// they stay sharp at any scale.
QPixmap BackgroundPicture(const QSize& size, qreal pixelRatio = 1.0);
QPixmap CloseImagePicture(const QSize& size = {22, 22}, qreal pixelRatio = 1.0); // the close picture
QPixmap HelpImagePicture(const QSize& size = {22, 22}, qreal pixelRatio = 1.0);  // the help picture
QPixmap MicrophonePicture(const QSize& size = {44, 56}, qreal pixelRatio = 1.0); // beside the title
