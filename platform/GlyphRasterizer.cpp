// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/GlyphRasterizer.h"

#include <QtGui/QFont>
#include <QtGui/QFontMetrics>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QPainter>

namespace {

// Tight 1-bit box of the lit pixels of one rendered character; the pen sat at
// (penX, baseline) in image coordinates (y down).
SGlyphBitmap Extract(const QImage& image, int penX, int baseline, int advance) {
    SGlyphBitmap glyph;
    glyph.advance = static_cast<float>(advance);
    int xmin = image.width(), xmax = -1, ymin = image.height(), ymax = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(line[x]) >= 128) {
                xmin = std::min(xmin, x);
                xmax = std::max(xmax, x);
                ymin = std::min(ymin, y);
                ymax = std::max(ymax, y);
            }
        }
    }
    if (xmax < 0)
        return glyph;
    glyph.width = xmax - xmin + 1;
    glyph.height = ymax - ymin + 1;
    glyph.originX = static_cast<float>(penX - xmin);
    // Image row baseline - 1 is the lowest row standing on the baseline.
    glyph.originY = static_cast<float>(ymax - (baseline - 1));
    const int rowBytes = (glyph.width + 7) / 8;
    glyph.bits.assign(static_cast<std::size_t>(rowBytes * glyph.height), 0);
    for (int row = 0; row < glyph.height; ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(ymax - row));
        for (int x = 0; x < glyph.width; ++x) {
            if (qGray(line[xmin + x]) >= 128)
                glyph.bits[static_cast<std::size_t>(row * rowBytes + x / 8)] |=
                    static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
    }
    return glyph;
}

} // namespace

bool CGlyphRasterizer::Rasterize(const std::string& face, int pixelHeight,
                                 std::vector<SGlyphBitmap>& glyphs) {
    if (QGuiApplication::instance() == nullptr || pixelHeight <= 0)
        return false;
    QFont font(QString::fromStdString(face));
    font.setPixelSize(pixelHeight);
    font.setWeight(QFont::Bold);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setStyleHint(QFont::SansSerif, QFont::NoAntialias);
    const QFontMetrics metrics(font);

    // Room for overhangs on every side of the pen position.
    const int margin = pixelHeight;
    const int penX = margin;
    const int baseline = margin + metrics.ascent();
    const QSize size(metrics.maxWidth() + 3 * margin,
                     metrics.ascent() + metrics.descent() + 2 * margin);
    QImage image(size, QImage::Format_RGB32);

    glyphs.assign(kGlyphCount, SGlyphBitmap{});
    for (int code = 0; code < kGlyphCount; ++code) {
        const QChar ch(static_cast<char16_t>(code));
        // Control codes draw nothing and do not move the pen.
        if (code < 32 || (code >= 127 && code < 160))
            continue;
        const int advance = metrics.horizontalAdvance(ch);
        image.fill(Qt::black);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setRenderHint(QPainter::TextAntialiasing, false);
            painter.setFont(font);
            painter.setPen(Qt::white);
            painter.drawText(QPoint(penX, baseline), QString(ch));
        }
        glyphs[static_cast<std::size_t>(code)] = Extract(image, penX, baseline, advance);
    }
    return true;
}
