// A small GDI drawing surface shared by the WMF and EMF players: the object table, window and
// viewport mapping, shapes and device-independent bitmaps, drawn with QPainter onto a raster.
#pragma once

#include "../pix_page.h"
#include "dib.h"

#include <QImage>
#include <QPoint>
#include <QPolygonF>
#include <QRect>
#include <QString>
#include <cstdint>
#include <map>
#include <set>

namespace pix {

class GdiCanvas {
public:
    // A white canvas of the picture's own size; `maxObjects` bounds the object table.
    GdiCanvas(int64_t width, int64_t height, uint32_t maxObjects, const QString& source);

    void setWindowOrg(double x, double y) { winOrg_ = {x, y}; }
    void setWindowExt(double w, double h);
    void setViewportOrg(double x, double y) { vpOrg_ = {x, y}; }
    void setViewportExt(double w, double h);
    // Only the anisotropic and isotropic map modes use the extents.
    void setScaling(bool on) { scaling_ = on; }

    // Object table. WMF puts new objects in the lowest free slot; EMF names the slot.
    void createPen(int style, int width, uint32_t colorRef, int64_t slot = -1);
    void createBrush(int style, uint32_t colorRef, int hatch, int64_t slot = -1);
    void createOther(int64_t slot = -1); // fonts, palettes, regions: slots only
    void selectObject(uint32_t index);
    void deleteObject(uint32_t index);

    void rectangle(double l, double t, double r, double b);
    void ellipse(double l, double t, double r, double b);
    void polygon(const QPolygonF& logical, bool closed);
    void moveTo(double x, double y) { current_ = {x, y}; }
    void lineTo(double x, double y);
    // Fills a rectangle with the current brush (pattern blits).
    void fillRect(double x, double y, double w, double h);
    // Decodes an embedded DIB, counting its pixels against a budget for the whole picture.
    PixPage decodeDib(ByteReader& reader, const DibReadOptions& options = {});
    // Draws the source rectangle of a DIB (y counted from the DIB's bottom row) into the
    // logical destination rectangle.
    void drawDib(const PixPage& dib, double x, double y, double w, double h, int sx, int sy, int sw,
                 int sh);

    // The rendered page: the embedded bitmap itself, type and all, when the picture is exactly
    // one bitmap drawn 1:1 over the whole canvas; else the raster (24-bit).
    PixPage result() const;

    const QString& source() const { return source_; }

private:
    struct Object {
        enum Kind { kPen, kBrush, kOther } kind = kOther;
        int style = 0;
        int width = 0;
        uint32_t color = 0;
        int hatch = 0;
    };
    void addObject(const Object& object, int64_t slot);
    QPointF map(double x, double y) const;
    QRectF mapRect(double l, double t, double r, double b) const;
    void beginShape();

    QImage canvas_;
    QString source_;
    uint32_t maxObjects_;
    std::map<uint32_t, Object> objects_;
    std::set<uint32_t> freed_;
    uint32_t nextSlot_ = 0;
    Object pen_{Object::kPen, 0, 0, 0, 0};            // black cosmetic pen
    Object brush_{Object::kBrush, 0, 0, 0xFFFFFF, 0}; // white brush
    QPointF winOrg_, vpOrg_, winExt_{1, 1}, vpExt_{1, 1};
    bool scaling_ = false;
    QPointF current_;
    PixPage soleBitmap_;
    bool onlyBitmap_ = true;
    int64_t decodedPixels_ = 0;
};

} // namespace pix
