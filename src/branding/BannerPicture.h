#pragma once

#include "platform/AppFolder.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace vo {

// The banner as the window shows it: a still picture, the bytes of an animated GIF, or none.
struct BannerPicture
{
    enum class Kind { None, Still, Animated };

    Kind kind = Kind::None;
    QImage still;         // Kind::Still
    QByteArray animation; // Kind::Animated: the GIF bytes, for a LoopingMovie
    QSize size;           // the picture's size, still or animated
    QString problem;      // why a picture that was there could not be loaded; empty otherwise
};

// The file-name part of a banner entry's file name: any folder part, in either separator
// style or after a drive letter, is dropped.
QByteArray bannerFileNamePart(const QByteArray &bannerFile);

// Reads "banner" N ".dat" where it lies and decodes it as the entry's file name says: a full
// name (folder plus file-name part) containing ".gif" anywhere in lower case is an animated
// GIF; "bmp", "ico", "jpg" and "jpeg" are still pictures. Nothing in the folder is renamed, so
// an entry named like a file the seller keeps there can never replace it. An empty file name or
// a missing picture file gives Kind::None without a problem.
BannerPicture loadBannerPicture(const AppFolder &folder, int number, const QByteArray &bannerFile);

} // namespace vo
