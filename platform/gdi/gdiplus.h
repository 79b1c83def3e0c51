#pragma once
// The GDI+ flat API over cairo. Every call returns a status and never throws. Coordinates
// name pixel centres, as GDI+ has them without a pixel offset: a one-pixel line from (0, 0) to
// (4, 0) covers the five pixels 0 to 4 and FillRectangle(0, 0, 9, 20) the pixels 0 to 8.

#include "gdi/gdi.h"

using REAL = float;
using ARGB = DWORD;
using PixelFormat = INT;
using GraphicsState = UINT;

enum GpStatus {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    GdiplusNotInitialized = 18,
};
using Status = GpStatus;

enum GpUnit { UnitWorld = 0, UnitDisplay = 1, UnitPixel = 2, UnitPoint = 3, UnitInch = 4 };
enum GpFillMode { FillModeAlternate = 0, FillModeWinding = 1 };
enum GpWrapMode {
    WrapModeTile = 0,
    WrapModeTileFlipX = 1,
    WrapModeTileFlipY = 2,
    WrapModeTileFlipXY = 3,
    WrapModeClamp = 4,
};
enum CombineMode {
    CombineModeReplace = 0,
    CombineModeIntersect = 1,
    CombineModeUnion = 2,
    CombineModeXor = 3,
    CombineModeExclude = 4,
    CombineModeComplement = 5,
};
enum InterpolationMode {
    InterpolationModeInvalid = -1,
    InterpolationModeDefault = 0,
    InterpolationModeLowQuality = 1,
    InterpolationModeHighQuality = 2,
    InterpolationModeBilinear = 3,
    InterpolationModeBicubic = 4,
    InterpolationModeNearestNeighbor = 5,
    InterpolationModeHighQualityBilinear = 6,
    InterpolationModeHighQualityBicubic = 7,
};
enum SmoothingMode {
    SmoothingModeInvalid = -1,
    SmoothingModeDefault = 0,
    SmoothingModeHighSpeed = 1,
    SmoothingModeHighQuality = 2,
    SmoothingModeNone = 3,
    SmoothingModeAntiAlias = 4,
};
enum ImageLockMode { ImageLockModeRead = 1, ImageLockModeWrite = 2, ImageLockModeUserInputBuf = 4 };

constexpr PixelFormat PixelFormat32bppRGB = 0x00022009;
constexpr PixelFormat PixelFormat32bppARGB = 0x0026200A;
constexpr PixelFormat PixelFormat32bppPARGB = 0x000E200B;

struct GpPointF {
    REAL X;
    REAL Y;
};
struct GpPoint {
    INT X;
    INT Y;
};
struct GpRect {
    INT X;
    INT Y;
    INT Width;
    INT Height;
};
struct BitmapData {
    UINT Width;
    UINT Height;
    INT Stride;
    INT PixelFormat;
    void* Scan0;
    UINT_PTR Reserved;
};

struct GdiplusStartupInput {
    UINT GdiplusVersion = 1;
    void* DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = FALSE;
    BOOL SuppressExternalCodecs = FALSE;
};
struct GdiplusStartupOutput {
    void* NotificationHook;
    void* NotificationUnhook;
};

// Objects of the API; their insides belong to the implementation.
struct GpImage {
    virtual ~GpImage() = default;
};
struct GpBitmap : GpImage {};
struct GpBrush {
    virtual ~GpBrush() = default;
};
struct GpSolidFill : GpBrush {};
struct GpLineGradient : GpBrush {};
struct GpPen;
struct GpPath;
struct GpGraphics;

// Reference-counted: every successful startup needs its shutdown. Calls that create objects
// answer GdiplusNotInitialized while no startup is in force.
GpStatus GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output);
void GdiplusShutdown(ULONG_PTR token);

// Graphics.
GpStatus GdipCreateFromHDC(HDC hdc, GpGraphics** graphics);
GpStatus GdipGetImageGraphicsContext(GpImage* image, GpGraphics** graphics);
GpStatus GdipDeleteGraphics(GpGraphics* graphics);
GpStatus GdipSetInterpolationMode(GpGraphics* graphics, InterpolationMode mode);
GpStatus GdipSetSmoothingMode(GpGraphics* graphics, SmoothingMode mode);
// Only the pixel-sized units (world, display, pixel) are offered.
GpStatus GdipSetPageUnit(GpGraphics* graphics, GpUnit unit);
GpStatus GdipGraphicsClear(GpGraphics* graphics, ARGB color);

// Bitmaps. Formats: 32bppPARGB (the surface's own), 32bppARGB and 32bppRGB.
GpStatus GdipCreateBitmapFromScan0(INT width, INT height, INT stride, PixelFormat format, BYTE* scan0,
                                   GpBitmap** bitmap);
GpStatus GdipCreateBitmapFromResource(HINSTANCE module, const WCHAR* name, GpBitmap** bitmap);
GpStatus GdipCreateBitmapFromHICON(HICON icon, GpBitmap** bitmap);
GpStatus GdipCreateBitmapFromHBITMAP(HBITMAP hbitmap, HANDLE palette, GpBitmap** bitmap);
GpStatus GdipDisposeImage(GpImage* image);
GpStatus GdipGetImageWidth(GpImage* image, UINT* width);
GpStatus GdipGetImageHeight(GpImage* image, UINT* height);
GpStatus GdipBitmapLockBits(GpBitmap* bitmap, const GpRect* rect, UINT flags, PixelFormat format, BitmapData* data);
GpStatus GdipBitmapUnlockBits(GpBitmap* bitmap, BitmapData* data);
GpStatus GdipDrawImage(GpGraphics* graphics, GpImage* image, REAL x, REAL y);
GpStatus GdipDrawImageI(GpGraphics* graphics, GpImage* image, INT x, INT y);
GpStatus GdipDrawImageRect(GpGraphics* graphics, GpImage* image, REAL x, REAL y, REAL width, REAL height);
GpStatus GdipDrawImageRectI(GpGraphics* graphics, GpImage* image, INT x, INT y, INT width, INT height);

// Pens and brushes.
GpStatus GdipCreatePen1(ARGB color, REAL width, GpUnit unit, GpPen** pen);
GpStatus GdipDeletePen(GpPen* pen);
GpStatus GdipCreateSolidFill(ARGB color, GpSolidFill** brush);
GpStatus GdipCreateLineBrush(const GpPointF* from, const GpPointF* to, ARGB fromColor, ARGB toColor,
                             GpWrapMode wrap, GpLineGradient** brush);
GpStatus GdipCreateLineBrushI(const GpPoint* from, const GpPoint* to, ARGB fromColor, ARGB toColor,
                              GpWrapMode wrap, GpLineGradient** brush);
GpStatus GdipDeleteBrush(GpBrush* brush);

// Lines and fills.
GpStatus GdipDrawLine(GpGraphics* graphics, GpPen* pen, REAL x1, REAL y1, REAL x2, REAL y2);
GpStatus GdipDrawLineI(GpGraphics* graphics, GpPen* pen, INT x1, INT y1, INT x2, INT y2);
GpStatus GdipDrawLines(GpGraphics* graphics, GpPen* pen, const GpPointF* points, INT count);
GpStatus GdipDrawLinesI(GpGraphics* graphics, GpPen* pen, const GpPoint* points, INT count);
GpStatus GdipFillRectangle(GpGraphics* graphics, GpBrush* brush, REAL x, REAL y, REAL width, REAL height);
GpStatus GdipFillRectangleI(GpGraphics* graphics, GpBrush* brush, INT x, INT y, INT width, INT height);
GpStatus GdipFillPolygon(GpGraphics* graphics, GpBrush* brush, const GpPointF* points, INT count, GpFillMode mode);
GpStatus GdipFillPolygonI(GpGraphics* graphics, GpBrush* brush, const GpPoint* points, INT count, GpFillMode mode);
GpStatus GdipFillEllipse(GpGraphics* graphics, GpBrush* brush, REAL x, REAL y, REAL width, REAL height);
GpStatus GdipFillEllipseI(GpGraphics* graphics, GpBrush* brush, INT x, INT y, INT width, INT height);
GpStatus GdipFillPath(GpGraphics* graphics, GpBrush* brush, GpPath* path);

// Paths and clipping. Union, Xor and Complement are not offered (NotImplemented).
GpStatus GdipCreatePath(GpFillMode mode, GpPath** path);
GpStatus GdipDeletePath(GpPath* path);
GpStatus GdipAddPathEllipse(GpPath* path, REAL x, REAL y, REAL width, REAL height);
GpStatus GdipAddPathEllipseI(GpPath* path, INT x, INT y, INT width, INT height);
GpStatus GdipAddPathRectangle(GpPath* path, REAL x, REAL y, REAL width, REAL height);
GpStatus GdipAddPathRectangleI(GpPath* path, INT x, INT y, INT width, INT height);
GpStatus GdipSetClipRect(GpGraphics* graphics, REAL x, REAL y, REAL width, REAL height, CombineMode mode);
GpStatus GdipSetClipRectI(GpGraphics* graphics, INT x, INT y, INT width, INT height, CombineMode mode);
GpStatus GdipSetClipPath(GpGraphics* graphics, GpPath* path, CombineMode mode);
GpStatus GdipResetClip(GpGraphics* graphics);
