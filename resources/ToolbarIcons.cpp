#include "resources/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "resources/Resource.h"

namespace {

void DrawPage(QPainter& p) {
    QPolygon page;
    page << QPoint(3, 1) << QPoint(10, 1) << QPoint(13, 4) << QPoint(13, 14) << QPoint(3, 14);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPolygon(page);
    p.drawLine(10, 1, 10, 4);
    p.drawLine(10, 4, 13, 4);
}

void DrawFolder(QPainter& p) {
    p.setPen(Qt::black);
    p.setBrush(QColor(230, 200, 80));
    p.drawRect(1, 4, 13, 9);
    p.drawRect(1, 2, 5, 2);
}

void DrawDisk(QPainter& p) {
    p.setPen(Qt::black);
    p.setBrush(QColor(40, 60, 160));
    p.drawRect(1, 1, 13, 13);
    p.setBrush(Qt::white);
    p.drawRect(4, 1, 7, 5);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(4, 9, 7, 5);
}

void DrawRun(QPainter& p) {
    QPolygon arrow;
    arrow << QPoint(4, 2) << QPoint(13, 8) << QPoint(4, 14);
    p.setPen(Qt::black);
    p.setBrush(QColor(0, 160, 0));
    p.drawPolygon(arrow);
}

void DrawCaptureEnable(QPainter& p) {
    p.setPen(Qt::black);
    p.setBrush(QColor(200, 0, 0));
    p.drawEllipse(3, 3, 10, 10);
}

void DrawCopy(QPainter& p) {
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(1, 1, 8, 10);
    p.drawRect(6, 5, 8, 10);
}

void DrawHistogram(QPainter& p) {
    p.setPen(Qt::NoPen);
    const int heights[] = {6, 11, 14, 9, 4};
    for (int i = 0; i < 5; ++i)
        p.fillRect(1 + i * 3, 15 - heights[i], 2, heights[i], QColor(0, 120, 220));
}

void DrawWaterfall(QPainter& p) {
    for (int y = 1; y < 15; ++y)
        for (int x = 1; x < 15; ++x) {
            const int v = ((x * 37 + y * 11) % 17) * 15;
            p.setPen(QColor(v, v / 2, 255 - v));
            p.drawPoint(x, y);
        }
}

void DrawSurface(QPainter& p) {
    QPainterPath path;
    path.moveTo(1, 12);
    path.cubicTo(5, 2, 9, 14, 15, 5);
    path.lineTo(15, 15);
    path.lineTo(1, 15);
    path.closeSubpath();
    p.setPen(Qt::black);
    p.setBrush(QColor(0, 170, 170));
    p.drawPath(path);
}

void DrawBars(QPainter& p) {
    const int heights[] = {7, 12, 9};
    for (int i = 0; i < 3; ++i) {
        const int x = 1 + i * 5;
        const int top = 15 - heights[i];
        p.fillRect(x, top, 3, heights[i], QColor(220, 0, 0));
        p.fillRect(x + 3, top + 1, 1, heights[i] - 1, QColor(120, 120, 0));
        p.fillRect(x + 1, top - 1, 3, 1, QColor(240, 240, 0));
    }
}

void DrawMeters(QPainter& p) {
    for (int i = 0; i < 2; ++i) {
        const int x = 3 + i * 6;
        p.fillRect(x, 9, 4, 6, QColor(0, 180, 0));
        p.fillRect(x, 5, 4, 4, QColor(240, 220, 0));
        p.fillRect(x, 2, 4, 3, QColor(220, 0, 0));
    }
}

void DrawPlotOnly(QPainter& p) {
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(1, 1, 13, 13);
    p.drawLine(3, 11, 6, 6);
    p.drawLine(6, 6, 9, 9);
    p.drawLine(9, 9, 12, 3);
}

void DrawResetPlot(QPainter& p) {
    p.setPen(QPen(QColor(0, 0, 160), 2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(3, 3, 10, 10, 90 * 16, 270 * 16);
    QPolygon head;
    head << QPoint(8, 0) << QPoint(11, 3) << QPoint(8, 6);
    p.setBrush(QColor(0, 0, 160));
    p.drawPolygon(head);
}

void DrawAbout(QPainter& p) {
    p.setPen(Qt::black);
    p.setBrush(QColor(255, 255, 200));
    p.drawEllipse(1, 1, 13, 13);
    p.fillRect(7, 6, 2, 6, Qt::black);
    p.fillRect(7, 3, 2, 2, Qt::black);
}

void DrawContextHelp(QPainter& p) {
    QPolygon arrow;
    arrow << QPoint(1, 1) << QPoint(1, 12) << QPoint(4, 9) << QPoint(7, 14) << QPoint(8, 13)
          << QPoint(6, 8) << QPoint(9, 8);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPolygon(arrow);
    QFont font = p.font();
    font.setPixelSize(9);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRect(9, 0, 7, 10), Qt::AlignCenter, QStringLiteral("?"));
}

} // namespace

QIcon MakeToolbarIcon(int commandId) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    switch (commandId) {
    case ID_FILE_RUN:
        DrawRun(p);
        break;
    case ID_FILE_NEW:
        DrawPage(p);
        break;
    case ID_FILE_OPEN:
        DrawFolder(p);
        break;
    case ID_FILE_SAVE:
        DrawDisk(p);
        break;
    case ID_CAPTURE_ENABLE:
        DrawCaptureEnable(p);
        break;
    case ID_EDIT_COPY:
        DrawCopy(p);
        break;
    case ID_PLOT_HISTOGRAM:
        DrawHistogram(p);
        break;
    case ID_PLOT_WATERFALL:
        DrawWaterfall(p);
        break;
    case ID_PLOT_SURFACE:
        DrawSurface(p);
        break;
    case ID_PLOT_BARS:
        DrawBars(p);
        break;
    case ID_PLOT_METERS:
        DrawMeters(p);
        break;
    case ID_VIEW_PLOT_ONLY:
        DrawPlotOnly(p);
        break;
    case ID_PLOT_RESET:
        DrawResetPlot(p);
        break;
    case ID_APP_ABOUT:
        DrawAbout(p);
        break;
    case ID_CONTEXT_HELP:
        DrawContextHelp(p);
        break;
    default:
        break;
    }
    p.end();
    return QIcon(pixmap);
}
